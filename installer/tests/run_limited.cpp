// Runs a command line as a limited account would, and passes its exit code on: with a restricted
// token in which the Administrators group (S-1-5-32-544) only denies, the token that Windows XP's
// "Run as" gives with "Protect my computer and data from unauthorized program activity", and that
// CheckTokenMembership answers as for a member of no administrators' group. Wine runs every
// program as an administrator; its tokens honour such a restriction.
// Usage: run_limited "command line". Exit code: the command's, or 255 when it could not start.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: run_limited \"command line\"\n");
        return 255;
    }
    HANDLE token = nullptr;
    HANDLE limited = nullptr;
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &token) ||
        !::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                    0, 0, &administrators)) {
        std::printf("cannot read this process's token: error %lu\n", ::GetLastError());
        return 255;
    }
    SID_AND_ATTRIBUTES denyOnly = {administrators, 0};
    if (!::CreateRestrictedToken(token, 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &limited)) {
        std::printf("cannot make a restricted token: error %lu\n", ::GetLastError());
        return 255;
    }
    std::string commandLine = argv[1];
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessAsUserA(limited, nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &startup, &process)) {
        std::printf("cannot start %s: error %lu\n", argv[1], ::GetLastError());
        return 255;
    }
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 255;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(limited);
    ::CloseHandle(token);
    ::FreeSid(administrators);
    return static_cast<int>(code);
}
