// The message loop of a modal dialog or property sheet: every message is first offered to the
// window objects it passes (pre-translation), then to the dialog's keyboard handling. And the
// owner of a modal window, which stays disabled while the modal window runs.
#pragma once

#include <windows.h>

#include <functional>

// Runs until `running` returns false. Returns false when WM_QUIT arrived (it is posted again
// for the loop outside).
bool RunModalLoop(HWND dialog, const std::function<bool()>& running, const std::function<BOOL(MSG*)>& isDialogMessage);

// The owner of a modal window: `parent`, or without one the application's main window; a child
// window stands for its top-level ancestor (a pop-up cannot be owned by a child). Null when there
// is neither.
HWND ModalOwner(HWND parent);

// Disables a modal window's owner while the modal window runs.
class DisabledOwner {
public:
    // Disables `owner` when it is enabled; a null or already disabled owner is left as it is.
    explicit DisabledOwner(HWND owner);
    ~DisabledOwner() { Release(nullptr); }
    DisabledOwner(const DisabledOwner&) = delete;
    DisabledOwner& operator=(const DisabledOwner&) = delete;

    // Enables the owner again and, when `modal` is the active window, activates the owner, so
    // that destroying `modal` afterwards hands the activation back to the owner.
    void Release(HWND modal);

private:
    HWND m_owner;
    bool m_disabled = false;
};
