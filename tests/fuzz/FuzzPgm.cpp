// LoadPGM on a memory buffer (binary P5, 8- and 16-bit samples).
#include "FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::CheckReader(fuzz::Codes({kLoadCannotOpen, kLoadInvalid, kLoadTooLarge}), [&](CVelora& image) {
        const unsigned code = image.LoadPGM(data, size);
        // Every level of a loaded PGM has its entry in the ramp.
        if (code == kLoadOk) {
            FUZZ_REQUIRE(image.GetBitCount() == 8 && image.IsGray());
            for (std::int32_t y = 0; y < image.GetHeight(); ++y)
                for (std::int32_t x = 0; x < image.GetWidth(); ++x)
                    FUZZ_REQUIRE(image.GetPixel(x, y) < image.GetNumColors());
        }
        return code;
    });
    return 0;
}
