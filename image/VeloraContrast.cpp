// Contrast by fixed non-linear transfer functions (powers, roots, logarithm, sigmoids), in RGB
// or on the intensity component of a colour model, and its row-by-row step-by-step form.
#include <algorithm>
#include <cmath>
#include <string>

#include "CVelora.h"
#include "ModelPaths.h"
#include "PixelRow.h"
#include "LargeArrays.h"

using velora::detail::ReadPixel;
using velora::detail::WritePixel;
using velora::detail::RefuseWithoutMemory;

namespace {

constexpr double kPi = 3.1415926535;

// A sigmoid through (0, 0), (L/2, M) and (L, 2M), in double precision and in the formula's
// order. Alpha 0 would give 0 / 0; it takes the limit as alpha tends to 0, the line 2M x / L
// (the identity wherever M = L / 2 exactly).
double Sigmoid(int function, double x, double L, double M, float alpha) {
    if (alpha == 0.0f) return x * 2 * M / L;
    const double t = (x / L - 0.5) * double(alpha) * kPi;
    const double half = double(alpha) * kPi * 0.5;
    if (function == 5) return std::sin(t) * M / std::sin(half) + M;
    return std::tan(t) * M / std::tan(half) + M;
}

std::uint8_t ToByte(double v) {
    if (!(v > 0)) return 0;
    return v >= 255 ? 255 : std::uint8_t(v);
}

// The function on the integer levels 0..L (indices, or bytes with L = 255).
void BuildTable(int function, float alpha, int L, bool indexed, std::uint8_t* table) {
    const int N = L + 1;
    const double M = indexed ? double(L / 2) : 127.5;
    for (int x = 0; x < 256; ++x) {
        if (x > L) {
            table[x] = std::uint8_t(x);
            continue;
        }
        double value = 0;
        switch (function) {
            case 0: value = x * x / L; break;
            case 1: value = double(std::int64_t(x) * x * x / (std::int64_t(L) * L)); break;
            case 2: value = std::trunc(std::sqrt(float(x * L))); break;
            case 3: value = std::trunc(std::pow(float(x * L * L), 0.333333f)); break;
            case 4: value = std::trunc(std::log(float(x + 1)) / std::log(float(N)) * float(L)); break;
            default: value = std::trunc(Sigmoid(function, x, L, M, alpha)); break;
        }
        table[x] = ToByte(value);
    }
}

std::uint32_t ColourOf(const RGBQUAD& c) {
    return (std::uint32_t(c.rgbRed) << 16) | (std::uint32_t(c.rgbGreen) << 8) | c.rgbBlue;
}

const char* const kPhaseTexts[7] = {
    "  Aplicando FUNCIÓN CUADRADA ... ",          "  Aplicando FUNCIÓN CÚBICA ... ",
    "  Aplicando FUNCIÓN RAÍZ CUADRADA ... ",     "  Aplicando FUNCIÓN RAÍZ CÚBICA ... ",
    "  Aplicando FUNCIÓN LOGARÍTMICA ... ",       "  Aplicando FUNCIÓN SIGMOIDE SENOIDAL ... ",
    "  Aplicando FUNCIÓN SIGMOIDE TANGENCIAL ... ",
};

}  // namespace

namespace {
unsigned CheckNonLinear(const CVelora& image, int function, float alpha) {
    const unsigned depth = image.GetBitCount();
    if (!image.HasImage() || (depth != 4 && depth != 8 && depth != 24 && depth != 32)) return 1;
    if (!(alpha >= 0.0f && alpha <= 1.0f)) return 2;  // NaN as well
    if (function < 0 || function > 6) return 3;
    return 0;
}
}  // namespace

unsigned CVelora::NonLinearContrast(int colorModel, int function, float alpha) {
    return RefuseWithoutMemory(5, [&]() -> unsigned {
        if (const unsigned code = CheckNonLinear(*this, function, alpha)) return code;
        if (colorModel < 0 || colorModel >= kColorModelCount) return 4;
        const unsigned depth = GetBitCount();
        if (colorModel == kModelRGB) {
            std::uint8_t table[256];
            BuildTable(function, alpha, IsIndexed() ? (1 << depth) - 1 : 255, IsIndexed(), table);
            if (IsIndexed()) {
                if (!CoverRemappedIndices(table)) return 5;
                RemapIndices(table);
            } else
                RemapChannels(table, true, true, true);
            return 0;
        }
        if (!IsIndexed()) {
            velora::detail::NonLinearInModel({m_pchMapaBits, GetWidth(), GetHeight(), m_bytesPerRow, depth / 8u}, colorModel,
                                             function, alpha);
            return 0;
        }
        // The palette entries, each through the model and back.
        const auto [first, count] = velora::detail::NonLinearComponents(colorModel);
        for (std::uint32_t i = 0; i < PaletteEntries(); ++i) {
            float values[4] = {};
            ToModel(colorModel, ColourOf(m_pPaleta[i]), values);
            for (int c = first; c < first + count; ++c) values[c] = velora::detail::ModelTransfer(function, values[c], alpha);
            RGBQUAD result{};
            FromModel(colorModel, values, result);
            m_pPaleta[i] = RGBQUAD{result.rgbBlue, result.rgbGreen, result.rgbRed, m_pPaleta[i].rgbReserved};
        }
        return 0;
    });
}

unsigned CVelora::NonLinearContrastStepByStep(int function, float alpha, CStepProgress& progress) {
    if (const unsigned code = CheckNonLinear(*this, function, alpha)) return code;
    const unsigned depth = GetBitCount();
    std::uint8_t table[256];
    BuildTable(function, alpha, IsIndexed() ? (1 << depth) - 1 : 255, IsIndexed(), table);
    if (IsIndexed() && !CoverRemappedIndices(table)) return 5;
    const std::string phase = kPhaseTexts[function];
    progress.EnableControls(false);
    progress.SetProgressText(phase);
    const std::int64_t total = std::int64_t(GetWidth()) * GetHeight();
    const std::size_t step = depth / 8;
    for (std::int32_t y = 0; y < GetHeight(); ++y) {
        std::uint8_t* row = Row(y);
        if (IsIndexed()) {
            for (std::int32_t x = 0; x < GetWidth(); ++x) WritePixel(row, x, depth, table[ReadPixel(row, x, depth)]);
        } else {
            std::uint8_t* p = row;
            for (std::int32_t x = 0; x < GetWidth(); ++x, p += step) {
                p[0] = table[p[0]];
                p[1] = table[p[1]];
                p[2] = table[p[2]];
            }
        }
        progress.ShowWorkingImage(*this);
        // Rows of no pixels (width 0) are all done: 100%, not 0 / 0.
        const std::int64_t done = std::int64_t(y + 1) * GetWidth();
        progress.SetProgressText(phase + std::to_string(total > 0 ? done * 100 / total : 100) + "%");
        progress.Pause(20);
        if (progress.Stopped()) break;
    }
    progress.EnableControls(true);
    if (!progress.Stopped()) progress.SetProgressText("   Operación Finalizada ...         ");
    return 0;
}
