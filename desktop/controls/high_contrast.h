// High contrast, the Windows setting for people who need the system's own colours: the band's
// controls then draw their words as text in those colours instead of their pictures.
#pragma once

// Whether the user has switched high contrast on (SPI_GETHIGHCONTRAST). Read anew at each call,
// so that windows follow the setting as soon as they repaint. It stands alone in its source file:
// a test program that compiles its own (tests/high_contrast_double.cpp: Wine cannot switch high
// contrast) leaves the library's out of its link.
bool HighContrastOn();
