#include "Operations.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "Json.h"

namespace velora::cli {
namespace {

using catalog::ArgValue;
using catalog::Param;
using K = catalog::ParamKind;

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

// A choice by its number or, for readability, by its name.
bool ParseChoice(std::string_view s, const Param& param, std::int64_t& out) {
    if (ParseInt(s, out)) return true;
    for (const auto& c : param.choices)
        if (c.name == s) {
            out = c.value;
            return true;
        }
    return false;
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

std::string_view KindName(K k) {
    switch (k) {
        case K::Integer: return "an integer";
        case K::Decimal: return "a number";
        case K::Flag: return "0 or 1";
        case K::Choice: return "an integer or a choice's name";
        case K::Colour: return "a colour (#RRGGBB)";
        case K::Image: return "an image file";
        case K::Path: return "a path";
        case K::IntegerList: return "integers";
    }
    return "";
}

std::string_view TypeLabel(K k) {
    switch (k) {
        case K::Integer: return "int";
        case K::Decimal: return "float";
        case K::Flag: return "flag";
        case K::Choice: return "choice";
        case K::Colour: return "colour";
        case K::Image: return "image";
        case K::Path: return "path";
        case K::IntegerList: return "int...";
    }
    return "";
}

std::string Number(double v) { return JsonNumber(v); }

bool HasDefault(const Param& p) { return p.kind != K::Image && p.kind != K::Path && p.kind != K::IntegerList; }

std::string ParamJson(const Param& p) {
    JsonObject json;
    json.Add("name", p.name).Add("type", TypeLabel(p.kind));
    if (p.range) json.Raw("range", JsonArray({Number(p.range->min), Number(p.range->max)}));
    if (HasDefault(p)) json.Raw("default", Number(p.defaultValue));
    if (!p.choices.empty()) {
        std::string list = "[";
        for (const auto& c : p.choices) {
            if (list.size() > 1) list += ",";
            list += JsonObject().Add("value", c.value).Add("name", c.name).Add("label", c.label).Text();
        }
        json.Raw("choices", list + "]");
    }
    if (p.optional) json.Raw("optional", "true");
    if (!p.label.empty()) json.Add("label", p.label);
    if (p.source == catalog::ParamSource::ActiveColorModel) json.Add("workbench", "the active colour model");
    return json.Text();
}

// One line under a step in `velora list`: ranges, defaults and choices of its parameters.
std::string ParamDetails(const Operation& op) {
    std::string out;
    for (const Param& p : op.params) {
        std::string part;
        if (!p.choices.empty() && p.source != catalog::ParamSource::ActiveColorModel) {
            for (const auto& c : p.choices) {
                if (!part.empty()) part += ", ";
                part += std::to_string(c.value) + " " + std::string(c.name);
            }
        } else if (p.range) {
            part = Number(p.range->min) + ".." + Number(p.range->max);
        }
        if (part.empty()) continue;
        if (!out.empty()) out += "; ";
        out += std::string(p.name) + ": " + part;
    }
    return out;
}

}  // namespace

std::string ArgumentsJson(const Args& args, const std::vector<std::string>& raw) {
    std::string out = "[";
    const auto& values = args.Values();
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) out += ",";
        const ArgValue& v = values[i];
        if (const auto* n = std::get_if<std::int64_t>(&v)) out += std::to_string(*n);
        else if (std::holds_alternative<double>(v)) out += raw[i];
        else if (const auto* list = std::get_if<std::vector<std::int64_t>>(&v)) {
            out += "[";
            for (std::size_t j = 0; j < list->size(); ++j) {
                if (j) out += ",";
                out += std::to_string((*list)[j]);
            }
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
    const Operation* op = catalog::FindOperation(name);
    if (op == nullptr || op->kind != kind) {
        message = std::string("unknown ") + (kind == Operation::Kind::Step ? "operation" : "query") + " '" +
                  std::string(name) + "' (see 'velora list')";
        return false;
    }
    std::vector<std::string> raw =
        colon == std::string_view::npos ? std::vector<std::string>{} : SplitArguments(text.substr(colon + 1));
    const bool variadic = !op->params.empty() && op->params.back().kind == K::IntegerList;
    const std::size_t fixed = variadic ? op->params.size() - 1 : op->params.size();
    std::size_t optional = 0;
    while (optional < fixed && op->params[fixed - 1 - optional].optional) ++optional;
    const std::size_t least = fixed - optional;
    if (variadic ? raw.size() < fixed : raw.size() < least || raw.size() > fixed) {
        const std::string count = !variadic && optional ? std::to_string(least) + " to " + std::to_string(fixed)
                                                        : std::to_string(fixed);
        message = std::string(op->name) + " takes " + (variadic ? "at least " : "") + count + " argument" +
                  (fixed == 1 ? "" : "s") + " (" + catalog::Signature(*op) + "), got " + std::to_string(raw.size());
        return false;
    }

    std::vector<ArgValue> values;
    for (std::size_t i = 0; i < op->params.size(); ++i) {
        const Param& param = op->params[i];
        const std::string& arg = i < raw.size() ? raw[i] : std::string();
        if (i >= raw.size() && param.optional) {
            values.push_back(catalog::DefaultArgs(*op).Values()[i]);
            continue;
        }
        auto bad = [&] {
            message = std::string(op->name) + ": argument " + std::to_string(i + 1) + " (" + std::string(param.name) +
                      ") must be " + std::string(KindName(param.kind)) + ", not '" + arg + "'";
            return false;
        };
        std::int64_t integer = 0;
        double decimal = 0;
        switch (param.kind) {
            case K::Integer:
                if (!ParseInt(arg, integer)) return bad();
                values.emplace_back(integer);
                break;
            case K::Flag:
                if (!ParseInt(arg, integer) || (integer != 0 && integer != 1)) return bad();
                values.emplace_back(integer);
                break;
            case K::Choice:
                if (!ParseChoice(arg, param, integer)) return bad();
                values.emplace_back(integer);
                break;
            case K::Colour:
                if (!ParseColour(arg, integer)) return bad();
                values.emplace_back(integer);
                break;
            case K::Decimal:
                if (!ParseFloat(arg, decimal)) return bad();
                values.emplace_back(decimal);
                break;
            case K::Path: values.emplace_back(arg); break;
            case K::Image: {
                auto image = std::make_shared<CVelora>();
                std::string why;
                if (loader(arg, *image, why) != 0) {
                    message = std::string(op->name) + ": " + why;
                    loadFailed = true;
                    return false;
                }
                values.emplace_back(std::shared_ptr<const CVelora>(std::move(image)));
                break;
            }
            case K::IntegerList: {
                std::vector<std::int64_t> list;
                for (std::size_t j = i; j < raw.size(); ++j) {
                    std::int64_t v;
                    if (!ParseInt(raw[j], v)) {
                        message = std::string(op->name) + ": argument " + std::to_string(j + 1) +
                                  " must be an integer, not '" + raw[j] + "'";
                        return false;
                    }
                    // A list's range bounds each of its numbers.
                    if (param.range && !param.range->Contains(double(v))) {
                        message = std::string(op->name) + ": argument " + std::to_string(j + 1) + " (" +
                                  std::string(param.name) + ") must lie in " + Number(param.range->min) + ".." +
                                  Number(param.range->max) + ", not '" + raw[j] + "'";
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
    call.args = Args(std::move(values));
    return true;
}

std::string RefusalMessage(const Operation& op, unsigned code) {
    const std::string why = catalog::RefusalText(op, code);
    return std::string(op.name) + " refused the image (result " + std::to_string(code) + (why.empty() ? "" : ": " + why) + ")";
}

std::string ListText() {
    std::string out;
    std::string_view family;
    for (const Operation& op : catalog::Operations()) {
        if (op.family != family) {
            family = op.family;
            out += std::string(family) + "\n";
        }
        std::string sig = catalog::Signature(op);
        if (sig.size() < 44) sig.resize(44, ' ');
        out += "  " + sig + " " + std::string(op.summary) + "\n";
        if (const std::string details = ParamDetails(op); !details.empty()) out += std::string(47, ' ') + details + "\n";
    }
    return out;
}

std::string ListJson() {
    std::string out = "[";
    for (const Operation& op : catalog::Operations()) {
        std::string params = "[";
        for (const Param& p : op.params) {
            if (params.size() > 1) params += ",";
            params += ParamJson(p);
        }
        JsonObject json;
        json.Add("name", op.name)
            .Add("kind", op.IsQuery() ? "query" : "step")
            .Add("family", op.family)
            .Raw("arguments", params + "]")
            .Add("summary", op.summary);
        if (!op.IsQuery()) {
            std::string depths = "[", results = "[";
            for (unsigned d : {1u, 4u, 8u, 16u, 24u, 32u})
                if (op.depths & DepthBitOf(d)) {
                    if (depths.size() > 1) depths += ",";
                    depths += std::to_string(d);
                }
            for (const auto& r : op.results) {
                if (results.size() > 1) results += ",";
                results += JsonObject().Add("code", r.code).Add("meaning", catalog::RefusalText(op, r.code)).Text();
            }
            json.Raw("depths", depths + "]").Add("rgbModelOnly", op.rgbModelOnly).Raw("results", results + "]");
        }
        if (!op.helpTopic.empty()) json.Add("helpTopic", op.helpTopic);
        if (out.size() > 1) out += ",";
        out += json.Text();
    }
    return out + "]";
}

}  // namespace velora::cli
