// SaveBMP files, each beside a dump of the colours given here (not the library's), for other tools to read.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "CVelora.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);

    struct Case {
        int depth, width;
        std::uint32_t entries;  // colour table entries; 0 for direct colour
    };
    // Odd widths (and width 1) need row padding at every depth; 100 entries is a short table.
    const Case cases[] = {{1, 1, 2},  {1, 37, 2},  {4, 13, 16}, {4, 38, 16}, {8, 37, 256},
                          {8, 39, 100}, {24, 1, 0}, {24, 37, 0}, {32, 37, 0}, {32, 2, 0}};
    const int height = 7;
    std::mt19937 rng(7);
    for (const Case& c : cases) {
        std::vector<RGBQUAD> palette(c.entries);
        for (auto& e : palette) e = RGBQUAD{std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()), 0};
        CVelora image = c.entries != 0 ? CVelora::WithTable(c.width, height, c.depth, c.entries, palette.data())
                                       : CVelora(nullptr, nullptr, c.width, height, c.depth);
        std::string dump = "VDUMP rgb " + std::to_string(c.width) + " " + std::to_string(height) + "\n";
        bool ok = image.HasImage();
        for (int y = 0; y < height && ok; ++y)
            for (int x = 0; x < c.width && ok; ++x) {
                const std::uint32_t value = c.entries != 0 ? rng() % c.entries : rng() & 0xFFFFFFu;
                ok = image.SetPixel(x, y, value) == 0;
                // The fourth byte of a 32-bit pixel means nothing to a reader: make it noise.
                if (c.depth == 32) ok = ok && image.SetAlfa(x, y, std::uint8_t(rng())) == 0;
                const RGBQUAD q = c.entries != 0 ? palette[value]
                                                 : RGBQUAD{std::uint8_t(value), std::uint8_t(value >> 8),
                                                           std::uint8_t(value >> 16), 0};
                dump += {char(q.rgbRed), char(q.rgbGreen), char(q.rgbBlue)};
            }
        const std::string name = "ours-" + std::to_string(c.depth) + "bit-w" + std::to_string(c.width) + "-t" +
                                 std::to_string(c.entries) + ".bmp";
        if (!ok || image.SaveBMP((dir / name).string()) != 0) {
            std::fprintf(stderr, "could not make %s\n", name.c_str());
            return 1;
        }
        std::ofstream((dir / (name + ".dump")).string(), std::ios::binary) << dump;
    }
    return 0;
}
