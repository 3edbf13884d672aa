#include "high_contrast.h"

#include <windows.h>

bool HighContrastOn()
{
    HIGHCONTRASTA setting = {};
    setting.cbSize = sizeof(setting);
    return ::SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof(setting), &setting, 0) &&
           (setting.dwFlags & HCF_HIGHCONTRASTON) != 0;
}
