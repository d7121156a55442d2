// The tables of the colour-model lanes (ModelLanes.h): chords of the costly transfers' library
// calls with bounds on how far the library's values lie from them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "ModelLanes.h"
#include "VectorTarget.h"

#if VELORA_X86

namespace velora::detail {
namespace {

// The library's call of a costly transfer, as ModelTransferT makes it.
double LibraryCall(int function, float y) {
    switch (function) {
        case 3: return std::pow(y, 0.333333f);
        case 4: return std::log(y);
        case 5: return std::sin(y);
        default: return std::tan(y);
    }
}

// The largest magnitude of the call's second derivative on [y0, y1], infinite where the
// interval reaches a pole of the tangent.
double LargestCurvature(int function, double y0, double y1) {
    switch (function) {
        case 3: {
            const double p = double(0.333333f);  // the power's exponent; y0 > 0
            return p * (1 - p) * std::pow(y0, p - 2);
        }
        case 4: return 1 / (y0 * y0);
        case 5: return 1;
        default: {
            const double far = std::max(std::fabs(y0), std::fabs(y1));
            if (far >= 1.5707963267948966) return std::numeric_limits<double>::infinity();
            const double t = std::tan(far);
            return 2 * t * (1 + t * t);
        }
    }
}

float FloatOfBits(std::int64_t bits) {
    const auto narrow = std::uint32_t(bits);
    float f;
    std::memcpy(&f, &narrow, 4);
    return f;
}

std::int32_t BitsOfFloat(float f) {
    std::int32_t bits;
    std::memcpy(&bits, &f, 4);
    return bits;
}

LibraryTable MakeLibraryTable(int function) {
    LibraryTable t;
    std::int32_t count = 0;
    if (function <= 4) {
        // The power of x 65025 (up to 255 65025 < 2^24) and the logarithm of x + 1 (1 to 256)
        // are steepest near their smallest arguments: intervals of 2^-9 of the argument.
        t.byBits = true;
        t.shift = 14;
        t.firstBits = BitsOfFloat(function == 3 ? 0x1p-16f : 1.0f);
        count = ((BitsOfFloat(function == 3 ? 0x1p24f : 256.0f) - t.firstBits) >> t.shift) + 1;
    } else {
        // The sigmoids' angles lie within [-pi / 2, pi / 2] (a hair beyond at alpha 1):
        // intervals of 2^-11 from -2.
        t.scale = 2048;
        t.offset = 2 * 2048;
        count = 4 * 2048 + 1;
    }
    t.start.resize(std::size_t(count));
    t.slope.resize(std::size_t(count));
    t.slack.resize(std::size_t(count));
    constexpr double kLibraryMargin = 0x1p-20, kChordRounding = 0x1p-40;
    const auto edge = [&](std::int32_t k) {
        return t.byBits ? FloatOfBits(std::int64_t(t.firstBits) + (std::int64_t(k) << t.shift))
                        : float(double(k - t.offset) / double(t.scale));
    };
    for (std::int32_t k = 0; k < count; ++k) {
        const float y0 = edge(k), y1 = edge(k + 1);
        const double v0 = LibraryCall(function, y0), v1 = LibraryCall(function, y1);
        const double largest = std::max(std::fabs(v0), std::fabs(v1)), h = double(y1) - double(y0);
        double start = 0, slope = 0, slack = 0;
        const double curvature = LargestCurvature(function, y0, y1);
        if (function == 3 && k == 0) {
            // [0, y1]: the power rises from 0.
            start = v1 / 2;
            slack = v1 / 2 + kLibraryMargin * largest;
        } else if (!std::isfinite(curvature)) {
            slack = std::numeric_limits<double>::infinity();
        } else {
            start = v0;
            slope = (v1 - v0) / h;
            slack = curvature * h * h / 8 + kLibraryMargin * largest + kChordRounding * (std::fabs(v0) + std::fabs(slope) * h);
        }
        const float startFloat = float(start), slopeFloat = float(slope);
        const double reach = std::fabs(start) + std::fabs(slope) * h;  // the chord's terms at most
        slack += std::fabs(double(startFloat) - start) + std::fabs(double(slopeFloat) - slope) * h + 0x1p-22 * reach +
                 std::fabs(slope) * 0x1p-35;
        slack *= 1 + 0x1p-23;  // the rounding of chord -/+ slack
        float slackFloat = float(slack);
        if (double(slackFloat) < slack) slackFloat = std::nextafter(slackFloat, std::numeric_limits<float>::infinity());
        t.start[std::size_t(k)] = startFloat;
        t.slope[std::size_t(k)] = slopeFloat;
        t.slack[std::size_t(k)] = slackFloat;
    }
    return t;
}

}  // namespace

const LibraryTable& LibraryTableOf(int function) {
    static const LibraryTable power = MakeLibraryTable(3), logarithm = MakeLibraryTable(4), sine = MakeLibraryTable(5),
                              tangent = MakeLibraryTable(6);
    return function == 3 ? power : function == 4 ? logarithm : function == 5 ? sine : tangent;
}

}  // namespace velora::detail

#endif
