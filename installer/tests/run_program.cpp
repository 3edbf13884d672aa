// Runs a command line, waits for it and prints its whole exit code ("exit code 3010"): a Unix
// process status keeps only its low 8 bits, so 3010 would reach a script as 194.
// With --limited it runs the command as a limited account would: with a restricted token in which
// the Administrators group (S-1-5-32-544) only denies, the token that Windows XP's "Run as" gives
// with "Protect my computer and data from unauthorized program activity", and for which
// CheckTokenMembership answers as for a member of no administrators' group. Wine runs every
// program as an administrator; its tokens honour such a restriction.
// With --desktop NAME it runs the command on a desktop of that name, made for it, and prints
// "started" once the command waits for input: a program there is out of reach of the windows of
// this desktop, as one in another user's session is (the nearest Wine has to another session).
// Usage: run_program [--limited | --desktop NAME] "command line". Exit code 0 once the command ran,
// 2 on wrong arguments, 1 when it could not be started.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// This process's token with the Administrators group for denying only, or null.
HANDLE LimitedToken()
{
    HANDLE token = nullptr;
    HANDLE limited = nullptr;
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &token) &&
        ::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                   0, &administrators)) {
        SID_AND_ATTRIBUTES denyOnly = {administrators, 0};
        if (!::CreateRestrictedToken(token, 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &limited))
            limited = nullptr;
    }
    if (administrators)
        ::FreeSid(administrators);
    if (token)
        ::CloseHandle(token);
    return limited;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool asLimited = argc == 3 && std::strcmp(argv[1], "--limited") == 0;
    const bool onDesktop = argc == 4 && std::strcmp(argv[1], "--desktop") == 0;
    if (argc != 2 && !asLimited && !onDesktop) {
        std::fprintf(stderr, "usage: run_program [--limited | --desktop NAME] \"command line\"\n");
        return 2;
    }
    HDESK desktop = onDesktop ? ::CreateDesktopA(argv[2], nullptr, nullptr, 0, GENERIC_ALL, nullptr) : nullptr;
    if (onDesktop && !desktop) {
        std::printf("cannot make the desktop %s: error %lu\n", argv[2], ::GetLastError());
        return 1;
    }
    HANDLE limited = asLimited ? LimitedToken() : nullptr;
    if (asLimited && !limited) {
        std::printf("cannot make a restricted token: error %lu\n", ::GetLastError());
        return 1;
    }
    std::string commandLine = argv[argc - 1];
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (onDesktop)
        startup.lpDesktop = argv[2];
    PROCESS_INFORMATION process = {};
    const BOOL started = asLimited ? ::CreateProcessAsUserA(limited, nullptr, &commandLine[0], nullptr, nullptr, FALSE,
                                                            0, nullptr, nullptr, &startup, &process)
                                   : ::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                                      nullptr, &startup, &process);
    if (limited)
        ::CloseHandle(limited);
    if (!started) {
        std::printf("cannot start %s: error %lu\n", commandLine.c_str(), ::GetLastError());
        return 1;
    }
    if (onDesktop) {
        ::WaitForInputIdle(process.hProcess, INFINITE);
        std::printf("started\n");
        std::fflush(stdout);
    }
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    std::printf("exit code %lu\n", code);
    if (desktop)
        ::CloseDesktop(desktop);
    return 0;
}
