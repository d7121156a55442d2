// What a dialog's preview costs on every slider move: restoring the image from the backup
// copy and applying the operation, on 2048 x 2048 images of 24 and 8 bits. The colour-model
// paths convert every pixel (or palette entry) and back.
#include <benchmark/benchmark.h>

#include <array>
#include <functional>
#include <initializer_list>
#include <random>
#include <utility>
#include <vector>

#include "CVelora.h"

namespace {

constexpr std::int32_t kSide = 2048;

const CVelora& Source(int depth) {
    static const auto make = [](int d) {
        std::vector<std::uint8_t> bits(std::size_t(CVelora::GetImageSize(kSide, kSide, d)));
        std::mt19937 random(7u);
        for (auto& b : bits) b = std::uint8_t(random());
        return CVelora(bits.data(), nullptr, kSide, kSide, d);  // 8 bits: gray ramp
    };
    static const CVelora rgb = make(24), gray = make(8), binary = make(1);
    return depth == 24 ? rgb : depth == 1 ? binary : gray;
}

void Refresh(benchmark::State& state, const std::function<unsigned(CVelora&)>& operation) {
    const CVelora& backup = Source(int(state.range(0)));
    CVelora image = backup;
    for (auto _ : state) {
        image = backup;
        benchmark::DoNotOptimize(operation(image));
    }
}

void BM_PreviewNegative(benchmark::State& s) { Refresh(s, [](CVelora& im) { return im.Negative(1, 0, 0, 0); }); }
void BM_PreviewBrightness(benchmark::State& s) { Refresh(s, [](CVelora& im) { return im.Brightness(35); }); }
void BM_PreviewGamma(benchmark::State& s) { Refresh(s, [](CVelora& im) { return im.Gamma(1.6f); }); }
void BM_PreviewLinearContrast(benchmark::State& s) {
    Refresh(s, [](CVelora& im) { return im.LinearContrast(30, 200, 0, 255, 1, 0, 0, 0); });
}
void BM_PreviewNonLinearRGB(benchmark::State& s) {
    const int function = int(s.range(1));
    Refresh(s, [function](CVelora& im) { return im.NonLinearContrast(0, function, 0.5f); });
}
void BM_PreviewEqualizeRGB(benchmark::State& s) { Refresh(s, [](CVelora& im) { return im.Equalize(0, 0); }); }
void BM_RestoreOnly(benchmark::State& s) { Refresh(s, [](CVelora&) { return 0u; }); }
void BM_PreviewRearrangePaletteChannels(benchmark::State& s) {
    Refresh(s, [](CVelora& im) { return im.RearrangePaletteChannels(2, 0, 1); });
}
void BM_PreviewSetChannelPalette(benchmark::State& s) { Refresh(s, [](CVelora& im) { return im.SetChannelPalette(0); }); }

// The colour-model paths. The non-linear contrast dialog keeps a CModelPreview over its
// backup; each refresh restores the image and applies the operation through it. Equalize has
// no dialog: restore and the plain call. Thread counts 1 and 0 (the default).
void BM_PreviewNonLinearModel(benchmark::State& s) {
    const int model = int(s.range(1)), function = int(s.range(2));
    CVelora::SetThreadCount(unsigned(s.range(3)));
    const CVelora& backup = Source(int(s.range(0)));
    CModelPreview preview(backup);
    CVelora image = backup;
    preview.NonLinearContrast(image, model, function, 0.5f);  // what the first refresh keeps
    for (auto _ : s) {
        image = backup;
        benchmark::DoNotOptimize(preview.NonLinearContrast(image, model, function, 0.5f));
    }
    CVelora::SetThreadCount(0);
}
// The first refresh of a dialog: what the preview keeps for the model, then the operation.
void BM_PreviewNonLinearModelFirst(benchmark::State& s) {
    const int model = int(s.range(1));
    CVelora::SetThreadCount(unsigned(s.range(2)));
    const CVelora& backup = Source(int(s.range(0)));
    CVelora image = backup;
    for (auto _ : s) {
        CModelPreview preview(backup);
        image = backup;
        benchmark::DoNotOptimize(preview.NonLinearContrast(image, model, 6, 0.5f));
    }
    CVelora::SetThreadCount(0);
}
// The plain call, as the command line and a dialog's "Aceptar" without preview run it.
void BM_NonLinearModelPlain(benchmark::State& s) {
    const int model = int(s.range(1)), function = int(s.range(2));
    CVelora::SetThreadCount(unsigned(s.range(3)));
    Refresh(s, [model, function](CVelora& im) { return im.NonLinearContrast(model, function, 0.5f); });
    CVelora::SetThreadCount(0);
}
void BM_PreviewEqualizeModel(benchmark::State& s) {
    const int model = int(s.range(1));
    CVelora::SetThreadCount(unsigned(s.range(2)));
    Refresh(s, [model](CVelora& im) { return im.Equalize(model, 0); });
    CVelora::SetThreadCount(0);
}
void BM_SplitChannels(benchmark::State& s) {
    const int model = int(s.range(1));
    CVelora::SetThreadCount(unsigned(s.range(2)));
    const CVelora& source = Source(int(s.range(0)));
    std::vector<CVelora> parts;
    for (int i = 0; i < 4; ++i) parts.push_back(CVelora::WithTable(kSide, kSide, 8, 256));
    for (auto _ : s)
        benchmark::DoNotOptimize(source.SplitChannels(model, &parts[0], &parts[1], &parts[2], &parts[3]));
    CVelora::SetThreadCount(0);
}

void Depths(benchmark::internal::Benchmark* b) { b->Arg(24)->Arg(8)->ArgName("depth")->Unit(benchmark::kMillisecond); }
void DepthsAndModels(benchmark::internal::Benchmark* b) {
    for (int depth : {24, 8})
        for (int model = 1; model <= 10; ++model)
            for (int threads : {1, 0}) b->Args({depth, model, threads});
    b->ArgNames({"depth", "model", "threads"})->Unit(benchmark::kMillisecond);
}
void ModelsAndFunctions(benchmark::internal::Benchmark* b) {
    for (int model = 1; model <= 10; ++model)
        for (int function = 0; function <= 6; ++function)
            for (int threads : {1, 0}) b->Args({24, model, function, threads});
    b->ArgNames({"depth", "model", "function", "threads"})->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_RestoreOnly)->Apply(Depths);
BENCHMARK(BM_PreviewNegative)->Apply(Depths);
BENCHMARK(BM_PreviewBrightness)->Apply(Depths);
BENCHMARK(BM_PreviewGamma)->Apply(Depths);
BENCHMARK(BM_PreviewLinearContrast)->Apply(Depths);
BENCHMARK(BM_PreviewEqualizeRGB)->Apply(Depths);
BENCHMARK(BM_PreviewNonLinearRGB)
    ->ArgsProduct({{24, 8}, {0, 1, 2, 3, 4, 5, 6}})
    ->ArgNames({"depth", "function"})
    ->Unit(benchmark::kMillisecond);
// The palette dialogs: restore, then work on the 256 entries only (8 bits).
BENCHMARK(BM_PreviewRearrangePaletteChannels)->Arg(8)->ArgName("depth")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewSetChannelPalette)->Arg(8)->ArgName("depth")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewNonLinearModel)->Apply(ModelsAndFunctions);
BENCHMARK(BM_PreviewNonLinearModelFirst)->Apply(DepthsAndModels);
BENCHMARK(BM_NonLinearModelPlain)->Apply(ModelsAndFunctions);
BENCHMARK(BM_PreviewEqualizeModel)->Apply(DepthsAndModels);
BENCHMARK(BM_SplitChannels)->Apply(DepthsAndModels);

// ---- Row-parallel operations, each at one thread (threads:1) and at the default count
// (threads:0). Sources: 24 colour, 8 the gray ramp, 124 a 24-bit image whose bytes are gray.
namespace {

const CVelora& ThreadedSource(int kind) {
    static const CVelora gray24 = [] {
        CVelora made = Source(24);
        made.ColorToGray(1);
        return made;
    }();
    static const CVelora withAlpha = [] {
        CVelora made = Source(24);
        made.ChangeColorDepth(4);
        return made;
    }();
    return kind == 124 ? gray24 : kind == 32 ? withAlpha : Source(kind);
}

void Threaded(benchmark::State& state, const std::function<unsigned(CVelora&)>& operation) {
    CVelora::SetThreadCount(unsigned(state.range(1)));
    const CVelora& backup = ThreadedSource(int(state.range(0)));
    CVelora image = backup;
    for (auto _ : state) {
        image = backup;
        benchmark::DoNotOptimize(operation(image));
    }
    CVelora::SetThreadCount(0);
}

void BM_ThreadedRestoreOnly(benchmark::State& s) { Threaded(s, [](CVelora&) { return 0u; }); }
void BM_ThreadedNegative(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Negative(1, 0, 0, 0); }); }
void BM_ThreadedBrightness(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Brightness(35); }); }
void BM_ThreadedGamma(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Gamma(1.6f); }); }
void BM_ThreadedLinearContrast(benchmark::State& s) {
    Threaded(s, [](CVelora& im) { return im.LinearContrast(30, 200, 0, 255, 0, 1, 1, 1); });
}
void BM_ThreadedNonLinearRGB(benchmark::State& s) {
    Threaded(s, [](CVelora& im) { return im.NonLinearContrast(0, 6, 0.5f); });
}
void BM_ThreadedColorToGray(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.ColorToGray(0); }); }
// 24 -> 8 (gray source), 8 -> 24, 24 -> 1, 8 -> 4, 24 -> 32.
void BM_ChangeColorDepth(benchmark::State& s) {
    const int code = int(s.range(2));
    Threaded(s, [code](CVelora& im) { return im.ChangeColorDepth(code); });
}
// Mode 0 mirrors, 1 turns upside down, 2 does both.
void BM_Flip(benchmark::State& s) {
    const int mode = int(s.range(2));
    Threaded(s, [mode](CVelora& im) { return mode == 2 ? im.Flip(0) | im.Flip(1) : im.Flip(mode); });
}
// The factor in hundredths.
void BM_Scale(benchmark::State& s) {
    const float factor = float(s.range(2)) / 100.0f;
    Threaded(s, [factor](CVelora& im) { return im.Scale(factor, factor, 0); });
}

void DepthsAndThreads(benchmark::internal::Benchmark* b) {
    b->ArgsProduct({{24, 8}, {1, 0}})->ArgNames({"depth", "threads"})->Unit(benchmark::kMillisecond);
}
void WithThreads(benchmark::internal::Benchmark* b, std::initializer_list<std::pair<int, int>> sourceAndArg,
                 const char* argName) {
    for (const auto& [source, arg] : sourceAndArg)
        for (int threads : {1, 0}) b->Args({source, threads, arg});
    b->ArgNames({"source", "threads", argName})->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_ThreadedRestoreOnly)->Apply(DepthsAndThreads);
BENCHMARK(BM_ThreadedNegative)->Apply(DepthsAndThreads);
BENCHMARK(BM_ThreadedBrightness)->Apply(DepthsAndThreads);
BENCHMARK(BM_ThreadedGamma)->Apply(DepthsAndThreads);
BENCHMARK(BM_ThreadedLinearContrast)->Apply(DepthsAndThreads);
BENCHMARK(BM_ThreadedNonLinearRGB)->Apply(DepthsAndThreads);
BENCHMARK(BM_ThreadedColorToGray)->Apply(DepthsAndThreads);
BENCHMARK(BM_ChangeColorDepth)->Apply([](benchmark::internal::Benchmark* b) {
    WithThreads(b, {{124, 2}, {8, 3}, {24, 0}, {8, 1}, {24, 4}}, "code");
});
BENCHMARK(BM_Flip)->Apply([](benchmark::internal::Benchmark* b) {
    WithThreads(b, {{24, 0}, {24, 1}, {24, 2}, {8, 0}, {8, 1}}, "mode");
});
BENCHMARK(BM_Scale)->Apply([](benchmark::internal::Benchmark* b) {
    WithThreads(b, {{24, 50}, {24, 200}, {24, 137}, {8, 50}, {8, 200}, {8, 137}}, "factor");
});

// ---- Thresholds: the global threshold at 24 and 8 bits; the local one (8 bits, the dialog's
// mean and block range) with blocks of one pixel (a table), of 2 and 8 (narrow: chosen block
// by block) and of a quarter of the side.
namespace {

void BM_Threshold(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Threshold(128, 0, 255); }); }
void BM_LocalThreshold(benchmark::State& s) {
    const int side = int(s.range(2));
    Threaded(s, [side](CVelora& im) { return im.LocalThreshold(side, side, -1, 0); });
}

}  // namespace

BENCHMARK(BM_Threshold)->Apply(DepthsAndThreads);
BENCHMARK(BM_LocalThreshold)->Apply([](benchmark::internal::Benchmark* b) {
    WithThreads(b, {{8, 1}, {8, 2}, {8, 8}, {8, kSide / 4}}, "block");
});

// ---- Gray-level operations: restore and apply, at one thread and at the default count.
// Gray bands take gray images only: the 24-bit source is the one with gray bytes (124).
namespace {

void BM_GraySlice(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.GrayLevelSlice(1, 60, 180, 255, 0); }); }
void BM_EraseBitPlanes(benchmark::State& s) {
    Threaded(s, [](CVelora& im) {
        std::array<int, 24> flags{};
        flags[23 - 0] = flags[23 - 3] = flags[23 - 7] = flags[23 - 12] = 1;
        return im.EraseBitPlanes(flags);
    });
}
void BM_ExtractBitPlane(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.ExtractBitPlane(6); }); }
void BM_GrayBands(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.GrayBands(24); }); }
void BM_FalseColor(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.FalseColor(); }); }
void BM_ColorBalance(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.ColorBalance(30, -45, 10); }); }

void GraySourcesAndThreads(benchmark::internal::Benchmark* b) {
    b->ArgsProduct({{124, 8}, {1, 0}})->ArgNames({"source", "threads"})->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_GraySlice)->Apply(DepthsAndThreads);
BENCHMARK(BM_EraseBitPlanes)->Apply(DepthsAndThreads);
BENCHMARK(BM_ExtractBitPlane)->Apply(DepthsAndThreads);
BENCHMARK(BM_GrayBands)->Apply(GraySourcesAndThreads);
BENCHMARK(BM_FalseColor)->Apply(DepthsAndThreads);
BENCHMARK(BM_ColorBalance)->Apply(DepthsAndThreads);

// ---- Whole-image writes: filling (the fill dialog's index or colour) and the alpha channel
// (sources 24 and 8 for filling, 32 for alpha), each at one thread and at the default count.
namespace {

void BM_PreviewFillIndex(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.FillIndex(0x80); }); }
void BM_PreviewInitializeRGB(benchmark::State& s) {
    Threaded(s, [](CVelora& im) { return im.InitializeRGB(RGBQUAD{10, 128, 250, 0}); });
}
void BM_PreviewSetAlfa(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.SetAlfa(std::uint8_t(77)); }); }
void BM_PreviewAlphaMean(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.AlphaOperation(3); }); }

void SourcesAndThreads(benchmark::internal::Benchmark* b, std::initializer_list<int> sources) {
    for (int source : sources)
        for (int threads : {1, 0}) b->Args({source, threads});
    b->ArgNames({"source", "threads"})->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_PreviewFillIndex)->Apply([](benchmark::internal::Benchmark* b) { SourcesAndThreads(b, {24, 8}); });
BENCHMARK(BM_PreviewInitializeRGB)->Apply([](benchmark::internal::Benchmark* b) { SourcesAndThreads(b, {24, 8}); });
BENCHMARK(BM_PreviewSetAlfa)->Apply([](benchmark::internal::Benchmark* b) { SourcesAndThreads(b, {32}); });
BENCHMARK(BM_PreviewAlphaMean)->Apply([](benchmark::internal::Benchmark* b) { SourcesAndThreads(b, {32}); });

// ---- Warps: the dialogs' defaults (ripple 25/30, swirl 125 degrees in a radius of 100 and
// in the whole picture, shear 10 %), on one thread and on the default count.
namespace {

void BM_PreviewEllipse(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Ellipse(); }); }
void BM_PreviewRipple(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Ripple(25, 30, 0, 0); }); }
void BM_PreviewSwirl(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Swirl(125, 100); }); }
void BM_PreviewSwirlWhole(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Swirl(125, kSide); }); }
void BM_PreviewShearRows(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Shear(0, 10, 0); }); }
void BM_PreviewShearColumns(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Shear(2, 10, 0); }); }
void BM_PreviewShearBoth(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Shear(9, 10, 0); }); }

void WarpArgs(benchmark::internal::Benchmark* b) {
    for (int depth : {24, 8})
        for (int threads : {1, 0}) b->Args({depth, threads});
    b->ArgNames({"depth", "threads"})->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_PreviewEllipse)->Apply(WarpArgs);
BENCHMARK(BM_PreviewRipple)->Apply(WarpArgs);
BENCHMARK(BM_PreviewSwirl)->Apply(WarpArgs);
BENCHMARK(BM_PreviewSwirlWhole)->Apply(WarpArgs);
BENCHMARK(BM_PreviewShearRows)->Apply(WarpArgs);
BENCHMARK(BM_PreviewShearColumns)->Apply(WarpArgs);
BENCHMARK(BM_PreviewShearBoth)->Apply(WarpArgs);

// ---- Translation: the preview of the translation dialog (restore, then translate), keeping
// the size (mode 1) and growing it (mode 0), at one thread and at the default count.
namespace {

void BM_PreviewTranslate(benchmark::State& state) {
    CVelora::SetThreadCount(unsigned(state.range(1)));
    const CVelora& backup = Source(int(state.range(0)));
    const int mode = int(state.range(2));
    CVelora image = backup;
    for (auto _ : state) {
        image = backup;
        benchmark::DoNotOptimize(image.Translate(mode, 101, -37, 0x604020));
    }
    CVelora::SetThreadCount(0);
}

}  // namespace

BENCHMARK(BM_PreviewTranslate)
    ->ArgsProduct({{24, 8, 1}, {1, 0}, {1, 0}})
    ->ArgNames({"depth", "threads", "mode"})
    ->Unit(benchmark::kMillisecond);

// ---- Geometry: the rotation dialog's refresh (in the plane, and with a turn in depth), the
// in-plane rotation into a new size, the crop dialog's and the scaling dialog's, on 24 and
// 8 bits, each at one thread and at the default count.
namespace {

void BM_PreviewRotate3DPlane(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Rotate3D(1, 0, 0, 30, 0); }); }
void BM_PreviewRotate3DDepth(benchmark::State& s) {
    Threaded(s, [](CVelora& im) { return im.Rotate3D(1, 20, 35, 30, 0); });
}
void BM_PreviewRotateNewSize(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Rotate(0, 30, 0); }); }
void BM_PreviewCrop(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Crop(0, 0, 1024, 1024); }); }
void BM_PreviewScale(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Scale(1.37f, 0.8f, 0); }); }

void GeometryArgs(benchmark::internal::Benchmark* b) {
    b->ArgsProduct({{24, 8}, {1, 0}})->ArgNames({"source", "threads"})->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_PreviewRotate3DPlane)->Apply(GeometryArgs);
BENCHMARK(BM_PreviewRotate3DDepth)->Apply(GeometryArgs);
BENCHMARK(BM_PreviewRotateNewSize)->Apply(GeometryArgs);
BENCHMARK(BM_PreviewCrop)->Apply(GeometryArgs);
BENCHMARK(BM_PreviewScale)->Apply(GeometryArgs);

// ---- Convolution filters and emboss: the 3x3 and 11x11 masks (clamped, replicated border),
// the mean 3x3 rescaled (all sums kept first), the medians, Sobel and emboss, on 24 and 8
// bits, each at one thread and at the default count.
namespace {

void Filter(benchmark::State& s, int index, int rangeMode, int borderMode) {
    Threaded(s, [=](CVelora& im) { return im.PredefinedFilter(index, rangeMode, borderMode); });
}
void BM_FilterMean3x3(benchmark::State& s) { Filter(s, 16, 1, 2); }
void BM_FilterMean3x3Rescaled(benchmark::State& s) { Filter(s, 16, 0, 0); }
void BM_FilterEnhance3x3(benchmark::State& s) { Filter(s, 6, 1, 1); }
void BM_FilterLoG11x11(benchmark::State& s) { Filter(s, 65, 1, 2); }
void BM_FilterSobel(benchmark::State& s) { Filter(s, 50, 2, 2); }
void BM_FilterMedian3x3(benchmark::State& s) { Filter(s, 22, 0, 0); }
void BM_FilterMedian5x5(benchmark::State& s) { Filter(s, 23, 0, 0); }
void BM_FilterMedian9x9(benchmark::State& s) { Filter(s, 25, 0, 0); }
void BM_PreviewEmboss(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Emboss(3); }); }

void FilterArgs(benchmark::internal::Benchmark* b) {
    b->ArgsProduct({{24, 8}, {1, 0}})->ArgNames({"source", "threads"})->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_FilterMean3x3)->Apply(FilterArgs);
BENCHMARK(BM_FilterMean3x3Rescaled)->Apply(FilterArgs);
BENCHMARK(BM_FilterEnhance3x3)->Apply(FilterArgs);
BENCHMARK(BM_FilterLoG11x11)->Apply(FilterArgs);
BENCHMARK(BM_FilterSobel)->Apply(FilterArgs);
BENCHMARK(BM_FilterMedian3x3)->Apply(FilterArgs);
BENCHMARK(BM_FilterMedian5x5)->Apply(FilterArgs);
BENCHMARK(BM_FilterMedian9x9)->Apply(FilterArgs);
BENCHMARK(BM_PreviewEmboss)->ArgsProduct({{8}, {1, 0}})->ArgNames({"source", "threads"})->Unit(benchmark::kMillisecond);

// ---- Operations between images: the refresh of the arithmetic and logical dialogs (restore
// A, combine it with B), on 24 and 8 bits, at one thread and at the default count. B is A
// mirrored, so that the two differ everywhere.
namespace {

const CVelora& SecondImage(int depth) {
    static const auto mirrored = [](int d) {
        CVelora made = ThreadedSource(d);
        made.Flip(0);
        return made;
    };
    static const CVelora rgb = mirrored(24), gray = mirrored(8);
    return depth == 24 ? rgb : gray;
}

void Between(benchmark::State& s, unsigned (*op)(CVelora&, const CVelora&)) {
    const CVelora& b = SecondImage(int(s.range(0)));
    Threaded(s, [&b, op](CVelora& im) { return op(im, b); });
}

void BM_PreviewArithmeticSum(benchmark::State& s) {
    Between(s, [](CVelora& a, const CVelora& b) { return a.Arithmetic(0, b, 1, 1, 0, 0); });
}
void BM_PreviewArithmeticWeighted(benchmark::State& s) {
    Between(s, [](CVelora& a, const CVelora& b) { return a.Arithmetic(0, b, 0.55f, 0.7f, 0, 0); });
}
void BM_PreviewArithmeticDivisionOffset(benchmark::State& s) {
    Between(s, [](CVelora& a, const CVelora& b) { return a.Arithmetic(3, b, 1.2f, 0.8f, 100, 50); });
}
void BM_PreviewLogicalAnd(benchmark::State& s) {
    Between(s, [](CVelora& a, const CVelora& b) { return a.Logical(1, &b); });
}
void BM_PreviewLogicalNot(benchmark::State& s) {
    Between(s, [](CVelora& a, const CVelora&) { return a.Logical(0, nullptr); });
}

}  // namespace

BENCHMARK(BM_PreviewArithmeticSum)->Apply(GeometryArgs);
BENCHMARK(BM_PreviewArithmeticWeighted)->Apply(GeometryArgs);
BENCHMARK(BM_PreviewArithmeticDivisionOffset)->Apply(GeometryArgs);
BENCHMARK(BM_PreviewLogicalAnd)->Apply(GeometryArgs);
BENCHMARK(BM_PreviewLogicalNot)->Apply(GeometryArgs);
// ---- Effects, noise and the spectrum: the mosaic dialog's refresh at a small and a large
// block, hoover at one iteration and at the dialog's 150, noise at every pixel and at the
// dialog's quarter of them (these two draw in one pass: one thread), the spectrum (8 bits).
namespace {

void BM_PreviewMosaic(benchmark::State& s) {
    const int size = int(s.range(2));
    Threaded(s, [size](CVelora& im) { return im.Mosaic(size, size); });
}
void BM_PreviewHoover(benchmark::State& s) {
    const int iterations = int(s.range(2));
    Threaded(s, [iterations](CVelora& im) { return im.Hoover(0, kSide / 2, kSide / 2, iterations); });
}
void BM_PreviewNoiseUniform(benchmark::State& s) {
    Threaded(s, [](CVelora& im) { return im.Noise(0, 1, -255, 255, 0, 255, 1); });
}
void BM_PreviewNoiseQuarter(benchmark::State& s) {
    Threaded(s, [](CVelora& im) { return im.Noise(0, 0, -255, 255, 0, 255, kSide * kSide / 4); });
}
void BM_PreviewSpectrum(benchmark::State& s) { Threaded(s, [](CVelora& im) { return im.Spectrum(1); }); }

}  // namespace

BENCHMARK(BM_PreviewMosaic)
    ->ArgsProduct({{24, 8}, {1, 0}, {8, 64}})
    ->ArgNames({"source", "threads", "block"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewHoover)
    ->ArgsProduct({{24, 8}, {1}, {1, 150}})
    ->ArgNames({"source", "threads", "iterations"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewNoiseUniform)->ArgsProduct({{24, 8}, {1}})->ArgNames({"source", "threads"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewNoiseQuarter)->ArgsProduct({{24, 8}, {1}})->ArgNames({"source", "threads"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewSpectrum)->ArgsProduct({{8}, {1, 0}})->ArgNames({"source", "threads"})->Unit(benchmark::kMillisecond);

// ---- Binary smoothing by all six rules (1 bit), and region growing from the centre with
// threshold 100 (8 and 24 bits: most pixels join, in a ragged region), city-block (0) and
// chessboard (1).
namespace {

void BM_PreviewBinarySmoothing(benchmark::State& s) {
    Threaded(s, [](CVelora& im) { return im.BinarySmoothing({true, true, true, true, true, true}); });
}
void BM_PreviewRegionGrowing(benchmark::State& s) {
    const unsigned distance = unsigned(s.range(2));
    Threaded(s, [distance](CVelora& im) { return im.RegionGrowing(kSide / 2, kSide / 2, distance, 0, 100, 0xC8); });
}

}  // namespace

BENCHMARK(BM_PreviewBinarySmoothing)->ArgsProduct({{1}, {1, 0}})->ArgNames({"source", "threads"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewRegionGrowing)
    ->ArgsProduct({{8, 24}, {1, 0}, {0, 1}})
    ->ArgNames({"source", "threads", "distance"})
    ->Unit(benchmark::kMillisecond);

// ---- Morphology: the structuring-element dialog's refresh with a 5 x 5 element, flat
// (element:0) or of mixed values (element:1, a disc of value 0 in a ring of 1 for 1 bit;
// dx² + dy² for 8 bits), every operation, on 8 and 1 bits.
namespace {

void BM_PreviewMorphology(benchmark::State& s) {
    const unsigned operation = unsigned(s.range(2));
    std::array<std::uint8_t, 25> element{};
    if (s.range(3) != 0)
        for (int i = 0; i < 25; ++i) {
            const int dx = i % 5 - 2, dy = i / 5 - 2;
            element[std::size_t(i)] = std::uint8_t(s.range(0) == 1 ? dx * dx + dy * dy > 4 : dx * dx + dy * dy);
        }
    Threaded(s, [operation, &element](CVelora& im) { return im.Morphology(operation, element, 5, 5, 2, 2); });
}

}  // namespace

BENCHMARK(BM_PreviewMorphology)
    ->ArgsProduct({{8, 1}, {1, 0}, {0, 1, 2, 3, 4, 5, 6}, {0, 1}})
    ->ArgNames({"source", "threads", "operation", "element"})
    ->Unit(benchmark::kMillisecond);
