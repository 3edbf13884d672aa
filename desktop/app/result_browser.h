// The main window's browser: every navigation goes ahead without asking the main window.
#pragma once

#include "browser_host.h"

class CResultBrowser : public CBrowserHost {
public:
    BOOL OnBeforeNavigate2(const char*, const char*, const BYTE*, LONG, const char*) override { return FALSE; }
};
