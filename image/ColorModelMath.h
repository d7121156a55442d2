// The colour-model conversions of one colour (internal to the library), inline so that the
// per-model pixel loops compile to straight code. CVelora's static conversions are these.
//
// The formulas are the classic ones of the course, step by step in the precision they were
// given: single precision unless a step is marked double below; r, g, b are R/255 etc.
// computed in double and stored as float. Every float that becomes a byte is clamped
// first (NaN gives 0), so no float-to-integer conversion can overflow, and no formula
// divides by zero or takes acos of a value that rounding pushed outside [-1, 1].
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "CVelora.h"
#include "ModelCoefficients.h"
#include "VectorTarget.h"
#include "WinTypes.h"

namespace velora::detail {

struct Bytes {
    float R, G, B;  // 0..255
    float r, g, b;  // 0..1
};

// float(double(byte) / 255.0) for every byte, worked out by the compiler (exactly, as the
// division at run time would), so that no conversion divides.
inline constexpr std::array<float, 256> kByteUnits = [] {
    std::array<float, 256> units{};
    for (int v = 0; v < 256; ++v) units[std::size_t(v)] = float(double(v) / 255.0);
    return units;
}();

inline Bytes Split(std::uint32_t colour) {
    Bytes c{};
    c.R = float((colour >> 16) & 0xFF);
    c.G = float((colour >> 8) & 0xFF);
    c.B = float(colour & 0xFF);
    c.r = kByteUnits[(colour >> 16) & 0xFF];
    c.g = kByteUnits[(colour >> 8) & 0xFF];
    c.b = kByteUnits[colour & 0xFF];
    return c;
}

// Bytes from values on the 0..255 scale: clamped (NaN gives 0), then truncated or rounded.
// The pixel loops meet saturated values at random, so on x86 the clamp is the processor's
// min and max, which take the same values as the comparisons (max(NaN, 0) is 0) without
// a branch to mispredict. One value, not a vector path: the run-time switches leave it.
inline double ClampTo255(double v) {
#if VELORA_X86
    return _mm_cvtsd_f64(_mm_min_sd(_mm_max_sd(_mm_set_sd(v), _mm_setzero_pd()), _mm_set_sd(255.0)));
#else
    return !(v > 0) ? 0.0 : v >= 255 ? 255.0 : v;
#endif
}
inline float ClampTo255(float v) {
#if VELORA_X86
    return _mm_cvtss_f32(_mm_min_ss(_mm_max_ss(_mm_set_ss(v), _mm_setzero_ps()), _mm_set_ss(255.0f)));
#else
    return !(v > 0) ? 0.0f : v >= 255 ? 255.0f : v;
#endif
}
inline std::uint8_t ClampTruncate(double v) { return std::uint8_t(int(ClampTo255(v))); }
// Rounds halves away from zero, as lround. For 0 < v < 255, v + 0.5 in double is exact (or,
// for v below 2^-29, still short of 1), so that truncating it rounds.
inline std::uint8_t ClampRound(float v) { return std::uint8_t(int(double(ClampTo255(v)) + 0.5)); }

inline RGBQUAD* Store(RGBQUAD* out, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    *out = RGBQUAD{blue, green, red, 0};
    return out;
}

// The LAB companding; LAB uses it in single precision around a double pow, LUV's L in double.
inline float LabF(float t) {
    return t > kLabEpsilon ? float(std::pow(double(t), 0.3333333333333333)) : float(kLabSlope) * t + float(kLabOffset);
}
inline double LabFDouble(double t) {
    return t > kLabEpsilon ? std::pow(t, 0.3333333333333333) : kLabSlope * t + kLabOffset;
}
inline float LabFInverse(float f) {
    const float cube = f * f * f;
    return cube > kLabEpsilon ? cube : (f - float(kLabOffset)) / float(kLabSlope);
}

// XYZ on the 0..255 scale from an input range (1 as is, 2 from [0, 1], 3 from [0, 100]).
inline bool XyzTo255(const float* xyz, int range, float* out) {
    if (range < 1 || range > 3) return false;
    for (int i = 0; i < 3; ++i) out[i] = range == 1 ? xyz[i] : range == 2 ? xyz[i] * 255.0f : xyz[i] * 2.55f;
    return true;
}

// XYZ (0..255 scale) into an output range of LABToXYZ / LUVToXYZ.
inline void XyzFrom255(const float* v, int range, float* out) {
    for (int i = 0; i < 3; ++i) out[i] = range == 1 ? v[i] : range == 2 ? v[i] / 255.0f : v[i] / 2.55f;
}

// ---------------------------------------------------------------- CMYK

inline float* RGBToCMYK(float* out, std::uint32_t colour, int range) {
    if (range != 1 && range != 2) return nullptr;
    const Bytes c = Split(colour);
    if (c.R == 0 && c.G == 0 && c.B == 0) {
        out[0] = out[1] = out[2] = 0.0f;
        out[3] = range == 1 ? 255.0f : 1.0f;
        return out;
    }
    out[0] = 255.0f - c.R;
    out[1] = 255.0f - c.G;
    out[2] = 255.0f - c.B;
    out[3] = std::min({out[0], out[1], out[2]});
    if (range == 2)
        for (int i = 0; i < 4; ++i) out[i] = float(double(out[i]) / 255.0);
    return out;
}

inline RGBQUAD* CMYKToRGB(RGBQUAD* out, const float* in, int range) {
    if (range != 1 && range != 2) return nullptr;
    float v[4];
    for (int i = 0; i < 4; ++i) v[i] = range == 1 ? in[i] / 255.0f : in[i];
    return Store(out, ClampTruncate(255.0f * (1.0f - v[0]) * (1.0f - v[3])),
                 ClampTruncate(255.0f * (1.0f - v[1]) * (1.0f - v[3])),
                 ClampTruncate(255.0f * (1.0f - v[2]) * (1.0f - v[3])));
}

// ---------------------------------------------------------------- HSI

inline float* RGBToHSI(float* out, std::uint32_t colour, int range) {
    if (range < 1 || range > 3) return nullptr;
    const float hueFactor = range == 1 ? 40.58451f : 57.29578f;
    const float circle = range == 1 ? 255.0f : 360.0f;
    const double scale = range == 1 ? 255.0 : range == 2 ? 1.0 : 100.0;
    const Bytes c = Split(colour);
    const float sum = c.R + c.G + c.B;
    if (sum == 0) {
        out[0] = out[1] = out[2] = 0.0f;
        return out;
    }
    out[2] = float((double(sum) / 3.0 / 255.0) * scale);
    if (c.R == c.G && c.G == c.B) {  // no hue, and the angle below would be 0 / 0
        out[0] = 0.0f;
        out[1] = 0.0f;
        return out;
    }
    out[1] = float((1.0 - 3.0 * double(std::min({c.R, c.G, c.B})) / double(sum)) * scale);
    const float num = (c.R - c.G) + (c.R - c.B);
    const float den = 2.0f * std::sqrt((c.R - c.G) * (c.R - c.G) + (c.R - c.B) * (c.G - c.B));
    // Rounding can put the quotient a hair beyond 1 for the primaries' hues.
    const float theta = std::acos(std::clamp(num / den, -1.0f, 1.0f)) * hueFactor;
    out[0] = c.B > c.G ? circle - theta : theta;
    return out;
}

inline RGBQUAD* HSIToRGB(RGBQUAD* out, const float* in, int range) {
    if (range < 1 || range > 3) return nullptr;
    const float hueFactor = range == 1 ? 40.58451f : 57.29578f;
    const float scale = range == 1 ? 255.0f : range == 2 ? 1.0f : 100.0f;
    const float h = in[0] / hueFactor, s = in[1] / scale, i = in[2] / scale;
    float r, g, b;
    if (h >= 0 && h < 2.0943951f) {
        b = (1 - s) * i;
        r = (1 + s * std::cos(h) / std::cos(1.04719755f - h)) * i;
        g = 3 * i - (r + b);
    } else if (h >= 2.0943951f && h < 4.1887902f) {
        r = (1 - s) * i;
        g = (1 + s * std::cos(h - 2.0943951f) / std::cos(3.14159265f - h)) * i;
        b = 3 * i - (r + g);
    } else {  // the last sector, also for a hue that rounding put beyond the full circle
        g = (1 - s) * i;
        b = (1 + s * std::cos(h - 4.1887902f) / std::cos(5.23598775f - h)) * i;
        r = 3 * i - (g + b);
    }
    return Store(out, ClampRound(r * 255), ClampRound(g * 255), ClampRound(b * 255));
}

// ---------------------------------------------------------------- HSV

inline float* RGBToHSV(float* out, std::uint32_t colour, int range) {
    if (range < 1 || range > 3) return nullptr;
    const float sector = range == 1 ? 42.5f : 60.0f;
    const float circle = range == 1 ? 255.0f : 360.0f;
    const float scale = range == 1 ? 255.0f : range == 2 ? 1.0f : 100.0f;
    const Bytes c = Split(colour);
    const float max = std::max({c.R, c.G, c.B}), min = std::min({c.R, c.G, c.B});
    const float d = max - min;
    if (max == 0) {
        out[0] = circle - 1;
        out[1] = 0.0f;
    } else {
        out[1] = d / max * scale;
        if (d == 0) {
            out[0] = 0.0f;
        } else {
            const float h = c.R == max ? (c.G - c.B) / d : c.G == max ? 2 + (c.B - c.R) / d : 4 + (c.R - c.G) / d;
            out[0] = sector * h;
            if (out[0] < 0) out[0] += circle;
        }
    }
    out[2] = float(double(max) / 255.0 * double(scale));
    return out;
}

inline RGBQUAD* HSVToRGB(RGBQUAD* out, const float* in, int range) {
    if (range < 1 || range > 3) return nullptr;
    const float sector = range == 1 ? 42.5f : 60.0f;
    const float scale = range == 1 ? 255.0f : range == 2 ? 1.0f : 100.0f;
    const float s = in[1] / scale, v = in[2] / scale;
    float r = v, g = v, b = v;
    if (s != 0) {
        const float h = in[0] / sector;
        const float i = std::floor(h);
        const float f = h - i, p = (1 - s) * v, q = (1 - f * s) * v, t = (1 - (1 - f) * s) * v;
        // Compared as a float: a huge or NaN hue must not reach an integer conversion.
        const int which = i >= 0 && i <= 4 ? int(i) : 5;
        switch (which) {
            case 0: r = v, g = t, b = p; break;
            case 1: r = q, g = v, b = p; break;
            case 2: r = p, g = v, b = t; break;
            case 3: r = p, g = q, b = v; break;
            case 4: r = t, g = p, b = v; break;
            default: r = v, g = p, b = q; break;
        }
    }
    return Store(out, ClampRound(r * 255), ClampRound(g * 255), ClampRound(b * 255));
}

// ---------------------------------------------------------------- HSL

inline float* RGBToHSL(float* out, std::uint32_t colour, int range) {
    if (range < 1 || range > 3) return nullptr;
    const int R = int((colour >> 16) & 0xFF), G = int((colour >> 8) & 0xFF), B = int(colour & 0xFF);
    const int max = std::max({R, G, B}), min = std::min({R, G, B});
    const float L = float((max + min + 1) * 255) / 510.0f;
    float H = 170.0f, S = 0.0f;
    if (max != min) {
        const int d = max - min;
        const int sum = max + min;
        S = L <= 127 ? (float(sum) / 2 + float(255 * d)) / float(sum)
                     : (float(510 - sum) / 2 + float(255 * d)) / float(510 - sum);
        S = std::min(S, 255.0f);
        const auto part = [&](int value) { return int((float(max - value) * 42.5f + float(d) / 2) / float(d)); };
        const int Rd = part(R), Gd = part(G), Bd = part(B);
        int hue = R == max ? Bd - Gd : G == max ? 85 + Rd - Bd : 170 + Gd - Rd;
        if (hue < 0) hue += 255;
        if (hue > 255) hue -= 255;
        H = float(hue);
    }
    static const float kFactors[3][2] = {{1.0f, 1.0f}, {1.4117647f, 0.003921569f}, {1.4117647f, 0.39215687f}};
    out[0] = H * kFactors[range - 1][0];
    out[1] = S * kFactors[range - 1][1];
    out[2] = L * kFactors[range - 1][1];
    return out;
}

inline RGBQUAD* HSLToRGB(RGBQUAD* out, const float* in, int range) {
    if (range < 1 || range > 3) return nullptr;
    const float h = range == 1 ? in[0] * 1.4117647f : in[0];
    const float unit = range == 1 ? 0.003921569f : range == 2 ? 1.0f : 0.01f;
    const float s = in[1] * unit, l = in[2] * unit;
    const float m2 = l <= 0.5f ? l * (1 + s) : l + s - l * s;
    const float m1 = 2 * l - m2;
    const auto F = [&](float hue) {
        if (hue > 360) hue -= 360;
        if (hue < 0) hue += 360;
        if (hue < 60) return m1 + (m2 - m1) * hue / 60;
        if (hue < 180) return m2;
        if (hue < 240) return m1 + (m2 - m1) * (240 - hue) / 60;
        return m1;
    };
    float r = l, g = l, b = l;
    if (s != 0) {
        r = F(h + 120);
        g = F(h);
        b = F(h - 120);
    }
    return Store(out, ClampTruncate(r * 255), ClampTruncate(g * 255), ClampTruncate(b * 255));
}

// ---------------------------------------------------------------- YIQ

inline float* RGBToYIQ(float* out, std::uint32_t colour, int range) {
    if (range < 1 || range > 4) return nullptr;
    const Bytes c = Split(colour);
    const auto& k = kYiqOfRgb;
    const float Y = k[0][0] * c.r + k[0][1] * c.g + k[0][2] * c.b;
    const float I = k[1][0] * c.r + k[1][1] * c.g + k[1][2] * c.b;
    const float Q = k[2][0] * c.r + k[2][1] * c.g + k[2][2] * c.b;
    switch (range) {
        case 1: out[0] = Y * 255, out[1] = I * 255 + 128, out[2] = Q * 255 + 128; break;
        case 2: out[0] = Y, out[1] = I + kYiqIShift, out[2] = Q + kYiqQShift; break;
        case 3: out[0] = Y * 100, out[1] = (I + kYiqIShift) * 100, out[2] = (Q + kYiqQShift) * 100; break;
        default: out[0] = Y, out[1] = I, out[2] = Q; break;
    }
    return out;
}

inline RGBQUAD* YIQToRGB(RGBQUAD* out, const float* in, int range) {
    if (range < 1 || range > 4) return nullptr;
    float Y = in[0], I = in[1] - 128, Q = in[2] - 128;  // range 1; the others are brought to it
    switch (range) {
        case 2: Y = in[0] * 255, I = (in[1] - kYiqIShift) * 255, Q = (in[2] - kYiqQShift) * 255; break;
        case 3: Y = in[0] * 2.55f, I = (in[1] / 100 - kYiqIShift) * 255, Q = (in[2] / 100 - kYiqQShift) * 255; break;
        case 4: Y = in[0] * 255, I = in[1] * 255, Q = in[2] * 255; break;
        default: break;
    }
    const auto& k = kRgbOfIq;
    return Store(out, ClampTruncate(Y + k[0][0] * I + k[0][1] * Q), ClampTruncate(Y + k[1][0] * I + k[1][1] * Q),
                 ClampTruncate(Y + k[2][0] * I + k[2][1] * Q));
}

// ---------------------------------------------------------------- YUV

inline float* RGBToYUV(float* out, std::uint32_t colour, int range) {
    if (range < 1 || range > 5) return nullptr;
    const Bytes c = Split(colour);
    const float Y = std::trunc(kYuv.yGreen * c.G + kYuv.yRed * c.R + kYuv.yBlue * c.B);
    const float U = std::trunc((c.B - Y) * kYuv.u + 128);
    const float V = std::trunc((c.R - Y) * kYuv.v + 128);
    switch (range) {
        case 1: out[0] = Y, out[1] = U, out[2] = V; break;
        case 2: out[0] = Y / 255, out[1] = U / 255, out[2] = V / 255; break;
        case 3: out[0] = Y / 2.55f, out[1] = U / 2.55f, out[2] = V / 2.55f; break;
        case 4: out[0] = Y / 255, out[1] = U * 0.872f / 255 - 0.436f, out[2] = V * 1.23f / 255 - 0.615f; break;
        default: out[0] = Y, out[1] = U * 224 / 255 + 16, out[2] = V * 314 / 255 - 157; break;
    }
    return out;
}

inline RGBQUAD* YUVToRGB(RGBQUAD* out, const float* in, int range) {
    if (range < 1 || range > 5) return nullptr;
    float Y = in[0], U = in[1], V = in[2];  // back to range 1 first
    switch (range) {
        case 2: Y *= 255, U *= 255, V *= 255; break;
        case 3: Y *= 2.55f, U *= 2.55f, V *= 2.55f; break;
        case 4: Y *= 255, U = (U + 0.436f) * 255 / 0.872f, V = (V + 0.615f) * 255 / 1.23f; break;
        case 5: U = (U - 16) * 255 / 224, V = (V + 157) * 255 / 314; break;
        default: break;
    }
    U -= 128;
    V -= 128;
    return Store(out, ClampTruncate(Y + kYuv.redV * V), ClampTruncate(Y - kYuv.greenU * U - kYuv.greenV * V),
                 ClampTruncate(Y + kYuv.blueU * U));
}

// ---------------------------------------------------------------- YCbCr

inline float* RGBToYCbCr(float* out, std::uint32_t colour, int range) {
    if (range != 1 && range != 2) return nullptr;
    const Bytes c = Split(colour);
    const double R = c.R, G = c.G, B = c.B;
    const YCbCrCoefficients& k = kYCbCr;
    double Y = k.yRed * R + k.yGreen * G + k.yBlue * B + 16;
    double Cb = k.chroma * B - (k.cbGreen * G + k.cbRed * R) + 128;
    double Cr = k.chroma * R - k.crGreen * G - k.crBlue * B + 128;
    if (range == 1) {
        Y = Y * k.yStretch - k.yShift;
        Cb = Cb * k.cStretch - k.cShift;
        Cr = Cr * k.cStretch - k.cShift;
    }
    out[0] = float(Y), out[1] = float(Cb), out[2] = float(Cr);
    return out;
}

inline RGBQUAD* YCbCrToRGB(RGBQUAD* out, const float* in, int range) {
    if (range != 1 && range != 2) return nullptr;
    double Y = in[0], Cb = in[1], Cr = in[2];
    if (range == 1) {
        Y = Y * 219 / 255 + 16;
        Cb = Cb * 224 / 255 + 16;
        Cr = Cr * 224 / 255 + 16;
    }
    const YCbCrCoefficients& k = kYCbCr;
    const double luma = k.luma * (Y - 16);
    return Store(out, ClampTruncate(luma + k.redCr * (Cr - 128)),
                 ClampTruncate(luma - k.greenCb * (Cb - 128) - k.greenCr * (Cr - 128)),
                 ClampTruncate(luma + k.blueCb * (Cb - 128)));
}

// ---------------------------------------------------------------- CIE XYZ

inline float* RGBToXYZ(float* out, std::uint32_t colour, int range) {
    if (range < 1 || range > 3) return nullptr;
    const Bytes c = Split(colour);
    const double r = c.r, g = c.g, b = c.b;
    const double factor = range == 1 ? 255.0 : range == 2 ? 1.0 : 100.0;
    const auto& k = kXyzOfRgb;
    out[0] = float((k[0][0] * r + k[0][1] * g + k[0][2] * b) * factor);
    out[1] = float((k[1][0] * r + k[1][1] * g + k[1][2] * b) * factor);
    out[2] = float((k[2][0] * r + k[2][1] * g + k[2][2] * b) * kXyzZScale * factor);
    return out;
}

inline RGBQUAD* XYZToRGB(RGBQUAD* out, const float* in, int range) {
    if (range < 1 || range > 3) return nullptr;
    const double divisor = range == 1 ? 255.0 : range == 2 ? 1.0 : 100.0;
    const double X = in[0] / divisor, Y = in[1] / divisor, Z = in[2] / divisor * kXyzZBack;
    const auto& k = kRgbOfXyz;
    return Store(out, ClampTruncate((k[0][0] * X + k[0][1] * Y + k[0][2] * Z) * 255),
                 ClampTruncate((k[1][0] * X + k[1][1] * Y + k[1][2] * Z) * 255),
                 ClampTruncate((k[2][0] * X + k[2][1] * Y + k[2][2] * Z) * 255));
}

// ---------------------------------------------------------------- CIE LAB

inline float* XYZToLAB(float* out, const float* xyz, int inputRange, int outputRange) {
    float v[3];
    if (outputRange < 1 || outputRange > 3 || !XyzTo255(xyz, inputRange, v)) return nullptr;
    const float fx = LabF(v[0] / kWhiteX), fy = LabF(v[1] / kWhiteY), fz = LabF(v[2] / kWhiteZ);
    const float L = 116 * fy - 16, A = 500 * (fx - fy), B = 200 * (fy - fz);
    switch (outputRange) {
        case 1: out[0] = L, out[1] = A, out[2] = B; break;
        case 2: out[0] = L / 255, out[1] = A / 255, out[2] = B / 255; break;
        default: out[0] = L / 2.55f, out[1] = A - 128, out[2] = B - 128; break;
    }
    return out;
}

inline float* LABToXYZ(float* out, const float* lab, int inputRange, int outputRange) {
    if (inputRange < 1 || inputRange > 3 || outputRange < 1 || outputRange > 3) return nullptr;
    float L = lab[0], A = lab[1], B = lab[2];
    if (inputRange == 2) L *= 255, A *= 255, B *= 255;
    if (inputRange == 3) L *= 2.55f, A += 128, B += 128;
    const float fy = (L + 16) / 116, fx = A / 500 + fy, fz = fy - B / 200;
    float v[3] = {LabFInverse(fx) * kWhiteX, LabFInverse(fy) * kWhiteY, LabFInverse(fz) * kWhiteZ};
    for (float& c : v) c = c > 0 ? std::min(c, 255.0f) : 0.0f;  // NaN too
    XyzFrom255(v, outputRange, out);
    return out;
}

inline float* RGBToLAB(float* out, std::uint32_t colour, int range) {
    if (range < 1 || range > 3) return nullptr;
    float xyz[3];
    RGBToXYZ(xyz, colour, 2);
    return XYZToLAB(out, xyz, 2, range);
}

// ---------------------------------------------------------------- CIE LUV

inline float* XYZToLUV(float* out, const float* xyz, int inputRange, int outputRange) {
    float v[3];
    if (outputRange < 1 || outputRange > 3 || !XyzTo255(xyz, inputRange, v)) return nullptr;
    const float d = v[0] + 15 * v[1] + 3 * v[2];
    // Black has no chromaticity: the white point's gives U = V = 0 instead of 0 / 0.
    const float u = d > 0 ? 4 * v[0] / d : kWhiteU, vv = d > 0 ? 9 * v[1] / d : kWhiteV;
    const float L = float(116 * LabFDouble(double(v[1]) / kWhiteY) - 16);
    const float U = 13 * L * (u - kWhiteU), V = 13 * L * (vv - kWhiteV);
    switch (outputRange) {
        case 1: out[0] = L, out[1] = U, out[2] = V; break;
        case 2: out[0] = L / 255, out[1] = U / 255, out[2] = V / 255; break;
        default: out[0] = L / 2.55f, out[1] = U * 1.388235294117647f - 134, out[2] = V * 1.003921568627451f - 140; break;
    }
    return out;
}

inline float* LUVToXYZ(float* out, const float* luv, int inputRange, int outputRange) {
    if (inputRange < 1 || inputRange > 3 || outputRange < 1 || outputRange > 3) return nullptr;
    float L = luv[0], U = luv[1], V = luv[2];
    if (inputRange == 2) L *= 255, U *= 255, V *= 255;
    if (inputRange == 3) L *= 2.55f, U = (U + 134) * 0.720339f, V = (V + 140) * 0.99609375f;
    float v[3] = {0, 0, 0};
    // L = 0 is black (u' and v' divide by 13 L); so is a zero divisor of X or Z, which
    // only components that no colour gives can produce.
    const float thirteenL = 13 * L;
    if (thirteenL != 0) {
        const float fy = (L + 16) / 116;
        const float Y = kWhiteY * LabFInverse(fy);
        const float u = U / thirteenL + kWhiteU, vv = V / thirteenL + kWhiteV;
        const float divisor = (u - 4) * vv - u * vv;
        if (vv != 0 && divisor != 0) {
            const float X = -9 * Y * u / divisor;
            const float Z = (9 * Y - 15 * vv * Y - X * vv) / (3 * vv);
            v[0] = X, v[1] = Y, v[2] = Z;
        }
    }
    for (float& c : v)
        if (!std::isfinite(c)) c = 0;
    XyzFrom255(v, outputRange, out);
    return out;
}

inline float* RGBToLUV(float* out, std::uint32_t colour, int range) {
    if (range < 1 || range > 3) return nullptr;
    float xyz[3];
    RGBToXYZ(xyz, colour, 2);
    return XYZToLUV(out, xyz, 2, range);
}

// ---------------------------------------------------------------- per-model forms

// CVelora::ToModel and FromModel for one model known at compile time (1..10, range 1).
template <int Model>
inline void ToModelT(std::uint32_t colour, float* out) {
    if constexpr (Model == kModelCMYK) RGBToCMYK(out, colour, 1);
    else if constexpr (Model == kModelHSI) RGBToHSI(out, colour, 1);
    else if constexpr (Model == kModelHSV) RGBToHSV(out, colour, 1);
    else if constexpr (Model == kModelHSL) RGBToHSL(out, colour, 1);
    else if constexpr (Model == kModelYIQ) RGBToYIQ(out, colour, 1);
    else if constexpr (Model == kModelYUV) RGBToYUV(out, colour, 1);
    else if constexpr (Model == kModelYCbCr) RGBToYCbCr(out, colour, 1);
    else if constexpr (Model == kModelCIEXYZ) RGBToXYZ(out, colour, 1);
    else if constexpr (Model == kModelCIELAB) RGBToLAB(out, colour, 1);
    else RGBToLUV(out, colour, 1);
}

template <int Model>
inline void FromModelT(const float* in, RGBQUAD& out) {
    if constexpr (Model == kModelCMYK) CMYKToRGB(&out, in, 1);
    else if constexpr (Model == kModelHSI) HSIToRGB(&out, in, 1);
    else if constexpr (Model == kModelHSV) HSVToRGB(&out, in, 1);
    else if constexpr (Model == kModelHSL) HSLToRGB(&out, in, 1);
    else if constexpr (Model == kModelYIQ) YIQToRGB(&out, in, 1);
    else if constexpr (Model == kModelYUV) YUVToRGB(&out, in, 1);
    else if constexpr (Model == kModelYCbCr) YCbCrToRGB(&out, in, 1);
    else if constexpr (Model == kModelCIEXYZ) XYZToRGB(&out, in, 1);
    else {
        float xyz[3];
        if constexpr (Model == kModelCIELAB) LABToXYZ(xyz, in, 1, 1);
        else LUVToXYZ(xyz, in, 1, 1);
        XYZToRGB(&out, xyz, 1);
    }
}

}  // namespace velora::detail
