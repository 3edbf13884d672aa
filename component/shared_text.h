#pragma once
// A text that one thread replaces whole and others copy. The lock is held only for the swap
// and for the copy, so a worker killed outside those few instructions cannot leave it held.
#include "critical_section.h"

#include <string>

class SharedText {
public:
    void Replace(std::string text)
    {
        {
            ScopedLock hold(lock_);
            text_.swap(text);
        }
        // The previous text is freed here, outside the lock.
    }

    std::string Copy()
    {
        ScopedLock hold(lock_);
        return text_;
    }

private:
    CriticalSection lock_;
    std::string text_;
};

// The inventory text of the most recent finished scan of any type in this process.
SharedText& LastInventoryText();
