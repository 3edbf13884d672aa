// High contrast as the test says. Wine 8 cannot switch it (SPI_SETHIGHCONTRAST fails with
// ERROR_INVALID_SPI_VALUE and SPI_GETHIGHCONTRAST always answers "off"), so a test program that
// compiles high_contrast_double.cpp in its own sources answers HighContrastOn() itself; the
// controls library's own answer then stays out of its link.
#pragma once

void SetHighContrastDouble(bool on);
