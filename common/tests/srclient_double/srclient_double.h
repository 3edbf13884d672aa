#pragma once
// Control functions of the System Restore test double (srclient.dll built by the project).
// Test programs find them with GetProcAddress on the loaded srclient.dll.
#include <windows.h>
#include <srrestoreptapi.h>

// Sets how the next calls answer and forgets the calls recorded so far. A successful begin
// call returns the given sequence number; failed calls leave the status's number untouched.
using SrDoubleConfigureFunction = void (*)(BOOL beginSucceeds, BOOL endSucceeds, INT64 sequenceNumber);
// Copies up to capacity recorded SRSetRestorePointA records; returns how many calls were made.
using SrDoubleSetCallsFunction = int (*)(RESTOREPOINTINFOA* calls, int capacity);
// Copies up to capacity numbers passed to SRRemoveRestorePoint; returns how many calls were made.
using SrDoubleRemovalsFunction = int (*)(DWORD* numbers, int capacity);
