// Two-colour images: binary smoothing by Boolean neighbourhood rules, and the set operations
// whose members are the pixels of index 0. Row y counts from the top.
#include <algorithm>
#include <array>
#include <string>

#include "CVelora.h"

namespace {

// ---------------------------------------------------------------- binary smoothing

std::string SmoothingRunning(int rule) { return "   " + std::to_string(rule) + ")  EN EJECUCIÓN ... "; }
constexpr const char* kSmoothingDone = "   SUAVIZADO REALIZADO:   0 (Negro) -> Fondo;   1 (Blanco) -> Región de interés";

// The new value of p under rule 1..6, from its 3x3 neighbourhood (each 0 or 1).
bool SmoothingRule(int rule, bool nw, bool n, bool ne, bool w, bool p, bool e, bool sw, bool s, bool se) {
    switch (rule) {
        case 1: return p || (n && s && (w || e)) || (w && e && (n || s));
        case 2: return p && (((nw || n || w) && (e || s || se)) || ((n || ne || e) && (w || sw || s)));
        case 3: return p || (w && sw && s && !(nw || n || ne || e || se));
        case 4: return p || (e && s && se && !(nw || n || ne || w || sw));
        case 5: return p || (nw && n && w && !(ne || e || sw || s || se));
        default: return p || (n && ne && e && !(nw || w || sw || s || se));
    }
}

// One rule over the inner pixels of source, written into target (a copy of source).
template <typename AfterRow>
void SmoothRows(const CVelora& source, CVelora& target, int rule, AfterRow afterRow) {
    const std::int32_t width = source.GetWidth(), height = source.GetHeight();
    const auto at = [&](std::int32_t x, std::int32_t y) { return source.GetPixel(x, y) == 1; };
    for (std::int32_t y = 0; y < height; ++y) {
        if (y > 0 && y < height - 1) {
            for (std::int32_t x = 1; x < width - 1; ++x) {
                const bool value = SmoothingRule(rule, at(x - 1, y - 1), at(x, y - 1), at(x + 1, y - 1), at(x - 1, y),
                                                 at(x, y), at(x + 1, y), at(x - 1, y + 1), at(x, y + 1), at(x + 1, y + 1));
                target.SetPixel(x, y, value ? 1 : 0);
            }
        }
        if (!afterRow(y)) return;
    }
}

}  // namespace

unsigned CVelora::BinarySmoothing(const std::array<bool, 6>& rules) {
    if (!HasImage() || GetBitCount() != 1) return 1;
    for (int rule = 1; rule <= 6; ++rule) {
        if (!rules[rule - 1]) continue;
        CVelora next(*this);
        if (!next.HasImage()) return 2;
        SmoothRows(*this, next, rule, [](std::int32_t) { return true; });
        ReplaceKeepingName(std::move(next));
    }
    return 0;
}

unsigned CVelora::BinarySmoothingStepByStep(const std::array<bool, 6>& rules, CStepProgress& progress) {
    if (!HasImage() || GetBitCount() != 1) return 1;
    progress.EnableControls(false);
    for (int rule = 1; rule <= 6 && !progress.Stopped(); ++rule) {
        if (!rules[rule - 1]) continue;
        progress.SetProgressText(SmoothingRunning(rule));
        CVelora next(*this);
        if (!next.HasImage()) {
            progress.EnableControls(true);
            return 2;
        }
        SmoothRows(*this, next, rule, [&](std::int32_t y) {
            progress.ShowWorkingImage(next);
            progress.SetProgressText(SmoothingRunning(rule) + std::to_string(100 * y / GetHeight()) + "%");
            progress.Pause(20);
            return !progress.Stopped();
        });
        ReplaceKeepingName(std::move(next));
    }
    progress.EnableControls(true);
    if (!progress.Stopped()) progress.SetProgressText(kSmoothingDone);
    return 0;
}

// ---------------------------------------------------------------- set operations

unsigned CVelora::SetOperation(unsigned code, const CVelora* b) {
    if (code > 4) return 1;
    const auto twoColours = [](const CVelora* im) { return im && im->HasImage() && im->IsIndexed() && im->GetNumColors() == 2; };
    if (!twoColours(this) || (code >= 2 && !twoColours(b))) return 2;
    const std::int32_t width = GetWidth(), height = GetHeight();
    if (code == 0) {
        if (!IsGray()) return Negative(1, 0, 0, 0) == 0 ? 0 : 3;
        for (std::int32_t y = 0; y < height; ++y)
            for (std::int32_t x = 0; x < width; ++x) {
                const std::uint32_t i = GetPixel(x, y);
                if (i <= 1) SetPixel(x, y, 1 - i);
            }
        return 0;
    }
    if (code == 1) return Flip(0) == 0 && Flip(1) == 0 ? 0 : 3;
    const CVelora other(*b);  // b may be this image
    if (!other.HasImage()) return 3;
    const std::int32_t w = std::min(width, other.GetWidth()), h = std::min(height, other.GetHeight());
    for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x) {
            const bool a0 = GetPixel(x, y) == 0;
            const std::uint32_t bv = other.GetPixel(x, y);
            std::uint32_t out;
            if (code == 2)
                out = (a0 || bv == 0) ? 0 : 1;
            else if (code == 3)
                out = (a0 && bv == 0) ? 0 : 1;
            else
                out = (a0 && bv == 1) ? 0 : 1;
            SetPixel(x, y, out);
        }
    return 0;
}

