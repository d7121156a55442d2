#include "ColorCommands.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <type_traits>

#include "ImageFiles.h"
#include "Json.h"
#include "Operation.h"
#include "SafeFile.h"

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
        // Infinities and NaN are no colour's components.
        if constexpr (std::is_floating_point_v<T>)
            if (!std::isfinite(value)) return false;
        out.push_back(value);
        start = comma + 1;
    }
    return true;
}

// Nine significant digits give back the same float; JSON has no NaN or infinity.
std::string Floats(const float* values, int count) {
    std::string list = "[";
    for (int i = 0; i < count; ++i) {
        char buffer[32] = "null";
        if (std::isfinite(values[i])) std::snprintf(buffer, sizeof buffer, "%.9g", double(values[i]));
        if (i) list += ",";
        list += buffer;
    }
    return list + "]";
}

bool ParseHexColour(std::string text, std::uint32_t& colour) {
    if (!text.empty() && text[0] == '#') text.erase(0, 1);
    if (text.size() != 6) return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), colour, 16);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
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
                                         : JsonArray({std::to_string(ranges[0]), std::to_string(ranges[1])}));
    const ColorOutcome refused{ColorOutcome::Refused, name + " has no range " + range};
    float out[4] = {};
    if (conversion.fromRgb) {
        std::uint32_t colour = 0;
        if (!ParseHexColour(value, colour))
            return {ColorOutcome::Usage, "the colour must be six hexadecimal digits RRGGBB"};
        json.Raw("input", JsonObject()
                              .Add("red", int(colour >> 16))
                              .Add("green", int((colour >> 8) & 0xFF))
                              .Add("blue", int(colour & 0xFF))
                              .Text());
        if (!conversion.fromRgb(out, colour, ranges[0])) return refused;
        json.Raw("result", Floats(out, conversion.components));
        return {ColorOutcome::Done, json.Text()};
    }
    std::vector<float> components;
    if (!ParseList(value, components) || int(components.size()) != conversion.components)
        return {ColorOutcome::Usage, name + " takes " + std::to_string(conversion.components) + " comma-separated numbers"};
    json.Raw("input", Floats(components.data(), conversion.components));
    if (conversion.toRgb) {
        RGBQUAD rgb{};
        if (!conversion.toRgb(&rgb, components.data(), ranges[0])) return refused;
        json.Raw("result", JsonObject()
                               .Add("red", int(rgb.rgbRed))
                               .Add("green", int(rgb.rgbGreen))
                               .Add("blue", int(rgb.rgbBlue))
                               .Text());
        return {ColorOutcome::Done, json.Text()};
    }
    if (!conversion.twoRanges(out, components.data(), ranges[0], ranges[1])) return refused;
    json.Raw("result", Floats(out, 3));
    return {ColorOutcome::Done, json.Text()};
}

int ColourModelOf(const std::string& text) {
    // The names the steps take ("CMYK", "CIELAB"), and those of the windows and titles.
    for (const auto& choice : catalog::ColorModelChoices()) {
        const ColorModelInfo* info = FindColorModel(choice.value);
        if (text == std::to_string(choice.value) || text == choice.name || text == info->name || text == info->shortName)
            return choice.value;
    }
    return -1;
}

std::string ComponentFileName(const std::string& prefix, int model, int component) {
    std::string name = FindColorModel(model)->componentNames[component];
    for (char& c : name)
        if (c == ' ') c = '_';
    return prefix + "_" + name + ".bmp";
}

ColorOutcome SplitIntoFiles(const CVelora& image, int model, const std::string& prefix) {
    const ColorModelInfo* info = FindColorModel(model);
    if (!info) return {ColorOutcome::Usage, "no colour model " + std::to_string(model)};
    const int count = model == kModelRGB && image.GetBitCount() == 32 ? 4 : info->components;
    std::vector<CVelora> parts;
    for (int i = 0; i < count; ++i) parts.push_back(CVelora::WithTable(image.GetWidth(), image.GetHeight(), 8, 256));
    const auto part = [&](int i) { return i < count ? &parts[std::size_t(i)] : nullptr; };
    if (const unsigned code = image.SplitChannels(model, part(0), part(1), part(2), part(3)))
        return {ColorOutcome::Refused, "SplitChannels refused the image (result " + std::to_string(code) + "); nothing was written"};
    // Every component is written to its temporary first; the files are renamed into place
    // only when all of them are complete, so that a failure leaves none of them changed.
    std::vector<velora::CSafeFile> outputs(static_cast<std::size_t>(count));
    std::string files = "[";
    for (int i = 0; i < count; ++i) {
        const std::string path = ComponentFileName(prefix, model, i);
        const CVelora& component = parts[std::size_t(i)];
        const std::vector<std::uint8_t> bytes = component.EncodeBMP();
        velora::CSafeFile& out = outputs[std::size_t(i)];
        if (!out.Open(path) || !out.Write(bytes.data(), bytes.size()) || !out.Finish())
            return {ColorOutcome::WriteFailed, WriteFailureMessage(path, out.Status().stage, out.Status().Text()) +
                                                   "; none of the files was written"};
        if (i) files += ",";
        files += JsonQuote(path);
    }
    if (const velora::SafeFileStatus status = velora::PublishTogether(outputs); !status.Ok()) {
        std::string failed;
        for (const auto& out : outputs)
            if (!out.Status().Ok()) failed = out.Target();
        return {ColorOutcome::WriteFailed, WriteFailureMessage(failed, status.stage, status.Text())};
    }
    return {ColorOutcome::Done, JsonObject().Add("model", info->shortName).Raw("files", files + "]").Text()};
}

}  // namespace velora::cli
