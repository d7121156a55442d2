// Writes a help page with its parameter tables filled in from the declarations:
//
//   velora_help_tables PAGE IN OUT
//
// PAGE is the page's path inside the help ("Ayuda/Brightness.htm"), IN the hand-written page,
// OUT the page the workbench compiles in. The operations whose help topic names PAGE are
// described where IN has the marker; a page without it is copied as it is. What the
// declarations say (labels, ranges, defaults, choices, depths, titles, undo and timing texts,
// the command line) is thus written once, and the page keeps only its prose.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "Json.h"
#include "Operation.h"
#include "SafeFile.h"

namespace {

using namespace velora::catalog;
using K = ParamKind;

constexpr std::string_view kMarker = "<!-- tabla de parámetros -->";

std::string Html(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string Quoted(std::string_view text) { return "«" + Html(text) + "»"; }
std::string Code(std::string_view text) { return "<code>" + Html(text) + "</code>"; }

// Numbers as the pages write them: decimal comma, true minus sign.
std::string Number(double value) {
    std::string out;
    for (char c : velora::JsonNumber(value)) {
        if (c == '.') out += ',';
        else if (c == '-') out += "−";
        else out += c;
    }
    return out;
}

std::string Interval(const Range& r) { return Number(r.min) + " … " + Number(r.max); }

// The page a topic opens: "CVelora.chm::/Ayuda/X.htm" and "CVelora.chm::Ayuda/X.htm" name "Ayuda/X.htm".
std::string_view TopicPage(std::string_view topic) {
    const auto separator = topic.find("::");
    if (separator == std::string_view::npos) return {};
    topic.remove_prefix(separator + 2);
    while (!topic.empty() && topic.front() == '/') topic.remove_prefix(1);
    return topic;
}

std::string DepthsText(unsigned depths) {
    std::vector<std::string> names;
    for (unsigned d : {1u, 4u, 8u, 16u, 24u, 32u})
        if (depths & DepthBitOf(d)) names.push_back(std::to_string(d));
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) out += (i == 0 ? "" : i + 1 == names.size() ? " y " : ", ") + names[i];
    return out + (names.size() == 1 && names[0] == "1" ? " bit por píxel" : " bits por píxel");
}

const Choice* FindChoice(const Param& p, double value) {
    for (const Choice& c : p.choices)
        if (c.value == value) return &c;
    return nullptr;
}

std::string Colour(double value) {
    const auto v = std::uint32_t(value);
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
    return text;
}

// An argument as the command line takes it: choices by name, colours as #RRGGBB.
std::string Argument(const Param& p, double value) {
    switch (p.kind) {
        case K::Choice:
            if (const Choice* c = FindChoice(p, value)) return std::string(c->name);
            return velora::JsonNumber(value);
        case K::Colour: return Colour(value);
        case K::Image: return std::string(p.name) + ".bmp";
        case K::Path: return std::string(p.name);
        default: return velora::JsonNumber(value);
    }
}

std::string StepWithDefaults(const Operation& op) {
    std::string step(op.name);
    bool first = true;
    for (const Param& p : op.params) {
        if (p.optional || p.kind == K::IntegerList) break;
        step += (first ? ":" : ",") + Argument(p, p.defaultValue);
        first = false;
    }
    return step;
}

std::string ControlCell(const Param& p) {
    if (p.source == ParamSource::ActiveColorModel) return "el modelo de la ventana <b>Modelo de Color</b>";
    std::string_view label = p.label;
    while (!label.empty() && (label.back() == ':' || label.back() == ' ')) label.remove_suffix(1);
    std::string out = label.empty() ? "—" : "<b>" + Html(label) + "</b>";
    if (!p.group.empty() && p.group != label) out += " (" + Html(p.group) + ")";
    return out;
}

std::string ValuesCell(const Param& p) {
    std::string out;
    switch (p.kind) {
        case K::Integer: out = p.range ? Interval(*p.range) : "un entero"; break;
        case K::Decimal: out = p.range ? Interval(*p.range) : "un número"; break;
        case K::Flag: out = "0 (no) o 1 (sí)"; break;
        case K::Colour: out = "un color, " + Code("#RRGGBB"); break;
        case K::Image: out = "otra imagen (en la línea de órdenes, su archivo)"; break;
        case K::Path: out = "un archivo"; break;
        case K::IntegerList:
            out = p.range ? "enteros de " + Interval(*p.range) + ", tantos como se quiera" : "enteros, tantos como se quiera";
            break;
        case K::Choice:
            for (const Choice& c : p.choices)
                out += (out.empty() ? "" : p.choices.size() > 7 ? ", " : "<br>") + std::to_string(c.value) + " " + Html(c.label) + " (" + Code(c.name) + ")";
            break;
    }
    if (p.controlRange && (!p.range || p.controlRange->min != p.range->min || p.controlRange->max != p.range->max))
        out += "; en el diálogo, " + Interval(*p.controlRange);
    if (p.tickInterval > 0) out += "; marcas cada " + Number(p.tickInterval);
    if (p.kind == K::Decimal && p.step != 1) out += "; las flechas avanzan " + Number(p.step);
    if (p.optional) out += "; se puede omitir";
    return out;
}

std::string DefaultCell(const Param& p) {
    switch (p.kind) {
        case K::Choice:
            if (const Choice* c = FindChoice(p, p.defaultValue)) return Html(c->label);
            return Number(p.defaultValue);
        case K::Flag: return p.defaultValue != 0 ? "1 (sí)" : "0 (no)";
        case K::Colour: return Code(Colour(p.defaultValue));
        case K::Image:
        case K::Path:
        case K::IntegerList: return "—";
        default: return Number(p.defaultValue);
    }
}

std::string DialogCell(const Command& c) {
    if (!c.dialog) return "—";  // runs at once, or opens a window of its own (the filters')
    const DialogFacts& d = *c.dialog;
    std::string out = d.titlePrefix.empty() ? Quoted(d.caption) : Quoted(std::string(d.titlePrefix) + "<imagen>");
    if (d.previewBox != DialogFacts::Preview::None)
        out += std::string("; casilla «Previsualizar» ") + (d.previewBox == DialogFacts::Preview::Checked ? "marcada" : "sin marcar") +
               " al abrirlo";
    if (d.parameterFile) out += "; <b>Guardar</b> escribe archivos " + Code(std::string(".") + d.parameterFile->extension);
    return out;
}

std::string ResultCell(const Operation& op, const Command& c) {
    std::string out;
    if (c.produces == Produces::NewWindow) {
        out = "en una ventana nueva";
        if (!c.resultName.empty()) out += ", " + Quoted(ExpandLabel(c.resultName, "<modelo>", "<imagen>"));
    } else {
        out = "en la misma imagen; deshacer: " + Quoted(c.undoLabel);
    }
    if (!c.timingLabel.empty())
        out += "<br>barra de estado: " + Quoted("Tiempo de " + ExpandLabel(c.timingLabel, "<modelo>") + ": … seg.");
    if (!c.failureMessage.empty()) out += "<br>si no se puede: " + Quoted(c.failureMessage);
    for (const auto& [name, value] : c.presets)
        if (const Param* p = op.FindParam(name)) out += "<br>fija " + Code(name) + " = " + Html(Argument(*p, value));
    return out;
}

void Describe(const Operation& op, bool headed, std::ostringstream& out) {
    if (headed) out << "<h3>" << Code(op.name) << "</h3>\n";
    const char* verb = op.IsQuery() ? "velora query entrada.bmp " : "velora apply entrada.bmp salida.bmp ";
    out << "<table class=\"declarada\"><tr><th>Línea de órdenes</th><td>" << Code(verb + Signature(op));
    if (const std::string step = StepWithDefaults(op); step != Signature(op))
        out << "<br>con los valores por omisión: " << Code(step);
    out << "</td></tr>\n<tr><th>Imágenes</th><td>" << DepthsText(op.depths) << "</td></tr>\n";
    // The model matters to the workbench's commands only.
    if (!op.commands.empty())
        out << "<tr><th>Modelo de color activo</th><td>" << (op.rgbModelOnly ? "RGB" : "cualquiera") << "</td></tr>\n";
    out << "</table>\n";

    if (!op.params.empty()) {
        bool keys = false;
        for (const Param& p : op.params) keys = keys || !p.fileKey.empty();
        out << "<table class=\"declarada\"><tr><th>Control</th><th>Argumento</th><th>Valores</th><th>Por omisión</th>"
            << (keys ? "<th>Clave en el archivo</th>" : "") << "</tr>\n";
        for (const Param& p : op.params) {
            out << "<tr><td>" << ControlCell(p) << "</td><td>" << Code(p.name) << "</td><td>" << ValuesCell(p) << "</td><td>"
                << DefaultCell(p) << "</td>";
            if (keys) out << "<td>" << (p.fileKey.empty() ? "—" : Code(p.fileKey)) << "</td>";
            out << "</tr>\n";
        }
        out << "</table>\n";
    }

    if (!op.commands.empty()) {
        out << "<table class=\"declarada\"><tr><th>Diálogo</th><th>Resultado</th></tr>\n";
        for (const Command& c : op.commands) out << "<tr><td>" << DialogCell(c) << "</td><td>" << ResultCell(op, c) << "</td></tr>\n";
        out << "</table>\n";
    }
}

std::string Tables(std::string_view page) {
    std::vector<const Operation*> described;
    for (const Operation& op : Operations())
        if (TopicPage(op.helpTopic) == page) described.push_back(&op);
    if (described.empty()) return {};
    std::ostringstream out;
    out << "<h2>Parámetros</h2>\n";
    for (const Operation* op : described) Describe(*op, described.size() > 1, out);
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: velora_help_tables PAGE IN OUT\n";
        return 1;
    }
    const std::string_view page = argv[1];
    std::ifstream in(argv[2], std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) {
        std::cerr << argv[2] << ": cannot be read\n";
        return 1;
    }
    std::string html = text.str();
    if (const auto at = html.find(kMarker); at != std::string::npos) {
        const std::string tables = Tables(page);
        // A marker with nothing to put there is a page that lost its operation (or a typo).
        if (tables.empty()) {
            std::cerr << argv[2] << ": no operation names " << page << " as its help topic\n";
            return 1;
        }
        html.replace(at, kMarker.size(), tables);
    }
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(argv[3]).parent_path(), ignored);
    const velora::SafeFileStatus status = velora::WriteFileSafely(argv[3], html);
    if (!status.Ok()) {
        std::cerr << argv[3] << ": " << status.Text() << "\n";
        return 1;
    }
    return 0;
}
