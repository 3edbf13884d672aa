#pragma once
// What a restore-point attempt achieved, and the message the desktop program shows for it.

struct RestorePointOutcome {
    bool begun = false;  // the call that begins the system change succeeded
    bool ended = false;  // the call that ends it succeeded: the restore point exists
};

// Message box styles, as the window system numbers them.
inline constexpr unsigned kStyleOkExclamation = 0x30;  // MB_OK | MB_ICONEXCLAMATION
inline constexpr unsigned kStyleOkHand = 0x10;         // MB_OK | MB_ICONHAND

struct RestorePointMessage {
    const char* text;
    const char* caption;
    unsigned style;
};

// Chosen by the end call alone: a failed begin followed by a successful end still reports success.
RestorePointMessage ChooseRestorePointMessage(const RestorePointOutcome& outcome);
