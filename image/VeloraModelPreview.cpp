// CModelPreview: NonLinearContrast in a colour model for a dialog's repeated previews of one
// source. What depends on the source's pixels alone is kept on the first call (the factors of
// HSI, HSV and HSL, LAB's and LUV's components, the ranks of costly functions' values); each
// later call only finishes the pixels from it, through the colour-model paths' rows
// (ModelPathRows.h), with the bytes of the plain call.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>
#include <vector>

#include "CVelora.h"
#include "LargeArrays.h"
#include "ModelLanes.h"
#include "ModelPathRows.h"
#include "ModelPaths.h"
#include "Parallel.h"
#include "VectorTarget.h"

using velora::detail::ClampRound;
using velora::detail::ClampTruncate;
using velora::detail::HsiBlock;
using velora::detail::HsiPixel;
using velora::detail::HslCodeBlock;
using velora::detail::HsvBlock;
using velora::detail::LargeVector;
using velora::detail::PixelRows;

namespace {

// Beyond this many pixels the preview takes the plain call rather than keep up to 28 bytes
// per pixel.
constexpr std::int64_t kMaxPreviewPixels = std::int64_t(1) << 23;

PixelRows RowsOf(const CVelora& image, std::uint8_t* bits, std::uint32_t stride) {
    return {bits, image.GetWidth(), image.GetHeight(), stride, image.GetBitCount() / 8u};
}

// What one model keeps, pixel by pixel in stored order. YIQ, YCbCr and CIE XYZ convert again
// (it is cheap); LAB and LUV keep their three components. For the costly functions the
// valued models also keep each changed component's rank among its distinct values.
struct KeptPixels {
    int model = 0;
    LargeVector<HsiBlock> hsi;  // blocks of eight pixels, blocksPerRow a row
    LargeVector<HsvBlock> hsv;
    LargeVector<HslCodeBlock> hsl;
    std::size_t blocksPerRow = 0;
    LargeVector<float> components;       // 3 per pixel
    LargeVector<std::uint32_t> rank[3];  // per changed component, once a costly function asks
    std::vector<float> distinct[3];
    // Nearly every pixel has values of its own (noise): ranks would only add lookups.
    bool ranksUnprofitable = false;
};

// Keeps make(pixel) of every source pixel, in blocks of eight a row, and finishes each row
// through finish(y, its blocks) while they are at hand.
template <class Block, class Make, class FinishRows>
void KeepBlocks(const PixelRows& source, KeptPixels& kept, LargeVector<Block>& blocks, const Make& make,
                const FinishRows& finish) {
    const std::size_t perRow = (std::size_t(source.width) + 7) / 8;
    kept.blocksPerRow = perRow;
    blocks.clear();
    blocks.resize(perRow * std::size_t(source.height));  // not zeroed: the rows' own threads fill them
    velora::detail::ForRows(source, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t y = first; y < last; ++y) {
            Block* row = &blocks[std::size_t(y) * perRow];
            if (source.width % 8 != 0) row[perRow - 1] = Block{};  // lanes past the row's end
            velora::detail::MakeRowOfBlocks(row, source.Row(y), source.width, source.step, make);
            finish(y, row);
        }
    });
}

// The way back of each row from what was kept of it.
template <class Block, class FinishRows>
void FinishBlocksOfRows(const LargeVector<Block>& blocks, std::size_t perRow, const PixelRows& pixels, const FinishRows& finish) {
    velora::detail::ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t y = first; y < last; ++y) finish(y, &blocks[std::size_t(y) * perRow]);
    });
}

// The ways back of the block models for one function and alpha: (y, blocks) writes row y of
// the pixels from its blocks.
struct HsiRows {
    const PixelRows& pixels;
    std::array<float, 766> newI;
    void operator()(std::int32_t y, const HsiBlock* row) const {
        velora::detail::FinishRow(pixels.Row(y), row, pixels.width, pixels.step, newI.data(), [&](std::uint8_t* p, const HsiPixel& in) {
            velora::detail::HsiFinish(p, in.sector, in.oneMinusS, in.onePlusW, newI[in.sum]);
        });
    }
};
struct HsvRows {
    const PixelRows& pixels;
    velora::detail::HsvValues values;
    void operator()(std::int32_t y, const HsvBlock* row) const {
        velora::detail::FinishRow(pixels.Row(y), row, pixels.width, pixels.step, values,
                                  [&](std::uint8_t* p, const velora::detail::HsvPixel& in) { velora::detail::HsvFinish(p, in, values); });
    }
};
struct HslRows {
    const PixelRows& pixels;
    velora::detail::HslValues values;
    const velora::detail::HslTables& tables = velora::detail::TheHslTables();
    void operator()(std::int32_t y, const HslCodeBlock* row) const {
        velora::detail::FinishRow(pixels.Row(y), row, pixels.width, pixels.step, velora::detail::HslCodeValues{values, tables},
                                  [&](std::uint8_t* p, std::uint32_t code) {
                                      velora::detail::HslFinish(p, velora::detail::HslPixelOfCode(tables, code), values);
                                  });
    }
};

// The block models keep their factors of the source and write the pixels' first preview.
void KeepHsi(KeptPixels& kept, const PixelRows& source, const HsiRows& finish) {
    std::vector<velora::detail::HsiHue> own;
    const std::vector<velora::detail::HsiHue>& hues = velora::detail::HueTable(source, own);
    KeepBlocks(source, kept, kept.hsi, velora::detail::HsiMaker{hues}, finish);
}

void KeepHsv(KeptPixels& kept, const PixelRows& source, const HsvRows& finish) {
    KeepBlocks(source, kept, kept.hsv, velora::detail::HsvMaker{}, finish);
}

void KeepHsl(KeptPixels& kept, const PixelRows& source, const HslRows& finish) {
    KeepBlocks(source, kept, kept.hsl, velora::detail::HslCoder{finish.tables}, finish);
}

template <int Model>
void KeepComponents(KeptPixels& kept, const PixelRows& pixels) {
    kept.components.resize(std::size_t(pixels.width) * std::size_t(pixels.height) * 3);
    velora::detail::ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t y = first; y < last; ++y)
            velora::detail::CieRow<Model>(pixels.Row(y), pixels.step, pixels.width,
                                          &kept.components[std::size_t(y) * std::size_t(pixels.width) * 3]);
    });
}

// Distinct float values (by their bits) numbered in the order first met, by open addressing.
// The table starts small, so that it stays in the cache while the values are few, and doubles
// whenever it is half full.
class DistinctBits {
public:
    DistinctBits() : m_table(std::size_t(1) << m_tableBits, kEmpty) {}

    // The number of value, which is added when new.
    std::uint32_t IdOf(float value) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        if (2 * m_values.size() >= m_table.size()) Grow();
        const std::size_t mask = m_table.size() - 1;
        for (std::size_t slot = SlotOf(bits);; slot = (slot + 1) & mask) {
            const std::uint64_t entry = m_table[slot];
            if (std::uint32_t(entry) == kEmpty) {
                const auto id = std::uint32_t(m_values.size());
                m_table[slot] = (std::uint64_t(bits) << 32) | id;
                m_values.push_back(value);
                return id;
            }
            if (std::uint32_t(entry >> 32) == bits) return std::uint32_t(entry);
        }
    }
    std::size_t Count() const { return m_values.size(); }
    std::vector<float> TakeValues() { return std::move(m_values); }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;  // in an entry's low half: no value

    std::size_t SlotOf(std::uint32_t bits) const { return std::size_t((bits * 0x9E3779B1u) >> (32 - m_tableBits)); }
    void Grow() {
        std::vector<std::uint64_t> old(std::size_t(1) << ++m_tableBits, kEmpty);
        old.swap(m_table);
        const std::size_t mask = m_table.size() - 1;
        for (const std::uint64_t entry : old) {
            if (std::uint32_t(entry) == kEmpty) continue;
            std::size_t slot = SlotOf(std::uint32_t(entry >> 32));
            while (std::uint32_t(m_table[slot]) != kEmpty) slot = (slot + 1) & mask;
            m_table[slot] = entry;
        }
    }

    int m_tableBits = 15;
    std::vector<std::uint64_t> m_table;  // bits << 32 | number
    std::vector<float> m_values;
};

// The rank of every pixel's changed component(s) among the distinct values (equal bits,
// equal result), so that a costly function runs once per distinct value.
template <int Model>
void KeepRanks(KeptPixels& kept, const PixelRows& pixels) {
    const std::size_t count = std::size_t(pixels.width) * std::size_t(pixels.height);
    const velora::detail::ChangedComponents changes = velora::detail::NonLinearComponents(Model);
    const int first = changes.first, changed = changes.count;  // not a structured binding: lambdas capture them
    const auto valueAt = [&](std::size_t at, int c) {
        if (!kept.components.empty()) return kept.components[at * 3 + std::size_t(first + c)];
        float values[4] = {};
        const std::uint8_t* p = pixels.Row(std::int32_t(at / std::size_t(pixels.width))) +
                                at % std::size_t(pixels.width) * pixels.step;
        velora::detail::ToModelT<Model>(velora::detail::ColourAt(p), values);
        return values[first + c];
    };
    // A sample first: where nearly every sampled pixel has a value of its own (noise), sorting
    // them all would be wasted. Where bounded lanes decide the costly functions pixel by pixel
    // (all but LUV's), ranks pay only where values recur often: on noise YCbCr's Y recurs a
    // few times, and ranking it cost three previews for none faster. Either way the bytes are
    // the same.
    constexpr std::size_t kSample = 1 << 14;
    std::size_t mostDistinct = kSample / 10 * 9;
#if VELORA_X86
    if (Model != kModelCIELUV && velora::detail::HasAvx2()) mostDistinct = kSample / 4;
#endif
    if (count >= 4 * kSample) {
        std::vector<float> sample(kSample);
        for (std::size_t i = 0; i < kSample; ++i) sample[i] = valueAt(i * (count / kSample), 0);
        std::sort(sample.begin(), sample.end());
        const auto distinct = std::size_t(std::unique(sample.begin(), sample.end()) - sample.begin());
        if (distinct > mostDistinct) {
            kept.ranksUnprofitable = true;
            return;
        }
    }
    // Each band numbers the distinct values of its rows in the order first met (any order
    // serves: a rank only picks its value's result); then the bands' values are numbered
    // across the picture, and each band's numbers turn into those.
    const std::size_t limit = count / 4;  // more distinct values than this: ranks do not pay
    const auto unprofitable = [&] {
        kept.ranksUnprofitable = true;
        for (int d = 0; d < 3; ++d) {
            LargeVector<std::uint32_t>().swap(kept.rank[d]);
            std::vector<float>().swap(kept.distinct[d]);
        }
    };
    for (int c = 0; c < changed; ++c) {
        LargeVector<std::uint32_t>& rank = kept.rank[c];
        rank.resize(count);
        struct Band {
            std::int32_t first, last;
            std::vector<float> values;
        };
        std::vector<Band> bands;
        std::mutex bandsMutex;
        std::atomic<bool> tooMany{false};
        velora::detail::ForRows(pixels, [&](std::int32_t firstRow, std::int32_t last) {
            DistinctBits local;
            std::vector<float> row(std::size_t(pixels.width));
            for (std::int32_t y = firstRow; y < last; ++y) {
                if (tooMany.load(std::memory_order_relaxed)) return;
                const std::size_t at0 = std::size_t(y) * std::size_t(pixels.width);
                std::int32_t x = 0;
#if VELORA_X86
                if constexpr (!std::is_void_v<typename velora::detail::LanesOf<Model>::Type>)
                    if (kept.components.empty() && velora::detail::HasAvx2())
                        x = velora::detail::ComponentRow<typename velora::detail::LanesOf<Model>::Type>(
                            pixels.Row(y), pixels.step, pixels.width, first + c, row.data());
#endif
                for (; x < pixels.width; ++x) row[std::size_t(x)] = valueAt(at0 + std::size_t(x), c);
                std::uint32_t* ranks = &rank[at0];
                for (std::size_t i = 0; i < row.size(); ++i) ranks[i] = local.IdOf(row[i]);
                if (local.Count() > limit) {
                    tooMany.store(true, std::memory_order_relaxed);
                    return;
                }
            }
            std::lock_guard lock(bandsMutex);
            bands.push_back({firstRow, last, local.TakeValues()});
        });
        if (tooMany.load()) return unprofitable();
        std::sort(bands.begin(), bands.end(), [](const Band& a, const Band& b) { return a.first < b.first; });
        DistinctBits whole;
        std::vector<std::vector<std::uint32_t>> toWhole(bands.size());
        for (std::size_t b = 0; b < bands.size(); ++b) {
            for (const float value : bands[b].values) toWhole[b].push_back(whole.IdOf(value));
            if (whole.Count() > limit) return unprofitable();
        }
        velora::detail::ForRows(pixels, [&](std::int32_t firstRow, std::int32_t last) {
            for (std::int32_t y = firstRow; y < last; ++y) {
                const auto band = std::upper_bound(bands.begin(), bands.end(), y,
                                                   [](std::int32_t row, const Band& b) { return row < b.first; }) - 1;
                const std::uint32_t* map = toWhole[std::size_t(band - bands.begin())].data();
                std::uint32_t* ranks = &rank[std::size_t(y) * std::size_t(pixels.width)];
                for (std::int32_t x = 0; x < pixels.width; ++x) ranks[x] = map[ranks[x]];
            }
        });
        kept.distinct[c] = whole.TakeValues();
    }
}

HsiRows HsiRowsOf(const PixelRows& pixels, int function, float alpha) {
    return HsiRows{pixels, velora::detail::HsiTransfer(function, alpha)};
}
HsvRows HsvRowsOf(const PixelRows& pixels, int function, float alpha) {
    return HsvRows{pixels, velora::detail::HsvValues(velora::detail::KeyedTransfer<kModelHSV>(function, alpha).data())};
}
HslRows HslRowsOf(const PixelRows& pixels, int function, float alpha) {
    return HslRows{pixels, velora::detail::HslValues(velora::detail::KeyedTransfer<kModelHSL>(function, alpha).data())};
}

#if VELORA_X86
using velora::detail::Clamp255;
using velora::detail::ClampTruncate4;
using velora::detail::LabBack;
using velora::detail::LabFInverse8;
using velora::detail::LuvBack;
using velora::detail::LoadChannels4;
using velora::detail::LoadChannels8;
using velora::detail::LoadPixels4;
using velora::detail::Splat;
using velora::detail::Splat8;
using velora::detail::StoreFromXyz4;
using velora::detail::StorePixels4;
using velora::detail::Sum3;
#endif

// The valued models: the function applied to each pixel's kept (or converted) component, or
// taken from its rank's entry.
#if VELORA_X86
// YIQ, YCbCr and CIE XYZ there and back over a row's whole groups of pixels, the changed
// components from their ranks or through the function; returns how many pixels it did.
template <class Lanes, int Function, bool Ranked>
std::int32_t ModelRowInLanes(std::uint8_t* p, std::size_t step, std::int32_t width, std::size_t at, const KeptPixels& kept,
                             const std::vector<float>* newValue, float alpha,
                             [[maybe_unused]] const velora::detail::CostlyTransfer& costly) {
    if constexpr (!Ranked && velora::detail::kBoundsPay<Function>) {
        const velora::detail::ChangedComponents which = velora::detail::NonLinearComponents(Lanes::kModel);
        const auto change = [&](float* values, const std::uint8_t*) {
            for (int c = which.first; c < which.first + which.count; ++c)
                values[c] = velora::detail::ModelTransferT<Function>(values[c], alpha);
        };
        const auto open = [&](std::uint8_t* pixel) { velora::detail::ConvertPixel<Lanes::kModel>(pixel, change); };
        return velora::detail::BoundedLanesRow<Lanes, Function>(p, step, width, costly, open);
    }
    if constexpr (Ranked) {
        const float* values[3] = {};
        const std::uint32_t* ranks[3] = {};
        for (int c = 0; c < Lanes::kChanged; ++c) values[c] = newValue[c].data(), ranks[c] = kept.rank[c].data();
        return velora::detail::ModelLanesRow<Lanes>(p, step, width, at, velora::detail::RankChange<Lanes>{values, ranks});
    } else {
        return velora::detail::ModelLanesRow<Lanes>(p, step, width, at, velora::detail::TransferChange<Lanes, Function>{alpha});
    }
}
#endif

template <int Model, int Function, bool Ranked>
void FinishValuedRows(const KeptPixels& kept, const PixelRows& pixels, float alpha, const std::vector<float>* newValue) {
    const velora::detail::ChangedComponents changes = velora::detail::NonLinearComponents(Model);
    const int first = changes.first, changed = changes.count;  // not a structured binding: lambdas capture them
    velora::detail::ForRows(pixels, [&](std::int32_t firstRow, std::int32_t last) {
#if VELORA_X86
        const velora::detail::CostlyTransfer costly = velora::detail::MakeCostlyTransfer<Function>(alpha);
#endif
        for (std::int32_t y = firstRow; y < last; ++y) {
            std::uint8_t* p = pixels.Row(y);
            std::size_t at = std::size_t(y) * std::size_t(pixels.width);
            std::int32_t x = 0;
#if VELORA_X86
            if constexpr (Model >= kModelYIQ && Model != kModelYUV)
                if (velora::detail::HasAvx2() && kept.components.empty() == (Model < kModelCIELAB)) {
                    using namespace velora::detail;
                    if constexpr (Model == kModelYIQ) x = ModelRowInLanes<YiqLanes, Function, Ranked>(p, pixels.step, pixels.width, at, kept, newValue, alpha, costly);
                    else if constexpr (Model == kModelYCbCr) x = ModelRowInLanes<YCbCrLanes, Function, Ranked>(p, pixels.step, pixels.width, at, kept, newValue, alpha, costly);
                    else if constexpr (Model == kModelCIEXYZ) x = ModelRowInLanes<XyzLanes, Function, Ranked>(p, pixels.step, pixels.width, at, kept, newValue, alpha, costly);
                    else {
                        using Back = std::conditional_t<Model == kModelCIELAB, LabBack, LuvBack>;
                        const float* values = Ranked ? newValue[0].data() : nullptr;
                        const std::uint32_t* ranks = Ranked ? kept.rank[0].data() + at : nullptr;
                        x = ComponentsBackRowInLanes<Back, Function, Ranked>(p, pixels.step, pixels.width,
                                                                             kept.components.data() + at * 3, values,
                                                                             ranks, alpha);
                    }
                    p += std::size_t(x) * pixels.step;
                    at += std::size_t(x);
                }
#endif
            for (; x < pixels.width; ++x, p += pixels.step, ++at) {
                float values[4] = {};
                if (kept.components.empty()) velora::detail::ToModelT<Model>(velora::detail::ColourAt(p), values);
                else std::copy_n(&kept.components[at * 3], 3, values);
                for (int c = 0; c < changed; ++c) {
                    if constexpr (Ranked) values[first + c] = newValue[c][kept.rank[c][at]];
                    else values[first + c] = velora::detail::ModelTransferT<Function>(values[first + c], alpha);
                }
                RGBQUAD result{};
                velora::detail::FromModelT<Model>(values, result);
                velora::detail::Put(p, result);
            }
        }
    });
}

template <int Model>
void FinishValued(KeptPixels& kept, const PixelRows& source, const PixelRows& pixels, int function, float alpha) {
    if (!velora::detail::TransferIsCostly(function, alpha)) {
        switch (function) {
            case 0: FinishValuedRows<Model, 0, false>(kept, pixels, alpha, nullptr); break;
            case 1: FinishValuedRows<Model, 1, false>(kept, pixels, alpha, nullptr); break;
            case 2: FinishValuedRows<Model, 2, false>(kept, pixels, alpha, nullptr); break;
            default: FinishValuedRows<Model, 5, false>(kept, pixels, alpha, nullptr); break;  // alpha 0
        }
        return;
    }
    if (kept.rank[0].empty() && !kept.ranksUnprofitable) KeepRanks<Model>(kept, source);
    if (kept.ranksUnprofitable) {
        switch (function) {
            case 3: FinishValuedRows<Model, 3, false>(kept, pixels, alpha, nullptr); break;
            case 4: FinishValuedRows<Model, 4, false>(kept, pixels, alpha, nullptr); break;
            case 5: FinishValuedRows<Model, 5, false>(kept, pixels, alpha, nullptr); break;
            default: FinishValuedRows<Model, 6, false>(kept, pixels, alpha, nullptr); break;
        }
        return;
    }
    const int changed = velora::detail::NonLinearComponents(Model).count;
    std::vector<float> newValue[3];
    for (int c = 0; c < changed; ++c) {
        const std::vector<float>& values = kept.distinct[c];
        newValue[c].resize(values.size());
        constexpr std::int32_t kChunk = 4096;
        const auto chunks = std::int32_t((values.size() + kChunk - 1) / kChunk);
        velora::detail::ForEachRowBand(chunks, std::size_t(kChunk) * 64, [&](std::int32_t firstChunk, std::int32_t last) {
            const std::size_t end = std::min(values.size(), std::size_t(last) * kChunk);
            for (std::size_t i = std::size_t(firstChunk) * kChunk; i < end; ++i)
                newValue[c][i] = velora::detail::ModelTransfer(function, values[i], alpha);
        });
    }
    FinishValuedRows<Model, 0, true>(kept, pixels, alpha, newValue);
}

}  // namespace

struct CModelPreview::Kept : KeptPixels {};

CModelPreview::CModelPreview(const CVelora& source) : m_source(source) {}
CModelPreview::~CModelPreview() = default;

unsigned CModelPreview::NonLinearContrast(CVelora& image, int colorModel, int function, float alpha) {
    const unsigned depth = image.GetBitCount();
    const bool direct = image.HasImage() && (depth == 24 || depth == 32);
    // CMYK and YUV convert so cheaply that the plain call is as quick.
    const bool kept = colorModel >= kModelHSI && colorModel < kColorModelCount && colorModel != kModelYUV;
    const bool valid = function >= 0 && function <= 6 && alpha >= 0.0f && alpha <= 1.0f;
    const std::int64_t count = std::int64_t(image.GetWidth()) * image.GetHeight();
    if (!direct || !kept || !valid || count > kMaxPreviewPixels || !m_source.HasImage() ||
        m_source.GetBitCount() != depth || m_source.GetWidth() != image.GetWidth() ||
        m_source.GetHeight() != image.GetHeight())
        return image.NonLinearContrast(colorModel, function, alpha);

    const PixelRows source = RowsOf(m_source, m_source.m_pchMapaBits, m_source.m_bytesPerRow);
    const PixelRows pixels = RowsOf(image, image.m_pchMapaBits, image.m_bytesPerRow);
    try {
        if (!m_kept || m_kept->model != colorModel) {
            m_kept.reset();
            auto made = std::make_unique<Kept>();
            made->model = colorModel;
            switch (colorModel) {  // the block models write this preview as they keep
                case kModelHSI: KeepHsi(*made, source, HsiRowsOf(pixels, function, alpha)); break;
                case kModelHSV: KeepHsv(*made, source, HsvRowsOf(pixels, function, alpha)); break;
                case kModelHSL: KeepHsl(*made, source, HslRowsOf(pixels, function, alpha)); break;
                case kModelCIELAB: KeepComponents<kModelCIELAB>(*made, source); break;
                case kModelCIELUV: KeepComponents<kModelCIELUV>(*made, source); break;
                default: break;
            }
            m_kept = std::move(made);
            if (colorModel >= kModelHSI && colorModel <= kModelHSL) return 0;
        }
        const KeptPixels& has = *m_kept;
        switch (colorModel) {
            case kModelHSI: FinishBlocksOfRows(has.hsi, has.blocksPerRow, pixels, HsiRowsOf(pixels, function, alpha)); break;
            case kModelHSV: FinishBlocksOfRows(has.hsv, has.blocksPerRow, pixels, HsvRowsOf(pixels, function, alpha)); break;
            case kModelHSL: FinishBlocksOfRows(has.hsl, has.blocksPerRow, pixels, HslRowsOf(pixels, function, alpha)); break;
            case kModelYIQ: FinishValued<kModelYIQ>(*m_kept, source, pixels, function, alpha); break;
            case kModelYCbCr: FinishValued<kModelYCbCr>(*m_kept, source, pixels, function, alpha); break;
            case kModelCIEXYZ: FinishValued<kModelCIEXYZ>(*m_kept, source, pixels, function, alpha); break;
            case kModelCIELAB: FinishValued<kModelCIELAB>(*m_kept, source, pixels, function, alpha); break;
            default: FinishValued<kModelCIELUV>(*m_kept, source, pixels, function, alpha); break;
        }
    } catch (const std::bad_alloc&) {
        // Nothing of the image was written before the memory was had.
        m_kept.reset();
        return image.NonLinearContrast(colorModel, function, alpha);
    }
    return 0;
}
