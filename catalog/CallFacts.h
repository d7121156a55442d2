// What a caller that builds arguments from text needs beyond the declarations: the values a
// parameter's type in the library holds, and the file a step writes of its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Operation.h"

namespace velora::catalog {

// The values the library member's C++ type holds for an integer parameter (an item of a
// list included): an int, a uint32 (unsigned, or a colour) or a byte. A value beyond them would
// wrap on the way in; within them, the declared range is the library's to check.
struct ValueType {
    Range range;
    std::string_view name;  // "an int", "a uint32", "a byte"
};
ValueType IntegerType(const Operation& op, const Param& param);

// A file a step writes beside the image (SavePalette's colour table): where and what.
struct FileOutput {
    std::string path;
    std::string bytes;
};
// For a step that writes a file of its own, the call that gives the file instead of writing
// it, with the step's result code, so that a caller can write it only once everything else
// has succeeded; null for every other operation.
using FileOutputCall = unsigned (*)(const CVelora& image, const Args& args, FileOutput& out);
FileOutputCall FileOutputOf(const Operation& op);

}  // namespace velora::catalog
