#pragma once
// Makes Wine tell one program another Windows version while this object lives, as a user of
// that version would run it: HKCU\Software\Wine\AppDefaults\<program>\Version.
#include <string>

class WineAppVersion {
public:
    // program: the file name, such as "korvala-desk.exe"; version: Wine's name, such as "winxp".
    WineAppVersion(const std::string& program, const char* version);
    ~WineAppVersion();
    WineAppVersion(const WineAppVersion&) = delete;
    WineAppVersion& operator=(const WineAppVersion&) = delete;

    bool Set() const { return set_; }

private:
    std::string key_;
    bool set_ = false;
};
