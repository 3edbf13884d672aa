// Drawing an image at another size than its own, as the band of the main window does between the
// scales its images are drawn for.
#pragma once

#include <windows.h>

// Draws the sourceWidth x sourceHeight pixels at the top-left of `source` into the rectangle at
// (x, y) of width x height: copied when the sizes agree, else stretched with halftone, which
// averages pixels where the default mode drops whole rows and columns.
BOOL DrawImage(HDC dc, int x, int y, int width, int height, HDC source, int sourceWidth, int sourceHeight);

// A new bitmap of width x height that shows all of `image` (drawn with DrawImage), compatible
// with the screen; null when it can't be made. The caller owns it.
HBITMAP ResizedCopy(HBITMAP image, int width, int height);
