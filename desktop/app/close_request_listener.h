// The program's side of the installers' request to close (close_request.h): the event of this
// process, waited on by the system's thread pool, and a message posted to the main window when an
// installer sets it. The main window then ends as through its close button.
#pragma once

#include "unique_handle.h"

#include <windows.h>

class CloseRequestListener {
public:
    CloseRequestListener() = default;
    CloseRequestListener(const CloseRequestListener&) = delete;
    CloseRequestListener& operator=(const CloseRequestListener&) = delete;
    ~CloseRequestListener() { Stop(); }

    // Makes the event, which the local system and the administrators may set from any session,
    // and posts `message` to `window` once it is set. False when the event cannot be made (the
    // program then runs on, closed only by its user or the session's end).
    bool Listen(HWND window, UINT message);
    // Stops waiting; returns once a callback that is running has posted its message.
    void Stop();

private:
    static void CALLBACK OnRequest(void* context, BOOLEAN timedOut);

    HWND m_window = nullptr;
    UINT m_message = 0;
    UniqueKernelHandle m_event;
    // Last, so that it goes first: the wait's callback uses the members above.
    UniqueWait m_wait;
};
