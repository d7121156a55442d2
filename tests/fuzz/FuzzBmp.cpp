// LoadBMP from memory loads consistently or refuses without a trace; as a file it must decide alike.
#include <sys/mman.h>
#include <unistd.h>

#include "FuzzChecks.h"

namespace {

// An in-memory regular file, so that the file form runs without touching the disk.
const std::string& FilePath() {
    static const std::string path = [] {
        const int fd = memfd_create("velora-fuzz-bmp", 0);
        return fd < 0 ? std::string() : "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::CheckReader(fuzz::Codes({kLoadInvalid, kLoadBadDepth, kLoadCompressed, kLoadTooLarge}),
                      [&](CVelora& image) { return image.LoadBMP(data, size); });

    const std::string& path = FilePath();
    if (path.empty()) return 0;
    const int fd = std::stoi(path.substr(path.rfind('/') + 1));
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size)) return 0;
    CVelora fromMemory = fuzz::StartImage(), fromFile = fuzz::StartImage();
    const unsigned memoryCode = fromMemory.LoadBMP(data, size);
    FUZZ_REQUIRE(fromFile.LoadBMP(path) == memoryCode);
    FUZZ_REQUIRE(fromFile.CopyToGlobal() == fromMemory.CopyToGlobal());
    return 0;
}
