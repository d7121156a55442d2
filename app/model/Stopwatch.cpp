#include "Stopwatch.h"

#include <cstdio>

std::string CStopwatch::TimingText(const std::string& label, float seconds) {
    char number[64];
    std::snprintf(number, sizeof number, "%.6f", double(seconds));
    return "Tiempo de " + label + ": " + number + " seg.";
}
