// Where the time axis of a graph puts its labels. Each label is a whole date and time, wide on
// screen; the step between labels is chosen from the labels' measured width so that they never
// run into each other, however narrow the window.
#pragma once

namespace qv {

// The smallest round step in seconds (1, 2, 5, 10, 15, 30 s; 1, 2, 5, 10, 15, 30 min; 1, 2, 3, 6,
// 12 h; 1, 2, 7, 14 days, then whole multiples of 28 days) at which labels `labelPixels` wide,
// with `gapPixels` between them, fit side by side on an axis `axisPixels` long showing
// `rangeSeconds`. Never below one second; an axis with no room gets the step that leaves at most
// one label on it.
double TimeTickStep(double rangeSeconds, double axisPixels, double labelPixels,
                    double gapPixels = 16);

}  // namespace qv
