// LoadFromDIB on a clipboard DIB (a BMP without its file header).
#include "FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::CheckReader(fuzz::Codes({kLoadInvalid, kLoadBadDepth, kLoadCompressed, kLoadTooLarge}),
                      [&](CVelora& image) { return image.LoadFromDIB(data, size); });
    return 0;
}
