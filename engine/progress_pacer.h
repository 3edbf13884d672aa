#pragma once
// Spreads about 50 progress units over the entries of one inventory pass. Both passes use it;
// a pass over fewer than 50 entries earns no unit, 50 or more earn 49 to 51.
#include <cstdint>

class ProgressPacer {
public:
    explicit ProgressPacer(int32_t entries);
    // Called once per entry; true when this entry earns a unit.
    bool Advance();

private:
    int32_t perUnit_;  // entries per unit (n / 50)
    int32_t limit_;    // every limit-th step earns nothing: n / (n mod 50), or n
    int32_t sinceUnit_ = 0;
    int32_t sinceSkip_ = 0;
};
