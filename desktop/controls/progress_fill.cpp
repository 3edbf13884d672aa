#include "progress_fill.h"

namespace {

// The single-precision 0.01 (0.0099999998), widened before the multiplications.
const double kHundredth = static_cast<double>(0.01f);

int FilledExtent(int size, int percent)
{
    return static_cast<int>(static_cast<double>(size) * kHundredth * percent);
}

}  // namespace

long ProgressRange(long lower, long upper)
{
    long long difference = static_cast<long long>(upper) - lower;
    if (difference < 0) {
        difference = -difference;
    }
    return difference == 0 ? 1 : static_cast<long>(difference > 0x7FFFFFFF ? 0x7FFFFFFF : difference);
}

long ClampProgressPosition(long position, long lower, long upper)
{
    if (position < lower) {
        return lower;
    }
    return position > upper ? upper : position;
}

int ProgressPercent(long position, long lower, long range)
{
    double offset = static_cast<double>(position) - static_cast<double>(lower);
    return static_cast<int>(offset * (100.0 / static_cast<double>(range)));
}

int FilledRight(int left, int right, int percent)
{
    int filled = left + FilledExtent(right - left, percent);
    return filled > right ? right - 1 : filled;
}

int FilledTop(int top, int bottom, int percent)
{
    int filled = bottom - FilledExtent(bottom - top, percent);
    return filled < top ? top + 1 : filled;
}
