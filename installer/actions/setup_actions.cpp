// What the setup program (korvala.nsi) calls in this DLL through NSIS's System plug-in: the MSI
// package's way of closing korvala-desk, so that both packages reach it in every session alike.
#include "running_program.h"

// TRUE once no korvala-desk runs any more: each was asked to close and ended in time.
extern "C" BOOL __stdcall CloseRunningKorvalaForSetup()
{
    return CloseRunningPrograms(kProgramCloseWaitMs) ? TRUE : FALSE;
}
