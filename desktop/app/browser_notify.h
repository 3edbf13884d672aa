// The record a browser host sends to its parent with each WM_NOTIFY. It lives on the sender's
// stack for the duration of the SendMessage call only; texts not used by a notification are
// empty, numbers 0 and the post data null.
#pragma once

#include <windows.h>

enum BrowserNotifyCode : UINT {
    kNotifyBeforeNavigate2 = 0,
    kNotifyDocumentComplete = 1,
    kNotifyDownloadBegin = 2,
    kNotifyProgressChange = 3,
    kNotifyDownloadComplete = 4,
    kNotifyNavigateComplete2 = 5,
    kNotifyStatusTextChange = 6,
    kNotifyTitleChange = 7,
};

struct BrowserNotify {
    NMHDR hdr;
    const char* url;
    const char* targetFrame;
    const BYTE* postData;
    LONG postDataLength;
    const char* headers;
    LONG progress;
    LONG progressMax;
    const char* text;
};
