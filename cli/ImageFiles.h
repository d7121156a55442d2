// Loading and saving by file extension, as the workbench's documents do, with the
// command line's messages for the readers' result codes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "CVelora.h"
#include "CallFacts.h"

namespace velora::cli {

struct LoadOptions {
    std::optional<CVelora::RawSize> rawSize;  // --raw-size, for RAW files outside the size table
};

// Loads by extension; on failure returns the reader's code (or 1 for an unknown
// extension) and a message that names the file and the code.
unsigned LoadImageFile(const std::string& path, const LoadOptions& options, CVelora& image, std::string& message);

// Saves by extension (BMP or RAW); false with a message when it fails. The file is
// replaced only once the new one is complete: a failure leaves it as it was.
bool SaveImageFile(const std::string& path, const CVelora& image, std::string& message);

// Saves the image and the files its steps gave (SavePalette's) together: every one is
// complete in its temporary before the first takes its place, so that a failure leaves them
// all as they were (message ends "nothing was written").
bool SaveImageWithFiles(const std::string& path, const CVelora& image, const std::vector<catalog::FileOutput>& files,
                        std::string& message);

// "cannot write 'PATH': writing the file failed: No space left on device (writer result 2)";
// systemReason may be empty.
std::string WriteFailureMessage(const std::string& path, unsigned code, const std::string& systemReason);

}  // namespace velora::cli
