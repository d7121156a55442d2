// Mathematical morphology with an element of up to 5 x 5: binary (1 bit, index 0 the members)
// and gray (4 and 8 bits, the indices as levels).
#include <algorithm>
#include <string>

#include "CVelora.h"

namespace {

struct Element {
    std::span<const std::uint8_t> values;
    int width, height, originX, originY;
    std::uint8_t At(int r, int c) const { return values[std::size_t(r) * width + c]; }
    std::uint8_t Reflected(int r, int c) const { return At(height - 1 - r, width - 1 - c); }
    Element Mirrored() const { return {values, width, height, width - 1 - originX, height - 1 - originY}; }
};

// Dilation (dilate) or erosion of source into target, one output row at a time.
template <typename AfterRow>
void ErodeOrDilate(const CVelora& source, CVelora& target, const Element& el, bool dilate, AfterRow afterRow) {
    const std::int32_t width = source.GetWidth(), height = source.GetHeight();
    const unsigned depth = source.GetBitCount();
    const int offX = el.width - 1 - el.originX, offY = el.height - 1 - el.originY;
    const int top = (1 << depth) - 1;
    const auto inside = [&](std::int64_t x, std::int64_t y) { return x >= 0 && y >= 0 && x < width && y < height; };
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint32_t out;
            if (depth == 1) {
                bool member = !dilate;  // erosion keeps the pixel unless a cell fails
                for (int r = 0; r < el.height && member == !dilate; ++r)
                    for (int c = 0; c < el.width; ++c) {
                        const std::int64_t sx = std::int64_t(x) - offX + c, sy = std::int64_t(y) - offY + r;
                        const bool black = inside(sx, sy) && source.GetPixel(std::int32_t(sx), std::int32_t(sy)) == 0;
                        if (dilate && el.Reflected(r, c) != 1 && black) {
                            member = true;
                            break;
                        }
                        if (!dilate && el.At(r, c) == 0 && !black) {
                            member = false;
                            break;
                        }
                    }
                out = member ? 0 : 1;
            } else {
                int best = dilate ? 0 : top;
                for (int r = 0; r < el.height; ++r)
                    for (int c = 0; c < el.width; ++c) {
                        const std::int64_t sx = std::int64_t(x) - offX + c, sy = std::int64_t(y) - offY + r;
                        const bool in = inside(sx, sy);
                        const int level = in ? int(source.GetPixel(std::int32_t(sx), std::int32_t(sy))) : (dilate ? 0 : top);
                        if (dilate)
                            best = std::max(best, level + el.Reflected(r, c));
                        else
                            best = std::min(best, level - el.At(r, c));
                    }
                out = std::uint32_t(std::clamp(best, 0, top));
            }
            target.SetPixel(x, y, out);
        }
        if (!afterRow(y)) return;
    }
}

constexpr const char* kDilating = "  Aplicando DILATACIÓN ... ";
constexpr const char* kEroding = "  Aplicando EROSIÓN ... ";
constexpr const char* kMorphologyDone = "   Operación Finalizada ...       ";

// Runs an operation, with or without a step-by-step display.
class MorphologyRun {
public:
    MorphologyRun(CStepProgress* progress) : m_progress(progress) {}

    bool Stopped() const { return m_progress && m_progress->Stopped(); }

    // Dilation or erosion of image in place; false without memory.
    bool Basic(CVelora& image, const Element& el, bool dilate) {
        if (Stopped()) return true;
        CVelora source(image);
        if (!source.HasImage()) return false;
        const std::int64_t area = std::int64_t(image.GetWidth()) * image.GetHeight();
        ErodeOrDilate(source, image, el, dilate, [&](std::int32_t y) {
            if (!m_progress) return true;
            m_progress->ShowWorkingImage(image);
            const float share = 100.0f / float(area);
            const int percent = int(float(std::int64_t(y) * (image.GetWidth() - 1)) * share);
            m_progress->SetProgressText(std::string(dilate ? kDilating : kEroding) + std::to_string(percent) + "%");
            m_progress->Pause(20);
            return !m_progress->Stopped();
        });
        return true;
    }
    void AfterPart(const CVelora& image) {
        if (!m_progress || Stopped()) return;
        m_progress->ShowWorkingImage(image);
        m_progress->Pause(20);
    }
    bool Opening(CVelora& image, const Element& el) {
        const Element m = el.Mirrored();
        if (!Basic(image, m, false)) return false;
        AfterPart(image);
        return Basic(image, m, true);
    }
    bool Closing(CVelora& image, const Element& el) {
        const Element m = el.Mirrored();
        if (!Basic(image, m, true)) return false;
        AfterPart(image);
        return Basic(image, m, false);
    }
    // image - other: the set difference of two-colour images, else the saturating one.
    static bool Subtract(CVelora& image, const CVelora& other) {
        if (image.GetBitCount() == 1) return image.SetOperation(4, &other) == 0;
        return image.SaturatingArithmetic(1, other) == 0;
    }

    unsigned Run(CVelora& image, unsigned operation, const Element& el) {
        bool ok = true;
        const Element m = el.Mirrored();
        switch (operation) {
            case 0: ok = Basic(image, el, true); break;
            case 1: ok = Basic(image, el, false); break;
            case 2: ok = Opening(image, el); break;
            case 3: ok = Closing(image, el); break;
            case 4:
                ok = Opening(image, m);
                AfterPart(image);
                ok = ok && Closing(image, m);
                break;
            case 5: {
                CVelora eroded(image);
                if (!eroded.HasImage()) return 4;
                ok = Basic(image, m, true);
                AfterPart(image);
                ok = ok && Basic(eroded, m, false);
                AfterPart(eroded);
                ok = ok && (Stopped() || Subtract(image, eroded));
                break;
            }
            default: {
                CVelora opened(image);
                if (!opened.HasImage()) return 4;
                ok = Opening(opened, m);
                AfterPart(opened);
                ok = ok && (Stopped() || Subtract(image, opened));
                break;
            }
        }
        return ok ? 0 : 4;
    }

private:
    CStepProgress* m_progress;
};

unsigned CheckMorphology(const CVelora& image, unsigned operation, std::span<const std::uint8_t> element, int width,
                         int height, int originX, int originY) {
    if (operation > 6) return 1;
    const unsigned depth = image.GetBitCount();
    if (!image.HasImage() || (depth != 1 && depth != 4 && depth != 8)) return 2;
    if (width < 1 || width > 5 || height < 1 || height > 5 || originX < 0 || originY < 0 || originX >= width ||
        originY >= height || element.size() < std::size_t(width) * std::size_t(height))
        return 3;
    return 0;
}

}  // namespace

unsigned CVelora::Morphology(unsigned operation, std::span<const std::uint8_t> element, int width, int height,
                             int originX, int originY) {
    if (const unsigned code = CheckMorphology(*this, operation, element, width, height, originX, originY)) return code;
    // The work copy grows its table: without memory the image stays as it was.
    CVelora work(*this);
    if (!work.HasImage() || !work.TableHoldsEveryLevel()) return 4;
    if (const unsigned code = MorphologyRun(nullptr).Run(work, operation, {element, width, height, originX, originY}))
        return code;
    ReplaceKeepingName(std::move(work));
    return 0;
}

unsigned CVelora::MorphologyStepByStep(unsigned operation, std::span<const std::uint8_t> element, int width, int height,
                                       int originX, int originY, CStepProgress& progress) {
    if (const unsigned code = CheckMorphology(*this, operation, element, width, height, originX, originY)) return code;
    if (!TableHoldsEveryLevel()) return 4;
    progress.EnableControls(false);
    const unsigned code = MorphologyRun(&progress).Run(*this, operation, {element, width, height, originX, originY});
    progress.EnableControls(true);
    if (!progress.Stopped()) progress.SetProgressText(kMorphologyDone);
    return code;
}
