// The arithmetic of a skinned progress bar's filled part.
#pragma once

// Absolute difference of the bounds; 1 when they are equal.
long ProgressRange(long lower, long upper);

// Position clamped to lower..upper.
long ClampProgressPosition(long position, long lower, long upper);

// truncate((position - lower) * (100 / range)), in floating point.
int ProgressPercent(long position, long lower, long range);

// Right edge of the filled part of [left, right). Uses the single-precision factor 0.01, so a
// full bar comes out one pixel short for the usual widths; never reaches past right - 1.
int FilledRight(int left, int right, int percent);

// Top edge of the filled part of a vertical bar [top, bottom), filling upwards.
int FilledTop(int top, int bottom, int percent);
