#pragma once
// A 32-bit process on 64-bit Windows (WoW64) sees the 32-bit program folders in its environment
// and has System32 redirected to SysWOW64. The functions that tell and undo this are bound at
// run time: Windows XP and 32-bit systems lack some of them.
#include <windows.h>

// True in a 32-bit process on 64-bit Windows; false in a 64-bit process and on 32-bit Windows.
bool RunsUnderWow64();

// File system redirection off on the calling thread while the object lives, so that paths name
// the files a 64-bit process sees; nothing happens outside WoW64. Every file operation of the
// thread is affected, DLLs that the system loads on its behalf included: keep the scope to
// plain file reads.
class RedirectionOff {
public:
    RedirectionOff();
    ~RedirectionOff();
    RedirectionOff(const RedirectionOff&) = delete;
    RedirectionOff& operator=(const RedirectionOff&) = delete;

private:
    void* earlier_ = nullptr;
    bool off_ = false;
};
