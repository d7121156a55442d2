// Our readers against independent tools' files and readings; make_peer_data.py makes the data (a fixture).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CVelora.h"

namespace fs = std::filesystem;

namespace {

const fs::path kCorpus = "tests/data/bmpsuite";
const fs::path kData = PEER_DATA_DIR;

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> FilesIn(const fs::path& dir) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".bmp") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// The pixels another tool saw, as 0xFFRRGGBB, top row first.
struct Dump {
    std::int32_t width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
};

// Reads "VDUMP <kind> <width> <height> [<maximum>]" and the samples (see make_peer_data.py).
std::optional<Dump> ReadDump(const fs::path& path) {
    const auto bytes = ReadBytes(path);
    const auto eol = std::find(bytes.begin(), bytes.end(), std::uint8_t('\n'));
    if (eol == bytes.end()) return std::nullopt;
    std::istringstream head(std::string(bytes.begin(), eol));
    std::string magic, kind;
    Dump dump;
    std::uint32_t maximum = 0;
    head >> magic >> kind >> dump.width >> dump.height >> maximum;
    const std::size_t count = std::size_t(dump.width) * std::size_t(dump.height);
    const std::size_t per = kind == "rgb" ? 3 : kind == "gray" ? 1 : kind == "gray16" && maximum > 0 ? 2 : 0;
    const std::uint8_t* p = bytes.data() + (eol - bytes.begin()) + 1;
    if (magic != "VDUMP" || per == 0 || std::size_t(bytes.end() - eol - 1) != count * per) return std::nullopt;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t r = p[i], g = p[i], b = p[i];
        if (per == 3) r = p[3 * i], g = p[3 * i + 1], b = p[3 * i + 2];
        // 16-bit levels are kept in 8 bits as v * 255 / maximum, rounded down.
        if (per == 2) r = g = b = ((std::uint32_t(p[2 * i]) << 8) | p[2 * i + 1]) * 255 / maximum;
        dump.pixels.push_back(0xFF000000u | (r << 16) | (g << 8) | b);
    }
    return dump;
}

using ChannelMatch = bool (*)(unsigned ours, unsigned peer);
bool Exact(unsigned ours, unsigned peer) { return ours == peer; }
// Pillow spreads a 5-bit level v to v * 255 / 31, we to (v << 3) | (v >> 2): up to 1 apart, same level only.
bool SameFiveBitLevel(unsigned ours, unsigned peer) {
    return (ours > peer ? ours - peer : peer - ours) <= 1 && (ours >> 3) * 255 / 31 == peer;
}

// Empty when the image shows the dump's pixels; else how many differ and the first few.
std::string Differences(const CVelora& image, const Dump& dump, ChannelMatch match = Exact) {
    const std::int32_t w = image.GetWidth(), h = image.GetHeight();
    if (w != dump.width || h != dump.height)
        return "size " + std::to_string(w) + "x" + std::to_string(h) + ", peer " + std::to_string(dump.width) +
               "x" + std::to_string(dump.height);
    std::vector<std::uint32_t> ours(std::size_t(w) * std::size_t(h));
    image.ConvertToRGB32(0, h, ours.data(), std::size_t(w));
    std::ostringstream first;
    std::size_t differing = 0;
    for (std::size_t i = 0; i < ours.size(); ++i) {
        bool same = true;
        for (int shift = 0; shift < 32; shift += 8)
            same = same && match((ours[i] >> shift) & 0xFF, (dump.pixels[i] >> shift) & 0xFF);
        if (!same && ++differing <= 5)
            first << " (" << i % std::size_t(w) << "," << i / std::size_t(w) << ") ours " << std::hex << ours[i]
                  << " peer " << dump.pixels[i] << std::dec;
    }
    return differing == 0 ? "" : std::to_string(differing) + " pixels differ:" + first.str();
}

// One reader through its three entry points.
struct Forms {
    std::function<unsigned(CVelora&, const std::string&)> path;
    std::function<unsigned(CVelora&, const std::uint8_t*, std::size_t)> memory;
    std::function<unsigned(CVelora&, CFile&)> file;
};
// load(image, source...) called with each form's source.
template <typename Load>
Forms FormsOf(Load load) {
    return {[=](CVelora& i, const std::string& p) { return load(i, p); },
            [=](CVelora& i, const std::uint8_t* b, std::size_t n) { return load(i, b, n); },
            [=](CVelora& i, CFile& f) { return load(i, f); }};
}
const Forms kBmp = FormsOf([](CVelora& i, auto&... source) { return i.LoadBMP(source...); });
const Forms kPgm = FormsOf([](CVelora& i, auto&... source) { return i.LoadPGM(source...); });
const Forms kRawBySize = FormsOf([](CVelora& i, auto&... source) { return i.LoadRAW(source...); });
Forms RawOfSize(std::int32_t w, std::int32_t h) {
    return FormsOf([=](CVelora& i, auto&... source) { return i.LoadRAW(source..., w, h); });
}

std::vector<std::uint8_t> Block(const CVelora& image) {
    return image.HasImage() ? std::vector<std::uint8_t>(image.GetDIB(), image.GetDIB() + image.GetDibSize())
                            : std::vector<std::uint8_t>{};
}

// What a load replaces: a refusal has to leave it exactly so.
CVelora Sentinel() {
    std::uint8_t bits[16 * 3];
    for (std::size_t i = 0; i < sizeof bits; ++i) bits[i] = std::uint8_t(i * 37 + 11);
    CVelora image(bits, nullptr, 5, 3, 24);
    image.SetName("sentinel.bmp");
    return image;
}

// Loads through all three forms: they agree on code and block; a refusal leaves block, size and name.
unsigned LoadEveryWay(const Forms& reader, const fs::path& path, CVelora& image) {
    const auto bytes = ReadBytes(path);
    CFile file;
    EXPECT_TRUE(file.Open(path.string(), CFile::modeRead));
    CVelora viaPath(image), viaMemory(image), viaFile(image);
    const unsigned code = reader.path(viaPath, path.string());
    EXPECT_EQ(reader.memory(viaMemory, bytes.data(), bytes.size()), code) << "memory form";
    EXPECT_EQ(reader.file(viaFile, file), code) << "open-file form";
    for (const CVelora* each : {&viaPath, &viaMemory, &viaFile}) {
        if (code != 0) {
            EXPECT_EQ(each->GetDibSize(), image.GetDibSize());
            EXPECT_TRUE(Block(*each) == Block(image)) << "a refused file changed the image";
            EXPECT_EQ(each->GetName(), image.GetName());
        } else {
            EXPECT_TRUE(Block(*each) == Block(viaPath)) << "the forms load different blocks";
        }
    }
    image = viaPath;
    return code;
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    std::uint32_t v = 0;
    if (at + 4 <= b.size()) std::memcpy(&v, b.data() + at, 4);
    return v;
}

// What the reader is meant to take, by the file's header: depths 1 to 32 uncompressed or with plain masks.
bool MeantToLoad(const std::vector<std::uint8_t>& b) {
    const bool core = U32(b, 14) == 12;
    const unsigned depth = (core ? U32(b, 24) : U32(b, 28)) & 0xFFFF;
    const std::uint32_t compression = core ? 0 : U32(b, 30);
    const std::uint32_t r = U32(b, 54), g = U32(b, 58), bl = U32(b, 62);
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32) return false;
    if (compression == 0) return true;
    return compression == 3 && ((depth == 16 && r == 0x7C00 && g == 0x03E0 && bl == 0x001F) ||
                                (depth == 32 && r == 0xFF0000 && g == 0xFF00 && bl == 0xFF));
}

}  // namespace

TEST(PeerBmpSuite, FilesLoadAsPillowReadsThemOrAreRefusedCleanly) {
    // Good files load (not compressed ones), questionable ones load or not, bad ones are refused;
    // Pillow does not know the 16-byte OS/2 2.x header: the picture is its twin's.
    const std::map<std::string, std::string> kTwin = {{"pal8os2v2-16.bmp", "pal8os2v2.bmp"}};
    for (const std::string folder : {"g", "q", "b"}) {
        int loaded = 0, refused = 0;
        for (const fs::path& path : FilesIn(kCorpus / folder)) {
            SCOPED_TRACE(path.string());
            CVelora image = Sentinel();
            const unsigned code = LoadEveryWay(kBmp, path, image);
            EXPECT_TRUE(folder != "g" || code == (MeantToLoad(ReadBytes(path)) ? 0u : 4u)) << code;
            EXPECT_TRUE(folder != "b" || code != 0) << "a bad file loaded";
            if (code != 0) {
                ++refused;
                continue;
            }
            ++loaded;
            const auto twin = kTwin.find(path.filename().string());
            const std::string reference = twin != kTwin.end() ? twin->second : path.filename().string();
            const auto pillow = ReadDump(kData / "suite" / folder / (reference + ".dump"));
            ASSERT_TRUE(pillow) << "loaded, but Pillow gives nothing to compare with";
            EXPECT_EQ(Differences(image, *pillow, image.GetBitCount() == 16 ? SameFiveBitLevel : Exact), "");
        }
        EXPECT_TRUE(folder == "g" ? loaded > 0 && refused > 0 : loaded + refused > 0) << folder;
    }
}

namespace {

// Every file of one reader in the manifest ("<reader> <file> <code> <dump or ->") loads to what was written.
void CheckWrittenFiles(const std::string& reader) {
    std::ifstream manifest(kData / "foreign/manifest.txt");
    std::string kind, name, dumpName;
    unsigned expected = 0;
    int files = 0;
    while (manifest >> kind >> name >> expected >> dumpName) {
        if (kind != reader) continue;
        SCOPED_TRACE(name);
        ++files;
        const fs::path path = kData / "foreign" / name;
        const auto dump = dumpName == "-" ? std::nullopt : ReadDump(kData / "foreign" / dumpName);
        ASSERT_TRUE(dump || dumpName == "-") << "unreadable dump";
        CVelora image = Sentinel();
        const Forms forms = reader == "bmp" ? kBmp : reader == "pgm" ? kPgm : RawOfSize(dump->width, dump->height);
        ASSERT_EQ(LoadEveryWay(forms, path, image), expected);
        if (dump) {
            EXPECT_EQ(Differences(image, *dump), "");
        }
        // A RAW file of a length in the size table loads the same without its size.
        if (reader == "raw" && CVelora::RawSizeForLength(fs::file_size(path))) {
            CVelora bySize = Sentinel();
            ASSERT_EQ(LoadEveryWay(kRawBySize, path, bySize), 0u);
            EXPECT_TRUE(Block(bySize) == Block(image));
        }
    }
    EXPECT_GT(files, 0) << "no " << reader << " files in the manifest";
}

}  // namespace

TEST(PeerWrittenFiles, BmpFromImageMagick) { CheckWrittenFiles("bmp"); }
TEST(PeerWrittenFiles, PgmFromPillowImageMagickAndByHand) { CheckWrittenFiles("pgm"); }
TEST(PeerWrittenFiles, RawFromImageMagick) { CheckWrittenFiles("raw"); }
