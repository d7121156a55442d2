// LoadBMP on a memory buffer: any bytes load consistently or are refused without a trace.
#include "FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::CheckReader(fuzz::Codes({kLoadInvalid, kLoadBadDepth, kLoadCompressed, kLoadTooLarge}),
                      [&](CVelora& image) { return image.LoadBMP(data, size); });
    return 0;
}
