// DecodePalette (JASC-PAL text) into a 4-bit and an 8-bit image.
#include "FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CVelora eight(nullptr, nullptr, 3, 2, 8);
    for (CVelora image : {fuzz::StartImage(), eight}) {
        const fuzz::Snapshot before(image);
        const unsigned code = image.DecodePalette(data, size);
        FUZZ_REQUIRE(code == 0 || (code >= CVelora::kPaletteNotJasc && code <= CVelora::kPaletteTooLarge));
        if (code != 0) {
            FUZZ_REQUIRE(before.SameAs(image));
            continue;
        }
        // Only the colour table changes, and what loaded writes back and loads the same.
        const std::vector<std::uint8_t> after = image.CopyToGlobal();
        const std::size_t table = sizeof(BITMAPINFOHEADER), pixels = table + 4 * std::size_t(image.GetNumColors());
        FUZZ_REQUIRE(after.size() == before.block.size());
        FUZZ_REQUIRE(std::memcmp(after.data(), before.block.data(), table) == 0);
        FUZZ_REQUIRE(std::memcmp(after.data() + pixels, before.block.data() + pixels, after.size() - pixels) == 0);
        const std::string text = image.EncodePalette();
        CVelora again = image;
        FUZZ_REQUIRE(again.DecodePalette(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()) == 0);
        FUZZ_REQUIRE(again.CopyToGlobal() == after);
    }
    return 0;
}
