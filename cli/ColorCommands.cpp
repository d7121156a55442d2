#include "ColorCommands.h"

#include <charconv>
#include <cstdio>
#include <functional>
#include <map>

#include "CVelora.h"
#include "Json.h"

namespace velora::cli {

namespace {

using FromRgb = float* (*)(float*, std::uint32_t, int);
using ToRgb = RGBQUAD* (*)(RGBQUAD*, const float*, int);
using TwoRanges = float* (*)(float*, const float*, int, int);

struct Conversion {
    int components;  // of the model side
    FromRgb fromRgb = nullptr;
    ToRgb toRgb = nullptr;
    TwoRanges twoRanges = nullptr;
};

const std::map<std::string, Conversion>& Conversions() {
    static const std::map<std::string, Conversion> table = {
        {"RGBToCMYK", {4, &CVelora::RGBToCMYK}},   {"RGBToHSI", {3, &CVelora::RGBToHSI}},
        {"RGBToHSV", {3, &CVelora::RGBToHSV}},     {"RGBToHSL", {3, &CVelora::RGBToHSL}},
        {"RGBToYIQ", {3, &CVelora::RGBToYIQ}},     {"RGBToYUV", {3, &CVelora::RGBToYUV}},
        {"RGBToYCbCr", {3, &CVelora::RGBToYCbCr}}, {"RGBToXYZ", {3, &CVelora::RGBToXYZ}},
        {"RGBToLAB", {3, &CVelora::RGBToLAB}},     {"RGBToLUV", {3, &CVelora::RGBToLUV}},
        {"CMYKToRGB", {4, nullptr, &CVelora::CMYKToRGB}}, {"HSIToRGB", {3, nullptr, &CVelora::HSIToRGB}},
        {"HSVToRGB", {3, nullptr, &CVelora::HSVToRGB}},   {"HSLToRGB", {3, nullptr, &CVelora::HSLToRGB}},
        {"YIQToRGB", {3, nullptr, &CVelora::YIQToRGB}},   {"YUVToRGB", {3, nullptr, &CVelora::YUVToRGB}},
        {"YCbCrToRGB", {3, nullptr, &CVelora::YCbCrToRGB}}, {"XYZToRGB", {3, nullptr, &CVelora::XYZToRGB}},
        {"XYZToLAB", {3, nullptr, nullptr, &CVelora::XYZToLAB}}, {"XYZToLUV", {3, nullptr, nullptr, &CVelora::XYZToLUV}},
        {"LABToXYZ", {3, nullptr, nullptr, &CVelora::LABToXYZ}}, {"LUVToXYZ", {3, nullptr, nullptr, &CVelora::LUVToXYZ}},
    };
    return table;
}

template <class T>
bool ParseList(const std::string& text, std::vector<T>& out) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        T value{};
        const auto result = std::from_chars(text.data() + start, text.data() + comma, value);
        if (result.ec != std::errc() || result.ptr != text.data() + comma) return false;
        out.push_back(value);
        start = comma + 1;
    }
    return true;
}

std::string Floats(const float* values, int count) {
    std::string list = "[";
    for (int i = 0; i < count; ++i) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.9g", double(values[i]));
        list += (i ? "," : "") + std::string(buffer);
    }
    return list + "]";
}

}  // namespace

std::vector<std::string> ColourConversionNames() {
    std::vector<std::string> names;
    for (const auto& entry : Conversions()) names.push_back(entry.first);
    return names;
}

ColorOutcome ConvertColour(const std::string& name, const std::string& value, const std::string& range) {
    const auto found = Conversions().find(name);
    if (found == Conversions().end()) return {ColorOutcome::Usage, "unknown conversion '" + name + "'"};
    const Conversion& conversion = found->second;
    std::vector<int> ranges;
    if (!ParseList(range, ranges) || ranges.size() != (conversion.twoRanges ? 2u : 1u))
        return {ColorOutcome::Usage, name + " takes " + (conversion.twoRanges ? "two range codes (in,out)" : "one range code")};
    JsonObject json;
    json.Add("conversion", name);
    json.Raw("range", ranges.size() == 1 ? std::to_string(ranges[0])
                                         : "[" + std::to_string(ranges[0]) + "," + std::to_string(ranges[1]) + "]");
    float out[4] = {};
    if (conversion.fromRgb) {
        std::uint32_t colour = 0;
        const auto result = std::from_chars(value.data(), value.data() + value.size(), colour, 16);
        if (value.size() != 6 || result.ec != std::errc() || result.ptr != value.data() + value.size())
            return {ColorOutcome::Usage, "the colour must be six hexadecimal digits RRGGBB"};
        json.Add("input", value);
        if (!conversion.fromRgb(out, colour, ranges[0])) return {ColorOutcome::Refused, name + " has no range " + range};
        json.Raw("result", Floats(out, conversion.components));
        return {ColorOutcome::Done, json.Text()};
    }
    std::vector<float> components;
    if (!ParseList(value, components) || int(components.size()) != conversion.components)
        return {ColorOutcome::Usage, name + " takes " + std::to_string(conversion.components) + " comma-separated numbers"};
    json.Raw("input", Floats(components.data(), conversion.components));
    if (conversion.toRgb) {
        RGBQUAD rgb{};
        if (!conversion.toRgb(&rgb, components.data(), ranges[0])) return {ColorOutcome::Refused, name + " has no range " + range};
        json.Raw("result", JsonObject().Add("red", int(rgb.rgbRed)).Add("green", int(rgb.rgbGreen)).Add("blue", int(rgb.rgbBlue)).Text());
        return {ColorOutcome::Done, json.Text()};
    }
    if (!conversion.twoRanges(out, components.data(), ranges[0], ranges[1]))
        return {ColorOutcome::Refused, name + " has no ranges " + range};
    json.Raw("result", Floats(out, 3));
    return {ColorOutcome::Done, json.Text()};
}

}  // namespace velora::cli
