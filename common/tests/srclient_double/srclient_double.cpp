// Stand-in for System Restore's client library. Wine's SRSetRestorePointA always fails and its
// SRRemoveRestorePoint ends the process, so the tests load this one from their own folder: it
// records the calls and answers as the test configured it. It calls no system function, so the
// caller's last error is left as it was.
#include "srclient_double.h"

namespace {

constexpr int kMaxCalls = 16;

BOOL gBeginSucceeds;
BOOL gEndSucceeds;
INT64 gSequenceNumber;
RESTOREPOINTINFOA gSetCalls[kMaxCalls];
int gSetCallCount;
DWORD gRemovals[kMaxCalls];
int gRemovalCount;

constexpr DWORD kServiceDisabled = 1058;  // the status that a switched-off System Restore gives

}  // namespace

extern "C" {

BOOL WINAPI SRSetRestorePointA(PRESTOREPOINTINFOA point, PSTATEMGRSTATUS status)
{
    if (gSetCallCount < kMaxCalls)
        gSetCalls[gSetCallCount] = *point;
    ++gSetCallCount;
    bool begin = point->dwEventType == BEGIN_SYSTEM_CHANGE;
    BOOL succeeds = begin ? gBeginSucceeds : gEndSucceeds;
    status->nStatus = succeeds ? ERROR_SUCCESS : kServiceDisabled;
    if (succeeds)
        status->llSequenceNumber = begin ? gSequenceNumber : point->llSequenceNumber;
    return succeeds;
}

DWORD WINAPI SRRemoveRestorePoint(DWORD number)
{
    if (gRemovalCount < kMaxCalls)
        gRemovals[gRemovalCount] = number;
    ++gRemovalCount;
    return ERROR_SUCCESS;
}

void SrDoubleConfigure(BOOL beginSucceeds, BOOL endSucceeds, INT64 sequenceNumber)
{
    gBeginSucceeds = beginSucceeds;
    gEndSucceeds = endSucceeds;
    gSequenceNumber = sequenceNumber;
    gSetCallCount = 0;
    gRemovalCount = 0;
}

int SrDoubleSetCalls(RESTOREPOINTINFOA* calls, int capacity)
{
    for (int i = 0; i < gSetCallCount && i < capacity && i < kMaxCalls; ++i)
        calls[i] = gSetCalls[i];
    return gSetCallCount;
}

int SrDoubleRemovals(DWORD* numbers, int capacity)
{
    for (int i = 0; i < gRemovalCount && i < capacity && i < kMaxCalls; ++i)
        numbers[i] = gRemovals[i];
    return gRemovalCount;
}

}  // extern "C"
