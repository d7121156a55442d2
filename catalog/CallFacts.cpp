#include "CallFacts.h"

#include <cstdint>
#include <limits>

namespace velora::catalog {

namespace {

constexpr ValueType kInt{{double(std::numeric_limits<std::int32_t>::min()), double(std::numeric_limits<std::int32_t>::max())},
                         "an int"};
constexpr ValueType kUnsigned{{0, double(std::numeric_limits<std::uint32_t>::max())}, "a uint32"};
constexpr ValueType kByte{{0, 255}, "a byte"};

// The members that take an integer parameter as other than an int: an RGBQUAD's channels and
// an alpha as bytes, codes and a raw pixel value as unsigned. A renamed parameter is renamed here.
struct Narrow {
    std::string_view operation, param;
    ValueType type;
};
constexpr Narrow kNarrow[] = {
    {"InitializeRGB", "red", kByte},  {"InitializeRGB", "green", kByte},    {"InitializeRGB", "blue", kByte},
    {"SetAlfa", "value", kByte},      {"FillIndex", "value", kUnsigned},    {"Arithmetic", "operation", kUnsigned},
    {"Logical", "operation", kUnsigned}, {"SaturatingArithmetic", "operation", kUnsigned},
    {"Scotoma", "type", kUnsigned},      {"Scotoma", "centreColumn", kUnsigned}, {"Scotoma", "centreRow", kUnsigned},
    {"Scotoma", "a", kUnsigned},         {"Scotoma", "b", kUnsigned},          {"Scotoma", "c", kUnsigned},
    {"Scotoma", "e", kUnsigned},         {"Scotoma", "mode", kUnsigned},       {"Scotoma", "fillWithImage", kUnsigned},
};

}  // namespace

ValueType IntegerType(const Operation& op, const Param& param) {
    if (param.kind == ParamKind::Colour) return kUnsigned;
    for (const Narrow& n : kNarrow)
        if (n.operation == op.name && n.param == param.name) return n.type;
    return kInt;
}

}  // namespace velora::catalog
