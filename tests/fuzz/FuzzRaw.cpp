// Both memory forms of LoadRAW: sizes from the table, or given ahead of the pixels (two signed 16-bit numbers).
#include "FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto table = CVelora::RawSizeForLength(size);
    fuzz::CheckReader(fuzz::Codes({kLoadCannotOpen}), [&](CVelora& image) {
        const unsigned code = image.LoadRAW(data, size);
        FUZZ_REQUIRE((code == kLoadOk) == table.has_value());
        if (code == kLoadOk)
            FUZZ_REQUIRE(image.GetWidth() == table->width && image.GetHeight() == table->height &&
                         image.EncodeRAW() == std::vector<std::uint8_t>(data, data + size));
        return code;
    });

    if (size < 4) return 0;
    std::int16_t width, height;
    std::memcpy(&width, data, 2);
    std::memcpy(&height, data + 2, 2);
    const std::uint8_t* pixels = data + 4;
    const std::size_t count = size - 4;
    const bool fits = width > 0 && height > 0 && std::size_t(width) * std::size_t(height) == count;
    fuzz::CheckReader(fuzz::Codes({kLoadInvalid}), [&](CVelora& image) {
        const unsigned code = image.LoadRAW(pixels, count, width, height);
        FUZZ_REQUIRE((code == kLoadOk) == fits);
        if (code == kLoadOk)
            FUZZ_REQUIRE(image.GetWidth() == width && image.GetHeight() == height &&
                         image.EncodeRAW() == std::vector<std::uint8_t>(pixels, pixels + count));
        return code;
    });
    return 0;
}
