// The colour models' coefficients (internal to the library), as the course gives them, each in
// the precision its formula computes in: the one copy that the scalar conversions
// (ColorModelMath.h) and the vector lanes (ModelLanes.h, ModelPathLanes.h) both take, so that
// the two cannot drift apart. A sum written with a subtraction takes its coefficient negated
// here: x + (-k) y is x - k y to the bit.
#pragma once

namespace velora::detail {

// YIQ from r, g, b in [0, 1], single precision: rows Y, I, Q; columns r, g, b.
inline constexpr float kYiqOfRgb[3][3] = {{0.2992f, 0.5868f, 0.114f}, {0.596f, -0.2742f, -0.3219f}, {0.2109f, -0.5229f, 0.312f}};
// And back: red, green, blue as Y plus these times I and Q.
inline constexpr float kRgbOfIq[3][2] = {{0.956f, 0.621f}, {-0.273f, -0.647f}, {-1.104f, 1.701f}};
// I's and Q's shift into [0, 1] (ranges 2 and 3).
inline constexpr float kYiqIShift = 0.477f, kYiqQShift = 0.404f;

// YUV, single precision: Y from the bytes in the order it adds them (green, red, blue), U and V
// from B - Y and R - Y, and the way back's red of V, green of U and V, blue of U.
struct YuvCoefficients {
    float yGreen, yRed, yBlue;
    float u, v;
    float redV, greenU, greenV, blueU;
};
inline constexpr YuvCoefficients kYuv{0.587f, 0.299f, 0.114f, 0.565f, 0.713f, 1.403f, 0.344f, 0.714f, 1.77f};

// YCbCr, double precision on bytes: Y = (yRed R + yGreen G) + yBlue B + 16,
// Cb = chroma B - (cbGreen G + cbRed R) + 128, Cr = (chroma R - crGreen G) - crBlue B + 128;
// range 1 stretches the studio range to 0..255 (Y x yStretch - yShift, Cb and Cr x cStretch -
// cShift); the way back is luma (Y - 16), and red, green and blue of Cb - 128 and Cr - 128.
struct YCbCrCoefficients {
    double yRed, yGreen, yBlue;
    double chroma, cbGreen, cbRed, crGreen, crBlue;
    double yStretch, yShift, cStretch, cShift;
    double luma, redCr, greenCb, greenCr, blueCb;
};
inline constexpr YCbCrCoefficients kYCbCr{0.257,      0.504,       0.098,       0.439, 0.291, 0.148, 0.368, 0.071,
                                          1.16438356, 18.63013696, 1.138392857, 18.21428571,
                                          1.164,      1.596,       0.392,       0.813, 2.017};

// CIE XYZ from r, g, b in [0, 1], double precision: rows X, Y, Z; columns r, g, b. Z is then
// scaled by kXyzZScale, and the way back scales it by kXyzZBack first.
inline constexpr double kXyzOfRgb[3][3] = {
    {0.412453, 0.35758, 0.180423}, {0.212671, 0.71516, 0.072169}, {0.019334, 0.119193, 0.950227}};
inline constexpr double kXyzZScale = 0.9184836745262146, kXyzZBack = 1.088751;
// RGB from X, Y and Z (Z scaled back): rows red, green, blue.
inline constexpr double kRgbOfXyz[3][3] = {
    {3.240479, -1.53715, -0.498535}, {-0.969256, 1.875992, 0.041556}, {0.055648, -0.204043, 1.057311}};

// The white point on the 0..255 scale (LAB divides X, Y and Z by it) and its chromaticity
// u', v' (LUV's U and V are measured from it).
inline constexpr float kWhiteX = 95.047f, kWhiteY = 100.0f, kWhiteZ = 108.883f;
inline constexpr float kWhiteU = 0.19783981f, kWhiteV = 0.46833628f;

// The CIE companding of LAB and of LUV's lightness: the cube root above kLabEpsilon, below it
// the line kLabSlope t + kLabOffset (16/116); in double, or in float as float(...) where a
// formula computes in single precision (the same floats as those literals written as floats).
inline constexpr double kLabEpsilon = 0.008856, kLabSlope = 7.787, kLabOffset = 0.13793103448275862;
static_assert(float(kLabEpsilon) == 0.008856f && float(kLabSlope) == 7.787f &&
              float(kLabOffset) == 0.13793103448275862f && float(kLabOffset) == 0.13793103f);

}  // namespace velora::detail
