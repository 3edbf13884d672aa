#include "message_wait.h"

BOOL WaitHandlingSentMessages(const HANDLE* handles, DWORD count, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    for (DWORD i = 0; i < count; ++i) {
        if (!handles[i]) {
            continue;
        }
        for (;;) {
            const DWORD elapsed = ::GetTickCount() - start;
            const DWORD left = elapsed < timeoutMs ? timeoutMs - elapsed : 0;
            const DWORD result = ::MsgWaitForMultipleObjects(1, &handles[i], FALSE, left, QS_SENDMESSAGE);
            if (result == WAIT_OBJECT_0) {
                break;
            }
            if (result != WAIT_OBJECT_0 + 1) {
                return FALSE;
            }
            // Peeking delivers the sent messages waiting for this thread.
            MSG msg;
            ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    return TRUE;
}
