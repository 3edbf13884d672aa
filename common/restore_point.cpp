#include "restore_point.h"

#include "unique_handle.h"

#include <cstring>

static_assert(kStyleOkExclamation == (MB_OK | MB_ICONEXCLAMATION));
static_assert(kStyleOkHand == (MB_OK | MB_ICONHAND));

namespace {

constexpr char kDescription[] = "Korvala Restore Point";

}  // namespace

RestorePointOutcome CreateRestorePoint(const SystemRestoreApi& api)
{
    RestorePointOutcome outcome;
    if (!api.setRestorePoint || !api.removeRestorePoint)
        return outcome;

    RESTOREPOINTINFOA point{};
    point.dwEventType = BEGIN_SYSTEM_CHANGE;
    point.dwRestorePtType = APPLICATION_INSTALL;
    point.llSequenceNumber = 0;
    static_assert(sizeof kDescription <= sizeof point.szDescription);
    std::memcpy(point.szDescription, kDescription, sizeof kDescription);
    STATEMGRSTATUS status{};
    outcome.begun = api.setRestorePoint(&point, &status) != FALSE;

    point.dwEventType = END_SYSTEM_CHANGE;
    point.llSequenceNumber = status.llSequenceNumber;
    outcome.ended = api.setRestorePoint(&point, &status) != FALSE;

    // Only a point that the begin call made can be removed; asking to remove none is an error
    // at best (and ends the process on some systems).
    if (!outcome.ended && outcome.begun && point.llSequenceNumber != 0)
        api.removeRestorePoint(static_cast<DWORD>(point.llSequenceNumber));
    return outcome;
}

SystemRestoreApi BindSystemRestore(const char* libraryName)
{
    SystemRestoreApi api;
    UniqueLibrary library(LoadLibraryA(libraryName));
    if (!library)
        return api;
    auto set = reinterpret_cast<SetRestorePointFunction>(
        reinterpret_cast<void*>(GetProcAddress(library.Get(), "SRSetRestorePointA")));
    auto remove = reinterpret_cast<RemoveRestorePointFunction>(
        reinterpret_cast<void*>(GetProcAddress(library.Get(), "SRRemoveRestorePoint")));
    if (!set || !remove)
        return api;
    api.setRestorePoint = set;
    api.removeRestorePoint = remove;
    // The library stays loaded: the functions are used for the life of the process.
    library.Detach();
    return api;
}

const SystemRestoreApi& SystemRestoreBoundAtFirstUse()
{
    static const SystemRestoreApi api = BindSystemRestore("SRCLIENT.dll");
    return api;
}

int CreateSrpResult()
{
    RestorePointOutcome outcome = CreateRestorePoint(SystemRestoreBoundAtFirstUse());
    return outcome.begun && outcome.ended ? 0 : 1;
}

void RunRestorePointAction(HWND owner)
{
    RestorePointMessage message = ChooseRestorePointMessage(CreateRestorePoint(SystemRestoreBoundAtFirstUse()));
    MessageBoxA(owner, message.text, message.caption, message.style);
}
