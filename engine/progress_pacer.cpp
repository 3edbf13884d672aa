#include "progress_pacer.h"

ProgressPacer::ProgressPacer(int32_t entries) : perUnit_(entries / 50)
{
    int32_t remainder = entries % 50;
    limit_ = remainder != 0 ? entries / remainder : entries;
}

bool ProgressPacer::Advance()
{
    ++sinceUnit_;
    ++sinceSkip_;
    if (sinceUnit_ < perUnit_)
        return false;
    if (sinceSkip_ < limit_) {
        sinceUnit_ = 0;
        return true;
    }
    sinceSkip_ = 0;
    return false;
}
