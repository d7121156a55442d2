#include "Operations.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "CallFacts.h"
#include "Json.h"

namespace velora::cli {
namespace {

using catalog::ArgValue;
using catalog::Param;
using catalog::Range;
using K = catalog::ParamKind;

// A decimal or 0x hexadecimal integer. Too large for 64 bits is malformed only in that it
// lies beyond every type the library takes: the caller says so.
enum class IntText { Ok, Malformed, TooLarge };

IntText ParseInt(std::string_view s, std::int64_t& out) {
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
    if (s.empty() || s[0] == '-' || s[0] == '+') return IntText::Malformed;
    std::uint64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (end != s.data() + s.size()) return IntText::Malformed;
    if (ec == std::errc::result_out_of_range || v > (std::uint64_t(1) << 62)) return IntText::TooLarge;
    if (ec != std::errc()) return IntText::Malformed;
    out = negative ? -std::int64_t(v) : std::int64_t(v);
    return IntText::Ok;
}

// A finite number that a float holds (the library takes most numbers as float); infinities
// and NaN name no image operation's argument, and none of its members gives them a meaning
// that a finite number does not.
bool ParseFloat(std::string_view s, double& out) {
    if (!s.empty() && s[0] == '+') {
        s.remove_prefix(1);
        if (!s.empty() && s[0] == '-') return false;
    }
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(out) &&
           std::fabs(out) <= double(std::numeric_limits<float>::max());
}

IntText ParseColour(std::string_view s, std::int64_t& out) {
    if (s.size() == 7 && s[0] == '#') {
        std::uint32_t rgb = 0;
        const auto [end, ec] = std::from_chars(s.data() + 1, s.data() + 7, rgb, 16);
        if (ec != std::errc() || end != s.data() + 7) return IntText::Malformed;
        out = RGB(std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb));
        return IntText::Ok;
    }
    return ParseInt(s, out);
}

// A choice by its number or, for readability, by its name.
IntText ParseChoice(std::string_view s, const Param& param, std::int64_t& out) {
    if (const IntText parsed = ParseInt(s, out); parsed != IntText::Malformed) return parsed;
    for (const auto& c : param.choices)
        if (c.name == s) {
            out = c.value;
            return IntText::Ok;
        }
    return IntText::Malformed;
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
        case K::Decimal: return "a finite number (single precision)";
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
std::string RangeText(const Range& r) { return Number(r.min) + ".." + Number(r.max); }
// "fit an int (-2147483648..2147483647)"
std::string FitText(const catalog::ValueType& type) { return "fit " + std::string(type.name) + " (" + RangeText(type.range) + ")"; }

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

// The operations family by family, the families in the order they first appear.
std::vector<std::vector<const Operation*>> ByFamily() {
    std::vector<std::vector<const Operation*>> families;
    for (const Operation& op : catalog::Operations()) {
        auto family = std::find_if(families.begin(), families.end(), [&](const auto& f) { return f[0]->family == op.family; });
        if (family == families.end()) families.push_back({&op});
        else family->push_back(&op);
    }
    return families;
}

// Breaks text after its commas into lines of at most width columns, each after indent.
std::string Wrapped(const std::string& text, std::size_t indent, std::size_t width = 140) {
    std::string out(indent, ' '), line;
    std::size_t column = indent;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find(", ", start);
        end = end == std::string::npos ? text.size() : end + 2;
        const std::string piece = text.substr(start, end - start);
        if (column > indent && column + piece.size() > width) {
            while (!out.empty() && out.back() == ' ') out.pop_back();
            out += "\n" + std::string(indent, ' ');
            column = indent;
        }
        out += piece;
        column += piece.size();
        start = end;
    }
    return out + "\n";
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
    // The values as parsed, so that every number is written as JSON writes it ("5." and
    // ".5" are not JSON); files by the names given, an image left off as null.
    std::string out = "[";
    const auto& values = args.Values();
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) out += ",";
        const ArgValue& v = values[i];
        if (const auto* n = std::get_if<std::int64_t>(&v)) out += std::to_string(*n);
        else if (const auto* d = std::get_if<double>(&v)) out += Number(*d);
        else if (const auto* list = std::get_if<std::vector<std::int64_t>>(&v)) {
            out += "[";
            for (std::size_t j = 0; j < list->size(); ++j) {
                if (j) out += ",";
                out += std::to_string((*list)[j]);
            }
            out += "]";
        } else out += i < raw.size() ? JsonQuote(raw[i]) : "null";
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
        // An integer must fit the type the library takes it as: beyond it, it would wrap.
        std::int64_t integer = 0;
        auto integerArg = [&](IntText parsed) {
            if (parsed == IntText::Malformed) return bad();
            const catalog::ValueType type = catalog::IntegerType(*op, param);
            if (parsed == IntText::TooLarge || !type.range.Contains(double(integer))) {
                message = std::string(op->name) + ": argument " + std::to_string(i + 1) + " (" + std::string(param.name) +
                          ") must " + FitText(type) + ", not '" + arg + "'";
                return false;
            }
            values.emplace_back(integer);
            return true;
        };
        double decimal = 0;
        switch (param.kind) {
            case K::Integer:
                if (!integerArg(ParseInt(arg, integer))) return false;
                break;
            case K::Flag:
                if (ParseInt(arg, integer) != IntText::Ok || (integer != 0 && integer != 1)) return bad();
                values.emplace_back(integer);
                break;
            case K::Choice:
                if (!integerArg(ParseChoice(arg, param, integer))) return false;
                break;
            case K::Colour:
                if (!integerArg(ParseColour(arg, integer))) return false;
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
                const catalog::ValueType type = catalog::IntegerType(*op, param);
                for (std::size_t j = i; j < raw.size(); ++j) {
                    std::int64_t v;
                    const IntText parsed = ParseInt(raw[j], v);
                    if (parsed == IntText::Malformed) {
                        message = std::string(op->name) + ": argument " + std::to_string(j + 1) +
                                  " must be an integer, not '" + raw[j] + "'";
                        return false;
                    }
                    // A list's range bounds each of its numbers (within its type).
                    const bool fits = parsed == IntText::Ok && type.range.Contains(double(v));
                    if (!fits || (param.range && !param.range->Contains(double(v)))) {
                        message = std::string(op->name) + ": argument " + std::to_string(j + 1) + " (" +
                                  std::string(param.name) + ") must " +
                                  (param.range ? "lie in " + RangeText(*param.range) : FitText(type)) + ", not '" +
                                  raw[j] + "'";
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
    for (const auto& family : ByFamily()) {
        out += std::string(family[0]->family) + "\n";
        for (const Operation* op : family) {
            std::string sig = catalog::Signature(*op);
            if (sig.size() < 44) sig.resize(44, ' ');
            out += "  " + sig + " " + std::string(op->summary) + "\n";
            if (const std::string details = ParamDetails(*op); !details.empty()) out += Wrapped(details, 47);
        }
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

namespace {

// Markdown table cells hold no '|' of their own.
std::string Cell(std::string_view text) {
    std::string out;
    for (const char c : text) out += c == '|' ? std::string("\\|") : std::string(1, c);
    return out;
}

std::string Code(std::string_view text) { return "`" + std::string(text) + "`"; }

std::string DefaultText(const Param& p) {
    if (!HasDefault(p)) return p.optional ? "may be left off" : "";
    if (p.kind == K::Colour) return Code(catalog::ColourText(std::uint32_t(p.defaultValue)));
    for (const auto& c : p.choices)
        if (c.value == p.defaultValue) return Number(p.defaultValue) + " " + Code(c.name);
    return Number(p.defaultValue);
}

// Up to this many choices are listed on one line; more (the predefined filters) in a table.
constexpr std::size_t kInlineChoices = 12;

std::string ChoicesMarkdown(const Param& p) {
    if (p.choices.size() <= kInlineChoices) {
        std::string line = "* " + Code(p.name) + ":";
        for (const auto& c : p.choices) line += " " + std::to_string(c.value) + " " + Code(c.name) + (&c == &p.choices.back() ? "" : ",");
        return line + "\n";
    }
    std::string table = "\n" + Code(p.name) + ":\n\n| number | name | entry |\n|---:|---|---|\n";
    for (const auto& c : p.choices)
        table += "| " + std::to_string(c.value) + " | " + Code(c.name) + " | " + Cell(c.label) + " |\n";
    return table;
}

// "int", or where the library takes it as less, "int (a byte)".
std::string TypeText(const Operation& op, const Param& p) {
    std::string text(TypeLabel(p.kind));
    if (p.kind != K::Integer && p.kind != K::Choice && p.kind != K::IntegerList) return text;
    const catalog::ValueType type = catalog::IntegerType(op, p);
    return type.range.max == std::numeric_limits<std::int32_t>::max() ? text : text + " (" + std::string(type.name) + ")";
}

std::string OperationMarkdown(const Operation& op) {
    std::string out = "### " + std::string(op.name) + "\n\n" + Code(catalog::Signature(op)) + " (" +
                      (op.IsQuery() ? "query" : "step") + "): " + std::string(op.summary) + "\n";
    if (!op.params.empty()) {
        out += "\n| argument | type | range | default | workbench control |\n|---|---|---|---|---|\n";
        for (const Param& p : op.params)
            out += "| " + Code(p.name) + " | " + TypeText(op, p) + " | " +
                   (p.range ? RangeText(*p.range) : "") + " | " + DefaultText(p) + " | " +
                   (p.source == catalog::ParamSource::ActiveColorModel ? "the active colour model" : Cell(p.label)) + " |\n";
        std::string few, many;
        for (const Param& p : op.params)
            if (!p.choices.empty()) (p.choices.size() <= kInlineChoices ? few : many) += ChoicesMarkdown(p);
        if (!few.empty()) out += "\nChoices:\n\n" + few;
        out += many;
    }
    std::string facts;
    if (!op.IsQuery()) {
        facts += "- Bit depths: " + catalog::DepthList(op.depths) + "\n";
        if (op.rgbModelOnly) facts += "- In the workbench only while the colour model is RGB\n";
    }
    if (op.needsMonitor) facts += "- Needs `--monitor`\n";
    for (const auto& r : op.results)
        facts += "- Result " + std::to_string(r.code) + ": " + catalog::RefusalText(op, r.code) + "\n";
    for (const auto& c : op.commands) {
        std::string labels;
        if (!c.undoLabel.empty()) labels += "undo \"" + std::string(c.undoLabel) + "\", ";
        labels += "timing \"" + std::string(c.timingLabel) + "\"";
        for (const auto& [param, value] : c.presets) labels += ", " + std::string(param) + " = " + Number(value);
        if (c.produces == catalog::Produces::NewWindow) labels += ", result in a new window";
        facts += "- Workbench command: " + labels + "\n";
    }
    return out + (facts.empty() ? "" : "\n" + facts) + "\n";
}

}  // namespace

std::string ListMarkdown() {
    const auto families = ByFamily();
    std::string out =
        "# Operations\n\n"
        "Written by `velora list --markdown`; a test compares this file with the program's output.\n\n"
        "Every operation of the image library by family: steps (`velora apply`) and queries\n"
        "(`velora query`), each as `Name` or `Name:arg,arg,...`. Integers are decimal or `0x`\n"
        "hexadecimal and must fit the type the library takes them as (an int, unless said), numbers\n"
        "are finite and use a decimal point, flags are 0 or 1, colours `#RRGGBB`, and a choice is its\n"
        "number or its name. Values outside a range reach the library, which refuses them with the\n"
        "result code listed.\n\n";
    for (const auto& family : families) {
        std::string anchor;
        for (const char c : family[0]->family) anchor += c == ' ' ? '-' : char(std::tolower(static_cast<unsigned char>(c)));
        out += "- [" + std::string(family[0]->family) + "](#" + anchor + "):";
        for (const Operation* op : family) out += " " + std::string(op->name) + (op == family.back() ? "" : ",");
        out += "\n";
    }
    for (const auto& family : families) {
        out += "\n## " + std::string(family[0]->family) + "\n\n";
        for (const Operation* op : family) out += OperationMarkdown(*op);
    }
    while (out.size() > 1 && out[out.size() - 2] == '\n') out.pop_back();
    return out;
}

}  // namespace velora::cli
