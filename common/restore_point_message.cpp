#include "restore_point_message.h"

namespace {

constexpr char kCaption[] = "Korvala Oops Management";

}  // namespace

RestorePointMessage ChooseRestorePointMessage(const RestorePointOutcome& outcome)
{
    if (outcome.ended)
        return {"System Restore Point created successfully.", kCaption, kStyleOkExclamation};
    return {"Cannot create a new System Restore Point. Please make sure this feature is enabled.", kCaption,
            kStyleOkHand};
}
