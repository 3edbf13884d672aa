#include "wow64.h"

namespace {

using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
using DisableRedirectionFunction = BOOL(WINAPI*)(PVOID*);
using RevertRedirectionFunction = BOOL(WINAPI*)(PVOID);

template <typename Function>
Function KernelFunction(const char* name)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}

}  // namespace

bool RunsUnderWow64()
{
    static const bool wow64 = [] {
        auto isWow64Process = KernelFunction<IsWow64ProcessFunction>("IsWow64Process");
        BOOL result = FALSE;
        return isWow64Process && isWow64Process(GetCurrentProcess(), &result) && result;
    }();
    return wow64;
}

RedirectionOff::RedirectionOff()
{
    if (!RunsUnderWow64())
        return;
    auto disable = KernelFunction<DisableRedirectionFunction>("Wow64DisableWow64FsRedirection");
    off_ = disable && disable(&earlier_);
}

RedirectionOff::~RedirectionOff()
{
    if (!off_)
        return;
    auto revert = KernelFunction<RevertRedirectionFunction>("Wow64RevertWow64FsRedirection");
    if (revert)
        revert(earlier_);
}
