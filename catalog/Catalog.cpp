#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Families.h"
#include "Json.h"

namespace velora::catalog {

namespace {

std::vector<Operation> BuildCatalog() {
    std::vector<Operation> all;
    // One line per family; a family's file holds its declarations.
    AddIntensityOperations(all);
    AddThresholdOperations(all);
    AddGrayLevelOperations(all);
    AddPaletteOperations(all);
    AddPixelValueOperations(all);
    AddGeometryOperations(all);
    AddWarpOperations(all);
    AddTranslationOperations(all);
    AddFilterOperations(all);
    AddSegmentationOperations(all);
    AddImageAlgebraOperations(all);
    AddEffectOperations(all);
    AddNoiseOperations(all);
    AddScotomaOperations(all);
    AddQueries(all);
    return all;
}

}  // namespace

const Param* Operation::FindParam(std::string_view paramName) const {
    const int i = ParamIndex(paramName);
    return i < 0 ? nullptr : &params[std::size_t(i)];
}

int Operation::ParamIndex(std::string_view paramName) const {
    for (std::size_t i = 0; i < params.size(); ++i)
        if (params[i].name == paramName) return int(i);
    return -1;
}

const Command* Operation::FindCommand(int id) const {
    for (const Command& c : commands)
        if (c.id == id) return &c;
    return nullptr;
}

unsigned Operation::DepthCode() const {
    for (const ResultCode& r : results)
        if (r.check == ResultCode::Check::Depth) return r.code;
    return 0;
}

unsigned Operation::NoMemoryCode() const {
    for (const ResultCode& r : results)
        if (r.check == ResultCode::Check::NoMemory) return r.code;
    return 0;
}

const std::vector<Operation>& Operations() {
    static const std::vector<Operation> all = BuildCatalog();
    return all;
}

const Operation* FindOperation(std::string_view name) {
    for (const Operation& op : Operations())
        if (op.name == name) return &op;
    return nullptr;
}

CommandBinding FindByCommand(int commandId) {
    for (const Operation& op : Operations())
        if (const Command* c = op.FindCommand(commandId)) return {&op, c};
    return {};
}

std::string Signature(const Operation& op) {
    std::string s(op.name);
    for (std::size_t i = 0; i < op.params.size(); ++i) {
        const bool optional = op.params[i].optional;
        s += optional ? (i == 0 ? ":[" : "[,") : (i == 0 ? ":" : ",");
        s += op.params[i].name;
        if (optional) s += "]";
        if (op.params[i].kind == ParamKind::IntegerList) s += ",...";
    }
    return s;
}

Args DefaultArgs(const Operation& op) {
    std::vector<ArgValue> values;
    for (const Param& p : op.params) {
        switch (p.kind) {
            case ParamKind::Decimal: values.emplace_back(p.defaultValue); break;
            case ParamKind::Image: values.emplace_back(std::shared_ptr<const CVelora>()); break;
            case ParamKind::Path: values.emplace_back(std::string()); break;
            case ParamKind::IntegerList: values.emplace_back(std::vector<std::int64_t>()); break;
            default: values.emplace_back(std::int64_t(p.defaultValue)); break;
        }
    }
    return Args(std::move(values));
}

std::string DepthList(unsigned depths) {
    std::vector<std::string> names;
    for (unsigned d : {1u, 4u, 8u, 16u, 24u, 32u})
        if (depths & DepthBitOf(d)) names.push_back(std::to_string(d));
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += i + 1 == names.size() ? " or " : ", ";
        out += names[i];
    }
    return out;
}

std::string RefusalText(const Operation& op, unsigned code) {
    for (const ResultCode& r : op.results) {
        if (r.code != code) continue;
        switch (r.check) {
            case ResultCode::Check::Depth:
                return "the image must have " + DepthList(op.depths) + " bits per pixel";
            case ResultCode::Check::ParamRange: {
                const Param* p = op.FindParam(r.param);
                if (!p || !p->range) return std::string(r.param) + " is out of range";
                return std::string(p->name) + " must lie in " + JsonNumber(p->range->min) + ".." +
                       JsonNumber(p->range->max);
            }
            case ResultCode::Check::NoMemory: return r.text.empty() ? "not enough memory" : std::string(r.text);
            case ResultCode::Check::Other: return std::string(r.text);
        }
    }
    return {};
}

std::string StepText(const Operation& op, const Args& args, const std::function<std::string(const CVelora&)>& imageName) {
    std::string text(op.name);
    const auto& values = args.Values();
    for (std::size_t i = 0; i < op.params.size() && i < values.size(); ++i) {
        const Param& param = op.params[i];
        std::string arg;
        if (const auto* number = std::get_if<std::int64_t>(&values[i])) {
            arg = param.kind == ParamKind::Colour ? ColourText(std::uint32_t(*number)) : std::to_string(*number);
        } else if (const auto* decimal = std::get_if<double>(&values[i])) {
            arg = JsonNumber(*decimal);  // the shortest text that reads back as the same double
        } else if (const auto* path = std::get_if<std::string>(&values[i])) {
            arg = *path;
        } else if (const auto* image = std::get_if<std::shared_ptr<const CVelora>>(&values[i])) {
            if (!*image && param.optional) break;
            arg = *image && imageName ? imageName(**image) : "?";
        } else if (const auto* list = std::get_if<std::vector<std::int64_t>>(&values[i])) {
            for (std::size_t j = 0; j < list->size(); ++j) arg += (j ? "," : "") + std::to_string((*list)[j]);
            if (list->empty()) break;
        }
        text += (i == 0 ? ":" : ",") + arg;
    }
    return text;
}

std::string ColourText(std::uint32_t colourRef) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colourRef & 0xFFu, colourRef >> 8 & 0xFFu, colourRef >> 16 & 0xFFu);
    return text;
}

std::string ReplaceKeys(std::string_view label, std::initializer_list<std::pair<std::string_view, std::string_view>> keys) {
    std::string out;
    for (std::size_t at = 0; at < label.size();) {
        bool replaced = false;
        for (const auto& [key, text] : keys)
            if (label.substr(at, key.size()) == key) {
                out += text, at += key.size(), replaced = true;
                break;
            }
        if (!replaced) out += label[at++];
    }
    return out;
}

std::string ExpandLabel(std::string_view label, std::string_view model, std::string_view image) {
    return ReplaceKeys(label, {{"{model}", model}, {"{image}", image}});
}

std::vector<Choice> ColorModelChoices() {
    // The names the command line takes: the titles' short names, but CMYK in full.
    static constexpr std::string_view kNames[kColorModelCount] = {"RGB", "CMYK",  "HSI",    "HSV",    "HSL",   "YIQ",
                                                                  "YUV", "YCbCr", "CIEXYZ", "CIELAB", "CIELUV"};
    std::vector<Choice> choices;
    for (int model = 0; model < kColorModelCount; ++model)
        choices.push_back({model, kNames[model], FindColorModel(model)->name});
    return choices;
}

}  // namespace velora::catalog
