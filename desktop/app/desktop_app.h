// The desktop program's application object: starts the common controls, Windows Sockets and
// ActiveX hosting, then runs the main window modally for the life of the process.
#pragma once

#include "win_app.h"

class CDesktopApp : public CWinApp {
public:
    CDesktopApp() : CWinApp("Korvala 2007") {}
    BOOL InitInstance() override;
};
