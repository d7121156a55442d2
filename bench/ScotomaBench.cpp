// The scotoma as its dialog previews it (restore from the backup, then the operation), and the
// stimulus batch of the real-image list, on 2048 x 2048 24-bit images, at one thread and at the
// default thread count.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <vector>

#include "CVelora.h"
#include "StimulusBatch.h"

namespace {

constexpr std::int32_t kSide = 2048;

const CVelora& Source() {
    static const CVelora image = [] {
        std::vector<std::uint8_t> bits(std::size_t(CVelora::GetImageSize(kSide, kSide, 24)));
        std::mt19937 random(7u);
        for (auto& b : bits) b = std::uint8_t(random());
        return CVelora(bits.data(), nullptr, kSide, kSide, 24);
    }();
    return image;
}

// range(0): mode; range(1): threads (0 the default). The dialog's start: 1 and 3 degrees across,
// 4 up and down, at 40 cm on 1920 x 1080 pixels of 531 x 299 mm.
void BM_PreviewScotoma(benchmark::State& state) {
    CVelora::SetThreadCount(unsigned(state.range(1)));
    const CVelora& backup = Source();
    CVelora image = backup;
    for (auto _ : state) {
        image = backup;
        benchmark::DoNotOptimize(image.Scotoma(0, kSide / 2, kSide / 2, 25, 75, 103, 103, unsigned(state.range(0)), 0, 0));
    }
    CVelora::SetThreadCount(0);
}

// range(0): threads (0 the default). The files go to a scratch folder.
void BM_StimulusBatchReal(benchmark::State& state) {
    using namespace velora::catalog;
    CVelora::SetThreadCount(unsigned(state.range(0)));
    const std::string folder = (std::filesystem::temp_directory_path() / "velora-batch-bench").string();
    std::filesystem::create_directories(folder);
    BatchSettings settings;
    settings.translation = {1, 0, 5.0f, 45.0f};
    settings.scotoma = {0, 1, 0, 1, 3, 4, 4, 25, 75, 900, 103, 103, 900};
    settings.bands = 8;
    settings.monitor = DescribeMonitors(1, MonitorMeasures{1920, 1080, 531, 299, 0, 0}, nullptr);
    for (auto _ : state) benchmark::DoNotOptimize(RunBatch(Source(), BatchBasis::Real, settings, folder));
    std::filesystem::remove_all(folder);
    CVelora::SetThreadCount(0);
}

}  // namespace

BENCHMARK(BM_PreviewScotoma)->ArgsProduct({{0, 1}, {1, 0}})->ArgNames({"mode", "threads"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StimulusBatchReal)->Arg(1)->Arg(0)->ArgName("threads")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
