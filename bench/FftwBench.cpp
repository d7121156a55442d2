// The spectrum beside FFTW's two-dimensional transform of the same size (velora_vs_fftw): a
// yardstick only, built where pkg-config finds fftw3. Ours: restore an 8-bit image and compute
// its spectrum (transform, magnitudes, log scale). FFTW: the pixels into its complex input and
// an out-of-place fftw_plan_dft_2d (FFTW_ESTIMATE, planned once). Minimum and median of the runs.
#include <fftw3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "CVelora.h"

namespace {

struct Times {
    double minimum, median;
};

Times Measure(int runs, const std::function<void()>& work) {
    work();  // warm-up
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2]};
}

}  // namespace

int main(int argc, char** argv) {
    int side = 2048, runs = 11;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--size") == 0) side = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
    }
    std::vector<std::uint8_t> bits(std::size_t(side) * std::size_t(side));
    std::mt19937 random(7u);
    for (auto& b : bits) b = std::uint8_t(random());
    const CVelora backup(bits.data(), nullptr, side, side, 8);
    CVelora image = backup;

    const std::size_t n = bits.size();
    auto* in = fftw_alloc_complex(n);
    auto* out = fftw_alloc_complex(n);
    const fftw_plan plan = fftw_plan_dft_2d(side, side, in, out, FFTW_FORWARD, FFTW_ESTIMATE);
    const Times fftw = Measure(runs, [&] {
        for (std::size_t i = 0; i < n; ++i) {
            in[i][0] = bits[i];
            in[i][1] = 0;
        }
        fftw_execute(plan);
    });
    std::printf("%d x %d, %d runs (ms)          minimum   median   ratio to FFTW\n", side, side, runs);
    std::printf("FFTW dft_2d (one thread)     %8.1f %8.1f\n", fftw.minimum, fftw.median);
    for (unsigned threads : {1u, 0u}) {
        CVelora::SetThreadCount(threads);
        const Times ours = Measure(runs, [&] {
            image = backup;
            if (image.Spectrum(1) != 0) std::abort();
        });
        std::printf("Spectrum (%s)   %8.1f %8.1f   %5.2f\n", threads == 1 ? "one thread     " : "default threads", ours.minimum,
                    ours.median, ours.minimum / fftw.minimum);
    }
    fftw_destroy_plan(plan);
    fftw_free(in);
    fftw_free(out);
    return 0;
}
