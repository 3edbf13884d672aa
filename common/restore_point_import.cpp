#include "restore_point.h"

int CreateSrpResult()
{
    RestorePointOutcome outcome = CreateRestorePoint({&SRSetRestorePointA, &SRRemoveRestorePoint});
    return outcome.begun && outcome.ended ? 0 : 1;
}
