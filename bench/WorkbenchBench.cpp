// What the workbench does on screen: turning a whole 4096 x 4096 image of each depth into
// the display copy (done once per change, never per paint), and one status read-out (done
// on every mouse move).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "CVelora.h"
#include "StatusReadout.h"

namespace {

CVelora Random4096(std::int32_t depth) {
    std::vector<std::uint8_t> bits(std::size_t(CVelora::GetImageSize(4096, 4096, depth)));
    std::mt19937 random(7u);
    for (auto& b : bits) b = std::uint8_t(random());
    return CVelora(bits.data(), nullptr, 4096, 4096, depth);
}

void BM_DisplayConversion(benchmark::State& state) {
    const CVelora image = Random4096(std::int32_t(state.range(0)));
    std::vector<std::uint32_t> display(std::size_t(4096) * 4096);
    for (auto _ : state) {
        image.ConvertToRGB32(0, 4096, display.data(), 4096);
        benchmark::DoNotOptimize(display.data());
    }
}

void BM_StatusReadout(benchmark::State& state) {
    const CVelora image = Random4096(std::int32_t(state.range(0)));
    const bool gray = image.IsGray();  // the view keeps it until the image changes
    int x = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PixelReadout(image, x, 2048, 0, gray));
        x = (x + 1) & 4095;
    }
}

}  // namespace

BENCHMARK(BM_DisplayConversion)->Arg(1)->Arg(4)->Arg(8)->Arg(24)->Arg(32)->ArgName("depth")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StatusReadout)->Arg(8)->Arg(24)->ArgName("depth")->Unit(benchmark::kMicrosecond);
