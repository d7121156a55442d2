#include "Operations.h"

#include <charconv>
#include <cstdlib>

#include "Json.h"

namespace velora::cli {
namespace {

using K = ArgKind;
using Kind = Operation::Kind;

std::string RgbQuadJson(unsigned code, const RGBQUAD& c) {
    return JsonObject()
        .Add("code", code)
        .Add("blue", int(c.rgbBlue))
        .Add("green", int(c.rgbGreen))
        .Add("red", int(c.rgbRed))
        .Add("reserved", int(c.rgbReserved))
        .Text();
}

std::string MeanJson(std::int64_t value, const RGBQUAD& c) {
    return JsonObject()
        .Add("value", value)
        .Add("red", int(c.rgbRed))
        .Add("green", int(c.rgbGreen))
        .Add("blue", int(c.rgbBlue))
        .Text();
}

std::vector<Operation> BuildTable() {
    std::vector<Operation> t;
    auto step = [&](std::string_view name, std::string_view family, std::vector<ArgSpec> args,
                    std::string_view summary, std::function<unsigned(CVelora&, const Args&)> apply) {
        t.push_back(Operation{name, Kind::Step, family, std::move(args), summary, std::move(apply), nullptr});
    };
    auto query = [&](std::string_view name, std::vector<ArgSpec> args, std::string_view summary,
                     std::function<std::string(const CVelora&, const Args&)> run) {
        t.push_back(Operation{name, Kind::Query, "Queries", std::move(args), summary, nullptr, std::move(run)});
    };

    // ---- Steps (velora apply) ----
    step("Negative", "Intensity",
         {{"luminance", K::Flag}, {"red", K::Flag}, {"green", K::Flag}, {"blue", K::Flag}},
         "complement the luminance and/or single channels",
         [](CVelora& im, const Args& a) { return im.Negative(a.Int(0), a.Int(1), a.Int(2), a.Int(3)); });
    step("Brightness", "Intensity", {{"percent", K::Int}}, "add L*percent/100 to every level (-100..100)",
         [](CVelora& im, const Args& a) { return im.Brightness(a.Int(0)); });
    step("Gamma", "Intensity", {{"gamma", K::Float}}, "f(x) = L * (x / L)^(1/gamma), truncated",
         [](CVelora& im, const Args& a) { return im.Gamma(a.Float(0)); });
    step("LinearContrast", "Intensity",
         {{"inMin", K::Int}, {"inMax", K::Int}, {"outMin", K::Int}, {"outMax", K::Int}, {"luminance", K::Flag},
          {"red", K::Flag}, {"green", K::Flag}, {"blue", K::Flag}},
         "map [inMin, inMax] linearly onto [outMin, outMax]",
         [](CVelora& im, const Args& a) {
             return im.LinearContrast(a.Int(0), a.Int(1), a.Int(2), a.Int(3), a.Int(4), a.Int(5), a.Int(6), a.Int(7));
         });
    step("NonLinearContrast", "Intensity", {{"colorModel", K::Int}, {"function", K::Int}, {"alpha", K::Float}},
         "0 square, 1 cube, 2 square root, 3 cube root, 4 log, 5 sine and 6 tangent sigmoid (alpha 0..1)",
         [](CVelora& im, const Args& a) { return im.NonLinearContrast(a.Int(0), a.Int(1), a.Float(2)); });
    step("Equalize", "Intensity", {{"colorModel", K::Int}, {"rounding", K::Int}},
         "histogram equalization; rounding 0 classic, 1 truncation, 2 upwards (RGB)",
         [](CVelora& im, const Args& a) { return im.Equalize(a.Int(0), a.Int(1)); });
    step("ColorToGray", "Intensity", {{"method", K::Int}}, "gray levels: 0 luminance (YIQ), 1 mean of R, G, B",
         [](CVelora& im, const Args& a) { return im.ColorToGray(a.Int(0)); });
    step("ChangeColorDepth", "Intensity", {{"code", K::Int}}, "new depth: 0..4 = 1, 4, 8, 24, 32 bits per pixel",
         [](CVelora& im, const Args& a) { return im.ChangeColorDepth(a.Int(0)); });
    step("Flip", "Geometry", {{"mode", K::Int}}, "mirror: 0 horizontal (left-right), 1 vertical (upside down)",
         [](CVelora& im, const Args& a) { return im.Flip(a.Int(0)); });
    step("Scale", "Geometry", {{"fx", K::Float}, {"fy", K::Float}, {"mode", K::Int}},
         "nearest neighbour: mode 0 by factors, mode 1 to fx columns and fy rows",
         [](CVelora& im, const Args& a) { return im.Scale(a.Float(0), a.Float(1), a.Int(2)); });

    // ---- Queries (velora query) ----
    query("IsGray", {}, "true when every palette entry (or pixel) has red = green = blue",
          [](const CVelora& im, const Args&) { return std::string(im.IsGray() ? "true" : "false"); });
    query("GetPixel", {{"x", K::Int}, {"y", K::Int}},
          "raw value: palette index, or 0x00RRGGBB; 4294967295 outside, 4294967294 bad depth",
          [](const CVelora& im, const Args& a) { return std::to_string(im.GetPixel(a.Int(0), a.Int(1))); });
    query("GetRGBPixel", {{"x", K::Int}, {"y", K::Int}}, "colour of the pixel, with the accessor's code",
          [](const CVelora& im, const Args& a) {
              RGBQUAD c{};
              const unsigned code = im.GetRGBPixel(a.Int(0), a.Int(1), c);
              return RgbQuadJson(code, c);
          });
    query("GetAlfa", {{"x", K::Int}, {"y", K::Int}}, "alpha byte; 255 outside, 254 when not 32-bit",
          [](const CVelora& im, const Args& a) { return std::to_string(int(im.GetAlfa(a.Int(0), a.Int(1)))); });
    query("Histogram", {{"scale", K::Int}}, "counts per level (0..255) of luminance, red, green, blue; scaled to scale when >= 1",
          [](const CVelora& im, const Args& a) {
              HistogramTable table{};
              const unsigned code = im.Histogram(table, a.Int(0));
              JsonObject json;
              json.Add("code", code);
              static const char* const kChannels[4] = {"luminance", "red", "green", "blue"};
              for (std::size_t channel = 0; channel < 4; ++channel) {
                  std::string list = "[";
                  for (std::size_t level = 0; level < 256; ++level)
                      list += (level ? "," : "") + std::to_string(table[level][channel]);
                  json.Raw(kChannels[channel], list + "]");
              }
              return json.Text();
          });
    query("GetInfoHistogram", {}, "per channel the lowest, highest and most frequent level with their counts",
          [](const CVelora& im, const Args&) {
              InfoHistogram info;
              const unsigned code = im.GetInfoHistogram(info);
              JsonObject json;
              json.Add("code", code);
              static const char* const kChannels[4] = {"luminance", "red", "green", "blue"};
              const auto pair = [](const InfoHistogram::LevelCount& lc) {
                  return JsonObject().Add("level", lc.level).Add("count", lc.count).Text();
              };
              for (std::size_t c = 0; c < 4; ++c)
                  json.Raw(kChannels[c], JsonObject()
                                             .Raw("lowest", pair(info.lowest[c]))
                                             .Raw("highest", pair(info.highest[c]))
                                             .Raw("mode", pair(info.mode[c]))
                                             .Text());
              return json.Text();
          });
    query("GetMeanColumn", {{"x", K::Int}}, "mean value and colour of a column; value -1 bad depth, -2 outside",
          [](const CVelora& im, const Args& a) {
              RGBQUAD c{};
              return MeanJson(im.GetMeanColumn(a.Int(0), c), c);
          });
    query("GetMeanRow", {{"y", K::Int}}, "mean value and colour of a row; value -1 bad depth, -2 outside",
          [](const CVelora& im, const Args& a) {
              RGBQUAD c{};
              return MeanJson(im.GetMeanRow(a.Int(0), c), c);
          });
    query("GetMeanImage", {}, "mean value (0x00RRGGBB for direct colour) and colour of the image",
          [](const CVelora& im, const Args&) {
              RGBQUAD c{};
              return MeanJson(im.GetMeanImage(c), c);
          });
    query("CountDifferentPixels", {{"imageB", K::Image}},
          "positions of the common top-left rectangle whose raw values differ",
          [](const CVelora& im, const Args& a) { return std::to_string(im.CountDifferentPixels(a.Image(0))); });
    return t;
}

bool ParseInt(std::string_view s, std::int64_t& out) {
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty()) return false;
    std::uint64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || end != s.data() + s.size() || v > 0xFFFFFFFFull) return false;
    out = negative ? -std::int64_t(v) : std::int64_t(v);
    return true;
}

bool ParseFloat(std::string_view s, double& out) {
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

bool ParseColour(std::string_view s, std::int64_t& out) {
    if (s.size() == 7 && s[0] == '#') {
        std::uint32_t rgb = 0;
        const auto [end, ec] = std::from_chars(s.data() + 1, s.data() + 7, rgb, 16);
        if (ec != std::errc() || end != s.data() + 7) return false;
        out = RGB(std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb));
        return true;
    }
    return ParseInt(s, out) && out >= 0;
}

std::vector<std::string> SplitArguments(std::string_view text) {
    std::vector<std::string> parts;
    if (text.empty()) return parts;
    std::size_t start = 0;
    while (true) {
        const auto comma = text.find(',', start);
        parts.emplace_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return parts;
}

std::string_view KindName(ArgKind k) {
    switch (k) {
        case K::Int: return "an integer";
        case K::Float: return "a number";
        case K::Flag: return "0 or 1";
        case K::Colour: return "a colour (#RRGGBB)";
        case K::Image: return "an image file";
        case K::Path: return "a path";
        case K::IntList: return "integers";
    }
    return "";
}

}  // namespace

const std::vector<Operation>& Operations() {
    static const std::vector<Operation> table = BuildTable();
    return table;
}

const Operation* FindOperation(std::string_view name, Operation::Kind kind) {
    for (const auto& op : Operations())
        if (op.name == name && op.kind == kind) return &op;
    return nullptr;
}

std::string Signature(const Operation& op) {
    std::string s(op.name);
    for (std::size_t i = 0; i < op.args.size(); ++i) {
        s += i == 0 ? ":" : ",";
        s += op.args[i].name;
        if (op.args[i].kind == K::IntList) s += ",...";
    }
    return s;
}

std::string Args::ToJson(const std::vector<std::string>& raw) const {
    std::string out = "[";
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        if (i > 0) out += ",";
        const ArgValue& v = m_values[i];
        if (const auto* n = std::get_if<std::int64_t>(&v)) out += std::to_string(*n);
        else if (std::holds_alternative<double>(v)) out += raw[i];
        else if (const auto* list = std::get_if<std::vector<std::int64_t>>(&v)) {
            out += "[";
            for (std::size_t j = 0; j < list->size(); ++j) out += (j ? "," : "") + std::to_string((*list)[j]);
            out += "]";
        } else out += JsonQuote(i < raw.size() ? raw[i] : std::string());
    }
    return out + "]";
}

bool ParseCall(std::string_view text, Operation::Kind kind, const ImageLoader& loader, ParsedCall& call,
               std::string& message, bool& loadFailed) {
    loadFailed = false;
    const auto colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    const Operation* op = FindOperation(name, kind);
    if (op == nullptr) {
        message = std::string("unknown ") + (kind == Kind::Step ? "operation" : "query") + " '" + std::string(name) +
                  "' (see 'velora list')";
        return false;
    }
    std::vector<std::string> raw =
        colon == std::string_view::npos ? std::vector<std::string>{} : SplitArguments(text.substr(colon + 1));
    const bool variadic = !op->args.empty() && op->args.back().kind == K::IntList;
    const std::size_t fixed = variadic ? op->args.size() - 1 : op->args.size();
    if (variadic ? raw.size() < fixed : raw.size() != fixed) {
        message = std::string(op->name) + " takes " + (variadic ? "at least " : "") + std::to_string(fixed) +
                  " argument" + (fixed == 1 ? "" : "s") + " (" + Signature(*op) + "), got " + std::to_string(raw.size());
        return false;
    }

    std::vector<ArgValue> values;
    for (std::size_t i = 0; i < op->args.size(); ++i) {
        const ArgSpec& param = op->args[i];
        const std::string& arg = i < raw.size() ? raw[i] : std::string();
        auto bad = [&] {
            message = std::string(op->name) + ": argument " + std::to_string(i + 1) + " (" + std::string(param.name) +
                      ") must be " + std::string(KindName(param.kind)) + ", not '" + arg + "'";
            return false;
        };
        switch (param.kind) {
            case K::Int:
            case K::Flag: {
                std::int64_t v;
                if (!ParseInt(arg, v) || (param.kind == K::Flag && v != 0 && v != 1)) return bad();
                values.emplace_back(v);
                break;
            }
            case K::Colour: {
                std::int64_t v;
                if (!ParseColour(arg, v)) return bad();
                values.emplace_back(v);
                break;
            }
            case K::Float: {
                double v;
                if (!ParseFloat(arg, v)) return bad();
                values.emplace_back(v);
                break;
            }
            case K::Path: values.emplace_back(arg); break;
            case K::Image: {
                auto image = std::make_shared<CVelora>();
                std::string why;
                if (loader(arg, *image, why) != 0) {
                    message = std::string(op->name) + ": " + why;
                    loadFailed = true;
                    return false;
                }
                values.emplace_back(std::move(image));
                break;
            }
            case K::IntList: {
                std::vector<std::int64_t> list;
                for (std::size_t j = i; j < raw.size(); ++j) {
                    std::int64_t v;
                    if (!ParseInt(raw[j], v)) {
                        message = std::string(op->name) + ": argument " + std::to_string(j + 1) +
                                  " must be an integer, not '" + raw[j] + "'";
                        return false;
                    }
                    list.push_back(v);
                }
                values.emplace_back(std::move(list));
                break;
            }
        }
    }
    call.op = op;
    call.rawArgs = std::move(raw);
    call.args = std::make_unique<Args>(std::move(values));
    return true;
}

}  // namespace velora::cli
