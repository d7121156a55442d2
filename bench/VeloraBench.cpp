// Timings of loading, saving and the first operations on large images with random pixels
// (a fixed seed, so that every run measures the same content).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "CVelora.h"

namespace {

CVelora RandomImage(std::int32_t size, std::int32_t depth) {
    std::vector<std::uint8_t> bits(std::size_t(CVelora::GetImageSize(size, size, depth)));
    std::mt19937 random(20240611u);
    for (auto& b : bits) b = std::uint8_t(random());
    return CVelora(bits.data(), nullptr, size, size, depth);  // indexed depths get the gray ramp
}

const CVelora& Large24() {
    static const CVelora image = RandomImage(4096, 24);
    return image;
}

std::string TempPath() {
    return (std::filesystem::temp_directory_path() / ("velora_bench_" + std::to_string(getpid()) + ".bmp")).string();
}

void SetBytes(benchmark::State& state, const CVelora& image) {
    state.SetBytesProcessed(std::int64_t(state.iterations()) * image.GetSizeImage());
}

void BM_LoadBMPMemory(benchmark::State& state) {
    const std::vector<std::uint8_t> file = Large24().EncodeBMP();
    CVelora image;
    for (auto _ : state)
        if (image.LoadBMP(file.data(), file.size()) != 0) state.SkipWithError("LoadBMP failed");
    SetBytes(state, Large24());
}

void BM_SaveBMPMemory(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(Large24().EncodeBMP());
    SetBytes(state, Large24());
}

void BM_LoadBMPFile(benchmark::State& state) {
    const std::string path = TempPath();
    if (Large24().SaveBMP(path) != 0) state.SkipWithError("SaveBMP failed");
    CVelora image;
    for (auto _ : state)
        if (image.LoadBMP(path) != 0) state.SkipWithError("LoadBMP failed");
    std::filesystem::remove(path);
    SetBytes(state, Large24());
}

void BM_SaveBMPFile(benchmark::State& state) {
    const std::string path = TempPath();
    for (auto _ : state)
        if (Large24().SaveBMP(path) != 0) state.SkipWithError("SaveBMP failed");
    std::filesystem::remove(path);
    SetBytes(state, Large24());
}

// The negative of the luminance: complements the bytes of 24-bit pixels, remaps the indices
// of a gray 8-bit image.
void BM_Negative(benchmark::State& state) {
    CVelora image = RandomImage(4096, std::int32_t(state.range(0)));
    for (auto _ : state)
        if (image.Negative(1, 0, 0, 0) != 0) state.SkipWithError("Negative failed");
    SetBytes(state, image);
}

void BM_GetPixelScan(benchmark::State& state) {
    const CVelora& image = Large24();
    for (auto _ : state) {
        std::uint32_t sum = 0;
        for (std::int32_t y = 0; y < image.GetHeight(); ++y)
            for (std::int32_t x = 0; x < image.GetWidth(); ++x) sum += image.GetPixel(x, y);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * 4096 * 4096);
}

void BM_Flip(benchmark::State& state) {
    CVelora image = RandomImage(2048, 24);
    for (auto _ : state)
        if (image.Flip(int(state.range(0))) != 0) state.SkipWithError("Flip failed");
    SetBytes(state, image);
}

// Operations that change the image run on a fresh copy each time; the copy is not timed.
template <typename Op>
void OnFreshCopies(benchmark::State& state, const CVelora& source, Op op) {
    for (auto _ : state) {
        state.PauseTiming();
        CVelora image(source);
        state.ResumeTiming();
        if (op(image) != 0) state.SkipWithError("operation refused");
    }
    SetBytes(state, source);
}

void BM_ColorToGray(benchmark::State& state) {
    const CVelora source = RandomImage(2048, 24);
    OnFreshCopies(state, source, [](CVelora& image) { return image.ColorToGray(0); });
}

// Depths below 24 are for gray images: the source is a random image made gray.
void BM_ChangeColorDepth4(benchmark::State& state) {
    CVelora source = RandomImage(2048, 24);
    source.ColorToGray(0);
    OnFreshCopies(state, source, [](CVelora& image) { return image.ChangeColorDepth(4); });
}

// Two-colour images of 2048 x 2048 at 1 bit: smoothing by all six rules, and each set operation
// (b the image mirrored). Region growing over the whole image (threshold 255) from its centre,
// in city-block (0) and chessboard (1) rings.
void BM_BinarySmoothing(benchmark::State& state) {
    const CVelora source = RandomImage(2048, 1);
    OnFreshCopies(state, source, [](CVelora& image) { return image.BinarySmoothing({true, true, true, true, true, true}); });
}

void BM_SetOperation(benchmark::State& state) {
    const CVelora source = RandomImage(2048, 1);
    CVelora other = source;
    other.Flip(0);
    const unsigned code = unsigned(state.range(0));
    OnFreshCopies(state, source, [&](CVelora& image) { return image.SetOperation(code, &other); });
}

void BM_RegionGrowingWhole(benchmark::State& state) {
    const CVelora source = RandomImage(2048, 8);
    const unsigned distance = unsigned(state.range(0));
    OnFreshCopies(state, source, [distance](CVelora& image) { return image.RegionGrowing(1024, 1024, distance, 0, 255, 0xC8); });
}

}  // namespace

BENCHMARK(BM_LoadBMPMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveBMPMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBMPFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveBMPFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Negative)->Arg(24)->Arg(8)->ArgName("depth")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetPixelScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Flip)->Arg(0)->Arg(1)->ArgName("mode")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorToGray)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChangeColorDepth4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BinarySmoothing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetOperation)->DenseRange(0, 4)->ArgName("code")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegionGrowingWhole)->Arg(0)->Arg(1)->ArgName("distance")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
