// The program's question whether high contrast is on, answered "on" in a build of the program for
// the screenshots: Wine 8 cannot switch the setting (SPI_SETHIGHCONTRAST fails, and
// SPI_GETHIGHCONTRAST always answers "off"). Everything else is the program's own.
#include "high_contrast.h"

bool HighContrastOn()
{
    return true;
}
