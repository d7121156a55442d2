// velora_vs_opencv: our operations and their nearest OpenCV counterparts on the same random
// images in the same process, as one table of times and ratios. OpenCV is the fixed anchor:
// a change to the library shows up as a change of the ratio, whatever the machine's load.
//
// Method: the pair of a row runs interleaved (ours, theirs, ours, theirs ...) after one
// warm-up run each; before every run both sides are restored from a backup (untimed; the
// "restore" row shows what that costs), and where ours makes a new image OpenCV makes its
// result afresh too; the table gives the minimum and the median of each
// side and the ratio of the minima (ours / theirs: above 1 we are slower). OpenCV works on
// cv::Mat headers over our DIB's rows, which are bottom-up: the cost is the same. Every row
// is measured twice: one thread on each side, and each side at its default thread count.
#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <thread>
#include <unistd.h>
#include <vector>

#include "CVelora.h"
#include "FilterCatalogue.h"

namespace {

// ---------------------------------------------------------------- timing

struct Stats {
    double min = 0, median = 0;  // milliseconds
};

Stats Summarize(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2]};
}

// One side of a row: prepare runs untimed before every run.
struct Side {
    std::function<void()> prepare;
    std::function<void()> run;
};

double TimeOnce(const Side& side) {
    if (side.prepare) side.prepare();
    const auto start = std::chrono::steady_clock::now();
    side.run();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct Timing {
    Stats ours, theirs;
};

Timing Measure(const Side& ours, const Side& theirs, int runs) {
    // The warm-up takes the page faults of first allocations and starts OpenCV's thread pool.
    TimeOnce(ours);
    TimeOnce(theirs);
    std::vector<double> a, b;
    for (int i = 0; i < runs; ++i) {
        a.push_back(TimeOnce(ours));
        b.push_back(TimeOnce(theirs));
    }
    return {Summarize(a), Summarize(b)};
}

// ---------------------------------------------------------------- images

CVelora RandomImage(std::int32_t size, std::int32_t depth) {
    std::vector<std::uint8_t> bits(std::size_t(CVelora::GetImageSize(size, size, depth)));
    std::mt19937 random(20240611u);
    for (auto& b : bits) b = std::uint8_t(random());
    return CVelora(bits.data(), nullptr, size, size, depth);  // 8 bits get the gray ramp
}

// A Mat header over the rows of an image of 8 or 24 bits. The library hands out its rows
// read-only; the benchmark writes through them only into images it owns.
cv::Mat Wrap(const CVelora& image) {
    return cv::Mat(image.GetHeight(), image.GetWidth(), image.GetBitCount() == 8 ? CV_8UC1 : CV_8UC3,
                   const_cast<std::uint8_t*>(image.GetBits()), image.GetBytesPerRow());
}

bool Same(const cv::Mat& a, const cv::Mat& b) {
    return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "velora_vs_opencv: %s failed\n", what.c_str());
    std::exit(1);
}

void Check(unsigned code, const std::string& what) {
    if (code != 0) Fail(what + " (result " + std::to_string(code) + ")");
}

// The byte table a per-channel point operation applies, read off a gray ramp of the 256
// levels, so that OpenCV's LUT gets exactly our table.
cv::Mat TableOf(const std::function<unsigned(CVelora&)>& op) {
    CVelora ramp(nullptr, nullptr, 256, 1, 24);
    for (std::uint32_t v = 0; v < 256; ++v) ramp.SetPixel(std::int32_t(v), 0, v * 0x010101u);
    Check(op(ramp), "an operation on the ramp");
    cv::Mat table(1, 256, CV_8U);
    for (int v = 0; v < 256; ++v) table.at<std::uint8_t>(v) = std::uint8_t(ramp.GetPixel(v, 0));
    return table;
}

// ---------------------------------------------------------------- rows

// The state of a row: our image and its backup; OpenCV's Mat over a second copy of our
// image, its backup and an output Mat for what does not work in place.
struct Images {
    CVelora backup, ours, theirsImage;
    cv::Mat mat, matBackup, out;
    explicit Images(const CVelora& source) : backup(source), ours(source), theirsImage(source) {
        mat = Wrap(theirsImage);
        matBackup = mat.clone();
    }
    Side Ours(std::function<unsigned(CVelora&)> op, std::string what) {
        return {[this] { ours = backup; }, [this, op, what] { Check(op(ours), what); }};
    }
    // Where our operation makes a new image, OpenCV's result is released before each run, so
    // that both sides pay for the allocation and first touch of their result.
    Side Theirs(std::function<void(cv::Mat& mat, cv::Mat& out)> op, bool freshOut) {
        return {[this, freshOut] {
                    matBackup.copyTo(mat);
                    if (freshOut) out.release();
                },
                [this, op] { op(mat, out); }};
    }
    // Whether our result equals OpenCV's, in place or in the output Mat.
    bool SameInPlace() const { return Same(Wrap(ours), mat); }
    bool SameOut() const { return Same(Wrap(ours), out); }
};

struct Bench {
    Side ours, theirs;
    std::function<int()> same;  // 1 same bytes, 0 different, -1 not comparable
    std::shared_ptr<void> keep;  // the state the sides work on
};

struct Row {
    std::string key;  // for --rows
    std::string call;
    std::string counterpart;
    double target;  // the ratio to stay under; 0 none
    std::function<Bench()> make;
};

struct Options {
    int runs = 21;
    std::int32_t size = 2048;
    std::vector<std::string> rows;
};

// A row whose two sides work on a restored copy of source each time. inPlace: OpenCV's result
// is the Mat over our rows; otherwise it is the output Mat, as ours is a new image.
Row Pair(std::string key, std::string call, std::string counterpart, double target, std::function<CVelora()> source,
         std::function<unsigned(CVelora&)> ours, std::function<void(cv::Mat&, cv::Mat&)> theirs, bool inPlace,
         bool comparable = true) {
    auto make = [=] {
        auto images = std::make_shared<Images>(source());
        auto same = [images, inPlace, comparable] {
            if (!comparable) return -1;
            return int(inPlace ? images->SameInPlace() : images->SameOut());
        };
        return Bench{images->Ours(ours, call), images->Theirs(theirs, !inPlace), same, images};
    };
    return {std::move(key), std::move(call), std::move(counterpart), target, make};
}

// The state of a file row: a file in memory (/dev/shm, else the temp directory), removed
// with the row, and the image on each side.
struct FileState {
    std::string path;
    CVelora image;
    cv::Mat mat;
    explicit FileState(const char* name) {
        const std::filesystem::path dir = std::filesystem::is_directory("/dev/shm")
                                              ? std::filesystem::path("/dev/shm")
                                              : std::filesystem::temp_directory_path();
        path = (dir / ("velora_vs_opencv_" + std::to_string(getpid()) + "_" + name)).string();
    }
    ~FileState() { std::filesystem::remove(path); }
};

// Operations between two images: A combined with B (A mirrored, so that they differ
// everywhere), in place on both sides.
void AddImageAlgebraRows(std::vector<Row>& rows, std::int32_t n) {
    for (const int depth : {8, 24}) {
        const std::string bits = depth == 8 ? " 8 bits" : " 24 bits";
        const auto b = std::make_shared<CVelora>(RandomImage(n, depth));
        b->Flip(0);
        const std::function<CVelora()> source = [n, depth] { return RandomImage(n, depth); };
        const cv::Mat mb = Wrap(*b);
        const auto key = [&](const char* name) { return std::string(name) + (depth == 8 ? "8" : "24"); };
        rows.push_back(Pair(key("Sum"), "Arithmetic(sum,B,1,1,0,0)" + bits, "add (saturating)", 1.0, source,
                            [b](CVelora& im) { return im.Arithmetic(0, *b, 1, 1, 0, 0); },
                            [b, mb](cv::Mat& m, cv::Mat&) { cv::add(m, mb, m); }, true));
        // OpenCV rounds the weighted sum, ours truncates: the bytes differ by design.
        rows.push_back(Pair(key("Weighted"), "Arithmetic(sum,B,0.55,0.7,0,0)" + bits, "addWeighted", 1.0, source,
                            [b](CVelora& im) { return im.Arithmetic(0, *b, 0.55f, 0.7f, 0, 0); },
                            [b, mb](cv::Mat& m, cv::Mat&) { cv::addWeighted(m, 0.55, mb, 0.7, 0, m); }, true, false));
        rows.push_back(Pair(key("And"), "Logical(and,B)" + bits, "bitwise_and", 1.0, source,
                            [b](CVelora& im) { return im.Logical(1, b.get()); },
                            [b, mb](cv::Mat& m, cv::Mat&) { cv::bitwise_and(m, mb, m); }, true));
        rows.push_back(Pair(key("Or"), "Logical(or,B)" + bits, "bitwise_or", 1.0, source,
                            [b](CVelora& im) { return im.Logical(2, b.get()); },
                            [b, mb](cv::Mat& m, cv::Mat&) { cv::bitwise_or(m, mb, m); }, true));
        rows.push_back(Pair(key("Xor"), "Logical(xor,B)" + bits, "bitwise_xor", 1.0, source,
                            [b](CVelora& im) { return im.Logical(3, b.get()); },
                            [b, mb](cv::Mat& m, cv::Mat&) { cv::bitwise_xor(m, mb, m); }, true));
        rows.push_back(Pair(key("Not"), "Logical(not)" + bits, "bitwise_not", 1.0, source,
                            [](CVelora& im) { return im.Logical(0, nullptr); },
                            [](cv::Mat& m, cv::Mat&) { cv::bitwise_not(m, m); }, true));
    }
}

// Morphology with flat square elements, origin at the centre (so that our bottom-up rows and
// OpenCV's top-down reading agree), against dilate/erode/morphologyEx with their default
// border, which is ours: the outside never wins. Binary dilation: our packed 1-bit image
// against OpenCV on the same picture unpacked to 8 bits (members 255).
void AddMorphologyRows(std::vector<Row>& rows, std::int32_t n) {
    const std::function<CVelora()> gray8 = [n] { return RandomImage(n, 8); };
    const std::array<std::uint8_t, 25> flat{};
    struct Kind {
        const char* key;
        unsigned operation;
        int cvOperation;
        const char* counterpart;
    };
    const Kind kinds[] = {{"Dilate", 0, cv::MORPH_DILATE, "dilate"},
                          {"Erode", 1, cv::MORPH_ERODE, "erode"},
                          {"Open", 2, cv::MORPH_OPEN, "morphologyEx OPEN"},
                          {"Close", 3, cv::MORPH_CLOSE, "morphologyEx CLOSE"},
                          {"Gradient", 5, cv::MORPH_GRADIENT, "morphologyEx GRADIENT"},
                          {"TopHat", 6, cv::MORPH_TOPHAT, "morphologyEx TOPHAT"}};
    for (const int size : {3, 5})
        for (const Kind& k : kinds) {
            const std::string side = std::to_string(size);
            const unsigned operation = k.operation;
            const int cvOperation = k.cvOperation;
            const cv::Mat element = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(size, size));
            rows.push_back(Pair(std::string("Morph") + k.key + side,
                                "Morphology(" + std::to_string(operation) + ",flat " + side + "x" + side + ") 8 bits",
                                std::string(k.counterpart) + " " + side + "x" + side, 1.0, gray8,
                                [flat, operation, size](CVelora& im) {
                                    return im.Morphology(operation, flat, size, size, size / 2, size / 2);
                                },
                                [element, cvOperation](cv::Mat& m, cv::Mat& out) {
                                    cv::morphologyEx(m, out, cvOperation, element);
                                },
                                false));
        }
    rows.push_back({"MorphBinaryDilate5", "Morphology(0,flat 5x5) 1 bit", "dilate 5x5 on it unpacked to 8 bits", 0.5,
                    [n, flat] {
                        struct State {
                            CVelora backup, ours;
                            cv::Mat unpacked, out;
                        };
                        // Members (index 0) as 255, the rest 0, rows as stored.
                        const auto unpack = [](const CVelora& im) {
                            cv::Mat m(im.GetHeight(), im.GetWidth(), CV_8UC1);
                            for (int y = 0; y < m.rows; ++y) {
                                const std::uint8_t* row = im.GetBits() + std::size_t(y) * im.GetBytesPerRow();
                                for (int x = 0; x < m.cols; ++x)
                                    m.at<std::uint8_t>(y, x) = (row[x >> 3] >> (7 - (x & 7)) & 1) ? 0 : 255;
                            }
                            return m;
                        };
                        auto s = std::make_shared<State>(State{RandomImage(n, 1), {}, {}, {}});
                        s->unpacked = unpack(s->backup);
                        const cv::Mat element = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(5, 5));
                        Side ours{[s] { s->ours = s->backup; },
                                  [s, flat] { Check(s->ours.Morphology(0, flat, 5, 5, 2, 2), "Morphology 1 bit"); }};
                        Side theirs{[s] { s->out.release(); }, [s, element] { cv::dilate(s->unpacked, s->out, element); }};
                        return Bench{ours, theirs, [s, unpack] { return int(Same(unpack(s->ours), s->out)); }, s};
                    }});
}

std::vector<Row> AllRows(const Options& options) {
    const std::int32_t n = options.size;
    auto rgb = [n] { return RandomImage(n, 24); };
    auto gray8 = [n] { return RandomImage(n, 8); };
    auto gray24 = [n] {
        CVelora image = RandomImage(n, 24);
        image.ColorToGray(0);
        return image;
    };
    std::vector<Row> rows;

    rows.push_back({"restore", "image = backup", "Mat::copyTo", 0, [rgb] {
                        auto images = std::make_shared<Images>(rgb());
                        Side ours{nullptr, [images] { images->ours = images->backup; }};
                        Side theirs{nullptr, [images] { images->matBackup.copyTo(images->mat); }};
                        return Bench{ours, theirs, [images] { return int(images->SameInPlace()); }, images};
                    }});

    auto negative = [](CVelora& im) { return im.Negative(1, 0, 0, 0); };
    auto notOp = [](cv::Mat& m, cv::Mat&) { cv::bitwise_not(m, m); };
    rows.push_back(Pair("Negative24", "Negative(1,0,0,0) 24 bits", "bitwise_not", 1.0, rgb, negative, notOp, true));
    rows.push_back(Pair("Negative8", "Negative(1,0,0,0) 8 bits gray", "bitwise_not", 1.0, gray8, negative, notOp, true));

    // Point operations against LUT with the very same table.
    auto lutRow = [&](std::string key, std::string call, std::function<unsigned(CVelora&)> op) {
        const cv::Mat table = TableOf(op);
        return Pair(std::move(key), std::move(call), "LUT", 1.0, rgb, op,
                    [table](cv::Mat& m, cv::Mat&) { cv::LUT(m, table, m); }, true);
    };
    rows.push_back(lutRow("Brightness", "Brightness(35)", [](CVelora& im) { return im.Brightness(35); }));
    rows.push_back(lutRow("Gamma", "Gamma(1.6)", [](CVelora& im) { return im.Gamma(1.6f); }));
    rows.push_back(lutRow("LinearContrast", "LinearContrast(30,200,0,255,0,1,1,1)",
                          [](CVelora& im) { return im.LinearContrast(30, 200, 0, 255, 0, 1, 1, 1); }));
    rows.push_back(lutRow("NonLinearRGB", "NonLinearContrast(RGB,sine,0.5)",
                          [](CVelora& im) { return im.NonLinearContrast(kModelRGB, 5, 0.5f); }));

    // On a gray ramp the HSV form changes V alone, which gives the table for V.
    {
        auto op = [](CVelora& im) { return im.NonLinearContrast(kModelHSV, 5, 0.5f); };
        cv::Mat planes[3] = {cv::Mat(1, 256, CV_8U), cv::Mat(1, 256, CV_8U), TableOf(op)};
        for (int v = 0; v < 256; ++v) planes[0].at<std::uint8_t>(v) = planes[1].at<std::uint8_t>(v) = std::uint8_t(v);
        cv::Mat table;
        cv::merge(planes, 3, table);
        rows.push_back(Pair("NonLinearHSV", "NonLinearContrast(HSV,sine,0.5)", "cvtColor HSV_FULL, LUT on V, back", 0,
                            rgb, op,
                            [table](cv::Mat& m, cv::Mat& hsv) {
                                cv::cvtColor(m, hsv, cv::COLOR_BGR2HSV_FULL);
                                cv::LUT(hsv, table, hsv);
                                cv::cvtColor(hsv, m, cv::COLOR_HSV2BGR_FULL);
                            },
                            true, false));
    }

    rows.push_back(Pair("Equalize", "Equalize(RGB,0)", "split, equalizeHist x3, merge", 0, rgb,
                        [](CVelora& im) { return im.Equalize(kModelRGB, 0); },
                        [planes = std::make_shared<std::vector<cv::Mat>>()](cv::Mat& m, cv::Mat&) {
                            cv::split(m, *planes);
                            for (cv::Mat& p : *planes) cv::equalizeHist(p, p);
                            cv::merge(*planes, m);
                        },
                        true, false));
    rows.push_back(Pair("ColorToGray", "ColorToGray(0)", "cvtColor BGR2GRAY, GRAY2BGR", 1.0, rgb,
                        [](CVelora& im) { return im.ColorToGray(0); },
                        [](cv::Mat& m, cv::Mat& gray) {
                            cv::cvtColor(m, gray, cv::COLOR_BGR2GRAY);
                            cv::cvtColor(gray, m, cv::COLOR_GRAY2BGR);
                        },
                        true));

    // Flip 0 mirrors left to right, 1 top to bottom; the library has no mode for both.
    rows.push_back(Pair("Flip0", "Flip(0) mirror", "flip 1", 1.0, rgb, [](CVelora& im) { return im.Flip(0); },
                        [](cv::Mat& m, cv::Mat&) { cv::flip(m, m, 1); }, true));
    rows.push_back(Pair("Flip1", "Flip(1) upside down", "flip 0", 1.0, rgb, [](CVelora& im) { return im.Flip(1); },
                        [](cv::Mat& m, cv::Mat&) { cv::flip(m, m, 0); }, true));
    rows.push_back(Pair("Flip01", "Flip(0) then Flip(1)", "flip -1", 1.0, rgb,
                        [](CVelora& im) { return im.Flip(0) | im.Flip(1); },
                        [](cv::Mat& m, cv::Mat&) { cv::flip(m, m, -1); }, true));

    for (const float f : {0.5f, 2.0f, 0.73f}) {
        char key[32], call[64];
        std::snprintf(key, sizeof key, "Scale%g", double(f));
        std::snprintf(call, sizeof call, "Scale(%g,%g,0)", double(f), double(f));
        const cv::Size to(int(RoundHalfDown(float(n) * f)), int(RoundHalfDown(float(n) * f)));
        rows.push_back(Pair(key, call, "resize INTER_NEAREST", 1.0, rgb,
                            [f](CVelora& im) { return im.Scale(f, f, 0); },
                            [f, to](cv::Mat& m, cv::Mat& out) {
                                cv::resize(m, out, to, double(f), double(f), cv::INTER_NEAREST);
                            },
                            false));
    }

    // In-plane rotation keeping the size: the same inverse mapping (each output pixel reads
    // its nearest source pixel, the rest background), about the centre. Rounding differs.
    for (const double theta : {30.0, 90.0}) {
        char key[32], call[64];
        std::snprintf(key, sizeof key, "Rotate%g", theta);
        std::snprintf(call, sizeof call, "Rotate(1,%g,0)", theta);
        const cv::Mat turn = cv::getRotationMatrix2D(cv::Point2f(float(n / 2), float(n / 2)), -theta, 1.0);
        rows.push_back(Pair(key, call, "warpAffine INTER_NEAREST", 1.0, rgb,
                            [theta](CVelora& im) { return im.Rotate(1, theta, 0); },
                            [turn, n](cv::Mat& m, cv::Mat& out) {
                                cv::warpAffine(m, out, turn, cv::Size(n, n), cv::INTER_NEAREST, cv::BORDER_CONSTANT);
                            },
                            false, false));
    }

    // The mosaic of 8 x 8 blocks beside the block means and their enlargement back. Ours sums
    // packed colours, theirs channels, so the results differ.
    rows.push_back(Pair("Mosaic8", "Mosaic(8,8)", "resize INTER_AREA, INTER_NEAREST back", 1.2, rgb,
                        [](CVelora& im) { return im.Mosaic(8, 8); },
                        [n](cv::Mat& m, cv::Mat& out) {
                            cv::Mat small;
                            cv::resize(m, small, cv::Size(n / 8, n / 8), 0, 0, cv::INTER_AREA);
                            cv::resize(small, out, cv::Size(n, n), 0, 0, cv::INTER_NEAREST);
                        },
                        false, false));

    // Codes of ChangeColorDepth: 2 is 8 bits (gray sources only), 3 is 24 bits.
    rows.push_back(Pair("Depth24to8", "ChangeColorDepth(2) 24->8 gray", "extractChannel", 1.0, gray24,
                        [](CVelora& im) { return im.ChangeColorDepth(2); },
                        [](cv::Mat& m, cv::Mat& out) { cv::extractChannel(m, out, 2); }, false));
    rows.push_back(Pair("Depth8to24", "ChangeColorDepth(3) 8->24", "cvtColor GRAY2BGR", 1.0, gray8,
                        [](CVelora& im) { return im.ChangeColorDepth(3); },
                        [](cv::Mat& m, cv::Mat& out) { cv::cvtColor(m, out, cv::COLOR_GRAY2BGR); }, false));

    // Gray-level operations: tables against LUT, masks against bitwise_and, balance against add.
    rows.push_back(lutRow("GraySlice", "GrayLevelSlice(1,60,180,255,0)",
                          [](CVelora& im) { return im.GrayLevelSlice(1, 60, 180, 255, 0); }));
    {
        auto bands = [](CVelora& im) { return im.GrayBands(24); };
        const cv::Mat table = TableOf(bands);
        // Ours first makes sure the image is gray (a pass that the LUT does not make).
        rows.push_back(Pair("GrayBands", "GrayBands(24) 24 bits gray", "LUT", 1.0, gray24, bands,
                            [table](cv::Mat& m, cv::Mat&) { cv::LUT(m, table, m); }, true));
    }
    {
        // A table per channel: blue, green and red read off the ramp.
        auto falseColor = [](CVelora& im) { return im.FalseColor(); };
        CVelora ramp(nullptr, nullptr, 256, 1, 24);
        for (std::uint32_t v = 0; v < 256; ++v) ramp.SetPixel(std::int32_t(v), 0, v * 0x010101u);
        Check(falseColor(ramp), "FalseColor on the ramp");
        cv::Mat planes[3] = {cv::Mat(1, 256, CV_8U), cv::Mat(1, 256, CV_8U), cv::Mat(1, 256, CV_8U)};
        for (int v = 0; v < 256; ++v)
            for (int c = 0; c < 3; ++c) planes[c].at<std::uint8_t>(v) = std::uint8_t(ramp.GetPixel(v, 0) >> (8 * c));
        cv::Mat table;
        cv::merge(planes, 3, table);
        rows.push_back(Pair("FalseColor", "FalseColor()", "LUT, a table per channel", 1.0, rgb, falseColor,
                            [table](cv::Mat& m, cv::Mat&) { cv::LUT(m, table, m); }, true));
    }
    rows.push_back(Pair("EraseBitPlanes", "EraseBitPlanes(0,3,7,12,20)", "bitwise_and with a scalar", 1.0, rgb,
                        [](CVelora& im) {
                            std::array<int, 24> flags{};
                            for (int p : {0, 3, 7, 12, 20}) flags[std::size_t(23 - p)] = 1;
                            return im.EraseBitPlanes(flags);
                        },
                        [](cv::Mat& m, cv::Mat&) {
                            cv::bitwise_and(m, cv::Scalar(0xFF & ~0x89, 0xFF & ~0x10, 0xFF & ~0x10), m);
                        },
                        true));
    rows.push_back(Pair("ColorBalance", "ColorBalance(30,-45,10)", "add with saturation", 1.0, rgb,
                        [](CVelora& im) { return im.ColorBalance(30, -45, 10); },
                        [](cv::Mat& m, cv::Mat&) { cv::add(m, cv::Scalar(255 * 10 / 100, 255 * -45 / 100, 255 * 30 / 100), m); },
                        true));
    // Threshold t with outputs 0 and 255: a level v >= t, that is v > t - 1, becomes 255.
    auto threshold = [](CVelora& im) { return im.Threshold(128, 0, 255); };
    auto binary = [](cv::Mat& m, cv::Mat&) { cv::threshold(m, m, 127, 255, cv::THRESH_BINARY); };
    rows.push_back(Pair("Threshold24", "Threshold(128,0,255) 24 bits", "threshold BINARY 127", 1.0, rgb, threshold, binary, true));
    rows.push_back(Pair("Threshold8", "Threshold(128,0,255) 8 bits gray", "threshold BINARY 127", 1.0, gray8, threshold, binary, true));

    // Translation keeping the size: warpAffine by a pure translation, nearest, constant border.
    // Rows are stored bottom-up, so a move down is a move up in the Mat's rows.
    for (const auto& [key, dx, dy] : {std::tuple{"Translate24", 101, -37}, std::tuple{"Translate8", -64, 200}}) {
        const bool eight = std::string(key) == "Translate8";
        const int moveX = dx, moveY = dy;
        char call[64];
        std::snprintf(call, sizeof call, "Translate(1,%d,%d,#204060) %s", moveX, moveY, eight ? "8 bits gray" : "24 bits");
        rows.push_back(Pair(key, call, "warpAffine translation INTER_NEAREST", 1.0, eight ? std::function<CVelora()>(gray8) : std::function<CVelora()>(rgb),
                            [moveX, moveY](CVelora& im) { return im.Translate(1, moveX, moveY, 0x604020); },
                            [moveX, moveY, eight](cv::Mat& m, cv::Mat& out) {
                                const cv::Matx23d shift(1, 0, moveX, 0, 1, -moveY);
                                // The gray ramp's index of (0x20, 0x40, 0x60) is none: the last entry.
                                const cv::Scalar fill = eight ? cv::Scalar(255) : cv::Scalar(0x60, 0x40, 0x20);
                                cv::warpAffine(m, out, shift, m.size(), cv::INTER_NEAREST, cv::BORDER_CONSTANT, fill);
                            },
                            false));
    }

    // Files of twice the side (4096 x 4096 by default), on /dev/shm when there is one.
    const std::int32_t fileSide = 2 * n;
    const std::string sizeText = std::to_string(fileSide) + "x" + std::to_string(fileSide);
    rows.push_back({"LoadBMP", "LoadBMP " + sizeText + " 24 bits", "imread", 1.0, [fileSide] {
                        auto s = std::make_shared<FileState>("load.bmp");
                        Check(RandomImage(fileSide, 24).SaveBMP(s->path), "SaveBMP");
                        Side ours{nullptr, [s] { Check(s->image.LoadBMP(s->path), "LoadBMP"); }};
                        Side theirs{nullptr, [s] { s->mat = cv::imread(s->path, cv::IMREAD_UNCHANGED); }};
                        auto same = [s] {
                            cv::Mat upright;  // the file is bottom-up, as our rows
                            cv::flip(Wrap(s->image), upright, 0);
                            return int(Same(upright, s->mat));
                        };
                        return Bench{ours, theirs, same, s};
                    }});
    rows.push_back({"SaveBMP", "SaveBMP " + sizeText + " 24 bits", "imwrite .bmp", 1.1, [fileSide] {
                        auto s = std::make_shared<FileState>("save.bmp");
                        s->image = RandomImage(fileSide, 24);
                        s->mat = Wrap(s->image);
                        Side ours{nullptr, [s] { Check(s->image.SaveBMP(s->path), "SaveBMP"); }};
                        Side theirs{nullptr, [s] {
                                        if (!cv::imwrite(s->path, s->mat)) Fail("imwrite");
                                    }};
                        return Bench{ours, theirs, [] { return -1; }, s};
                    }});
    // ---- Convolution filters: the mean 3x3 (replicated border, clamped), the 11x11 LoG
    // (replicated border, clamped) and the medians. Ours filters the red component of a 24-bit
    // image into gray; OpenCV filters the three channels. The values differ (OpenCV rounds a
    // float sum), so the results are not compared.
    {
        cv::Mat log11(11, 11, CV_32F);
        const velora::FilterEntry& log = *velora::FindFilterEntry(65);
        for (int i = 0; i < 121; ++i) log11.at<float>(i / 11, i % 11) = float(log.coefficients[std::size_t(i)]);
        for (const bool eight : {false, true}) {
            const std::function<CVelora()> source = eight ? std::function<CVelora()>(gray8) : std::function<CVelora()>(rgb);
            const std::string bits = eight ? "8" : "24";
            rows.push_back(Pair("Mean3x3_" + bits, "PredefinedFilter(16,1,2) " + bits + " bits", "blur 3x3 REPLICATE", 1.0,
                                source, [](CVelora& im) { return im.PredefinedFilter(16, 1, 2); },
                                [](cv::Mat& m, cv::Mat& out) { cv::blur(m, out, cv::Size(3, 3), cv::Point(-1, -1), cv::BORDER_REPLICATE); },
                                false, false));
            rows.push_back(Pair("LoG11x11_" + bits, "PredefinedFilter(65,1,2) " + bits + " bits", "filter2D 11x11 REPLICATE", 1.0,
                                source, [](CVelora& im) { return im.PredefinedFilter(65, 1, 2); },
                                [log11](cv::Mat& m, cv::Mat& out) { cv::filter2D(m, out, -1, log11, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE); },
                                false, false));
            rows.push_back(Pair("Median3_" + bits, "PredefinedFilter(22) " + bits + " bits", "medianBlur 3", 1.2, source,
                                [](CVelora& im) { return im.PredefinedFilter(22, 0, 0); },
                                [](cv::Mat& m, cv::Mat& out) { cv::medianBlur(m, out, 3); }, false, false));
            rows.push_back(Pair("Median5_" + bits, "PredefinedFilter(23) " + bits + " bits", "medianBlur 5", 1.2, source,
                                [](CVelora& im) { return im.PredefinedFilter(23, 0, 0); },
                                [](cv::Mat& m, cv::Mat& out) { cv::medianBlur(m, out, 5); }, false, false));
        }
    }
    AddImageAlgebraRows(rows, n);
    AddMorphologyRows(rows, n);
    return rows;
}

// ---------------------------------------------------------------- thread settings

struct Column {
    const char* label;
    unsigned ourThreads;  // for CVelora::SetThreadCount: 0 one per hardware thread
    int opencvThreads;    // for cv::setNumThreads: -1 its default
};

void Apply(const Column& column) {
    CVelora::SetThreadCount(column.ourThreads);
    cv::setNumThreads(column.opencvThreads);
}

// ---------------------------------------------------------------- main

bool Selected(const Options& options, const std::string& key) {
    if (options.rows.empty()) return true;
    for (const std::string& want : options.rows)
        if (key.size() >= want.size() && strncasecmp(key.c_str(), want.c_str(), want.size()) == 0) return true;
    return false;
}

// The "Parallel framework" line of OpenCV's build information.
std::string ParallelFramework() {
    const std::string info = cv::getBuildInformation();
    const std::size_t at = info.find("Parallel framework:");
    if (at == std::string::npos) return "parallel framework unknown";
    const std::size_t from = info.find_first_not_of(' ', at + 19), to = info.find('\n', at);
    return "parallel " + info.substr(from, to - from);
}

int Usage() {
    std::fprintf(stderr,
                 "usage: velora_vs_opencv [--runs N] [--size N] [--rows NAME...]\n"
                 "  --runs N     timed runs of each side per row (default 21)\n"
                 "  --size N     side of the random images (default 2048; the BMP files are twice as wide)\n"
                 "  --rows NAME  only the rows whose name starts with one of the names (case ignored)\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--runs" || arg == "--size") && i + 1 < argc) {
            const int value = std::atoi(argv[++i]);
            if (value < 1) return Usage();
            (arg == "--runs" ? options.runs : options.size) = value;
        } else if (arg == "--rows") {
            while (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) options.rows.push_back(argv[++i]);
        } else {
            return Usage();
        }
    }

    const std::vector<Column> columns = {{"1 thread each", 1, 1}, {"all threads each (the defaults)", 0, -1}};
    std::printf("velora_vs_opencv: OpenCV %s (IPP %s, %s); hardware_concurrency %u; default threads: ours %u, "
                "OpenCV %d\n",
                CV_VERSION, cv::ipp::useIPP() ? "on" : "off", ParallelFramework().c_str(),
                std::thread::hardware_concurrency(), CVelora::GetThreadCount(), cv::getNumThreads());
    // Other work on the machine slows both sides, but not always alike: the load says how far to trust a table.
    double load[1] = {-1};
    getloadavg(load, 1);
    std::printf("%dx%d random images, %d runs each after a warm-up, interleaved; times in ms; ratio = ours min / "
                "OpenCV min; load average %.2f\n\n",
                options.size, options.size, options.runs, load[0]);

    std::printf("%-14s %-37s %-34s %6s", "row", "ours", "OpenCV", "target");
    for (const Column& c : columns) std::printf(" | %-44s", c.label);
    std::printf(" | same\n%-14s %-37s %-34s %6s", "", "", "", "");
    for (std::size_t c = 0; c < columns.size(); ++c)
        std::printf(" | %8s %8s %8s %8s %7s ", "ours min", "med", "cv min", "med", "ratio");
    std::printf(" | bytes\n");

    int misses = 0;
    for (const Row& row : AllRows(options)) {
        if (!Selected(options, row.key)) continue;
        const Bench bench = row.make();
        std::printf("%-14s %-37s %-34s ", row.key.c_str(), row.call.c_str(), row.counterpart.c_str());
        char target[16] = "-";
        if (row.target > 0) std::snprintf(target, sizeof target, "%.1f", row.target);
        std::printf("%6s", target);
        for (const Column& column : columns) {
            Apply(column);
            const Timing t = Measure(bench.ours, bench.theirs, options.runs);
            const double ratio = t.ours.min / t.theirs.min;
            const bool miss = row.target > 0 && ratio > row.target;
            misses += miss;
            std::printf(" | %8.3f %8.3f %8.3f %8.3f %7.2f%s", t.ours.min, t.ours.median, t.theirs.min, t.theirs.median,
                        ratio, miss ? "!" : " ");
            std::fflush(stdout);
        }
        const int same = bench.same();
        std::printf(" | %s\n", same < 0 ? "-" : same ? "yes" : "no");
    }
    std::printf("\n%d ratio(s) above target, marked with '!' (a report, not a test). \"same bytes\": whether both "
                "results are identical.\n",
                misses);
    return 0;
}
