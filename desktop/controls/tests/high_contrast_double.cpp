#include "high_contrast_double.h"

#include "high_contrast.h"

namespace {
bool g_highContrast = false;
}

void SetHighContrastDouble(bool on)
{
    g_highContrast = on;
}

bool HighContrastOn()
{
    return g_highContrast;
}
