// The Fourier spectrum: the fast transform against the textbook loops, the black image, refusals, enabling.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "CVelora.h"
#include "CommandTable.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

struct Cplx {
    double re, im;
};

Cplx Mul(Cplx a, Cplx b) { return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }

// The plain transform: storage order, bit-reversal exchange, j outer with the twiddle advanced, log scale.
void NaiveSpectrum(CVelora& image, int form) {
    const int w = image.GetWidth(), h = image.GetHeight();
    const std::size_t n = std::size_t(w) * std::size_t(h);
    std::vector<Cplx> e(n);
    for (int row = 0; row < h; ++row)
        for (int x = 0; x < w; ++x) {
            const double v = image.GetPixel(x, h - 1 - row);
            e[std::size_t(row) * std::size_t(w) + std::size_t(x)] = {form == 1 ? v * std::pow(-1.0, x + row) : v, 0.0};
        }
    const int m = int(RoundHalfDown(std::log10(float(n)) / std::log10(2.0f)));
    std::size_t j = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (i < j) std::swap(e[i], e[j]);
        std::size_t k = n / 2;
        while (k <= j) {
            j -= k;
            k /= 2;
        }
        j += k;
    }
    for (int l = 1; l <= m; ++l) {
        const std::size_t le = std::size_t(1) << l, le2 = le / 2;
        Cplx u{1.0, 0.0};
        const double x = 3.14159265 / double(le2);
        const Cplx wt{std::cos(x), -std::sin(x)};
        for (std::size_t jj = 0; jj < le2; ++jj) {
            for (std::size_t i = jj; i < n; i += le) {
                const std::size_t ip = i + le2;
                const Cplx t = Mul(e[ip], u);
                e[ip] = {e[i].re - t.re, e[i].im - t.im};
                e[i] = {e[i].re + t.re, e[i].im + t.im};
            }
            u = Mul(u, wt);
        }
    }
    double largest = 0;
    for (const Cplx& c : e) largest = std::max(largest, std::log10(std::sqrt(c.re * c.re + c.im * c.im) + 1.0));
    const double colours = image.GetNumColors();
    for (std::size_t k = 0; k < n; ++k) {
        const double v = std::log10(std::sqrt(e[k].re * e[k].re + e[k].im * e[k].im) + 1.0);
        const double q = largest > 0 ? std::trunc(v * colours / largest) : 0.0;
        image.SetPixel(int(k % std::size_t(w)), h - 1 - int(k / std::size_t(w)), std::uint32_t(std::min(q, colours - 1)));
    }
}

}  // namespace

TEST(Spectrum, FastTransformGivesThePlainLoopsBytes) {
    // 2^17 values: cache blocks, paired stages and a last single one; one and two columns, padded rows.
    for (const auto& [w, h] : {std::pair{4, 4}, std::pair{8, 4}, std::pair{64, 32}, std::pair{256, 256}, std::pair{512, 256},
                               std::pair{1, 1}, std::pair{1, 16}, std::pair{2, 8}, std::pair{16, 2}, std::pair{2, 65536}})
        for (int form : {0, 1}) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " form " + std::to_string(form));
            const CVelora source = RandomImage(w, h, 8, unsigned(w + h + form), true);
            CVelora fast = source, naive = source;
            ASSERT_EQ(fast.Spectrum(form), 0u);
            NaiveSpectrum(naive, form);
            EXPECT_EQ(Block(fast), Block(naive));
        }
    // A short colour table scales to its own size.
    std::mt19937 rng(3);
    CVelora shortTable = ShortTableImage(32, 16, 8, 16, true, rng), naive = shortTable;
    ASSERT_EQ(shortTable.Spectrum(0), 0u);
    NaiveSpectrum(naive, 0);
    EXPECT_EQ(Block(shortTable), Block(naive));
}

TEST(Spectrum, AllBlackGivesZeroInBothForms) {
    // Nothing to scale: no division by the zero largest.
    for (int form : {0, 1}) {
        CVelora black(nullptr, nullptr, 16, 16, 8);
        ASSERT_EQ(black.Spectrum(form), 0u);
        EXPECT_EQ(Block(black), Block(CVelora(nullptr, nullptr, 16, 16, 8)));
    }
}

TEST(Spectrum, RefusalsAndTheCommandsEnablingAgree) {
    struct Case {
        int width, height, depth, form;
        unsigned code;
    };
    // The size before the depth, the depth before the form (single ranges and depths: CatalogTest).
    for (const Case& c : {Case{256, 200, 8, 0, 1}, Case{3, 5, 24, 0, 1}, Case{16, 16, 4, 9, 2}, Case{3, 8, 8, 0, 1},
                          Case{1, 16, 8, 1, 0}, Case{2, 1, 8, 0, 0}, Case{4, 4, 8, 0, 0}}) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " code " << c.code);
        CVelora image = RandomImage(c.width, c.height, c.depth, 1, true);
        // The menu command is offered exactly on the 8-bit images the library takes.
        CommandContext context;
        context.image = &image;
        if (c.depth == 8 && c.form == 0) {
            EXPECT_EQ(IsCommandEnabled(*FindCommand(kCmdFft), context), c.code == 0);
        }
        EXPECT_EQ(image.Spectrum(c.form), c.code);
    }
}
