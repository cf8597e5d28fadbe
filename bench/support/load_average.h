#pragma once
#include <cstdio>
#include <cstdlib>

// The machine's load average, printed beside the figures: on a shared machine the absolute
// times mean little without it, the ratios to same-run references more.
inline void PrintLoadAverage(const char* when) {
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) == 3)
        std::printf("load average %s: %.2f %.2f %.2f\n", when, load[0], load[1], load[2]);
}
