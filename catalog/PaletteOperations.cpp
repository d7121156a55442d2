// The colour table as a whole: ramps, channel rearrangement and palette files.
#include "CallFacts.h"
#include "Families.h"

namespace velora::catalog {

namespace {
using K = ParamKind;
using C = ResultCode::Check;

constexpr std::string_view kHelp = "CVelora.chm::/Ayuda/SetPalette.htm";
constexpr std::string_view kSavePalette = "SavePalette";

std::vector<Choice> Channels() {
    return {{0, "red", "R"}, {1, "green", "G"}, {2, "blue", "B"}};
}

Param ChannelParam(std::string_view name, double defaultValue, std::string_view label) {
    return {.name = name, .kind = K::Choice, .range = Range{0, 2}, .defaultValue = defaultValue, .label = label,
            .choices = Channels()};
}

// The ramps: in place, with the same text for undo and timing.
Command Ramp(int id, std::string_view label, double channel = -1) {
    Command c{.id = id, .undoLabel = label, .timingLabel = label};
    if (channel >= 0) c.presets = {{"channel", channel}};
    return c;
}

std::vector<ResultCode> PaletteFileResults(std::string_view cannotOpen) {
    return {{CVelora::kPaletteBadDepth, C::Depth},
            {CVelora::kPaletteCannotOpen, C::Other, {}, cannotOpen},
            {CVelora::kPaletteNotJasc, C::Other, {}, "not a JASC-PAL file of 16 or 256 entries"},
            {CVelora::kPaletteBadEntry, C::Other, {}, "an entry line is not three numbers 0..255"},
            {CVelora::kPaletteWrongCount, C::Other, {}, "the entry lines do not match the file's count"},
            {CVelora::kPaletteTooLarge, C::Other, {}, "the file is too long to be a palette"},
            {CVelora::kPaletteNoMemory, C::NoMemory}};
}

}  // namespace

void AddPaletteOperations(std::vector<Operation>& all) {
    {
        // The 8-bit images of another model keep their palettes: the table's rule adds it.
        Operation op{.name = "SetGrayPalette", .family = "Palette",
                     .summary = "gray ramp: entry i = i * (255 / (n - 1)) on all channels"};
        op.depths = kDepthsPalette;
        op.rgbModelOnly = false;
        op.results = {{1, C::Depth}};
        op.call = [](CVelora& im, const Args&) { return im.SetGrayPalette(); };
        op.helpTopic = kHelp;
        op.commands = {Ramp(kCmdGrayPalette, "Transformar Paleta a Niveles de Gris")};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "SetChannelPalette", .family = "Palette",
                     .summary = "ramp in one channel: entry i = i there, 0 in the others"};
        op.params = {ChannelParam("channel", 0, "Canal")};
        op.depths = kDepthsPalette;
        op.rgbModelOnly = false;
        op.results = {{1, C::ParamRange, "channel"}, {2, C::Depth}};
        op.call = [](CVelora& im, const Args& a) { return im.SetChannelPalette(a.Int(0)); };
        op.helpTopic = kHelp;
        op.commands = {Ramp(kCmdRedPalette, "Transformar Paleta a Escala de Rojos", 0),
                       Ramp(kCmdGreenPalette, "Transformar Paleta a Escala de Verdes", 1),
                       Ramp(kCmdBluePalette, "Transformar Paleta a Escala de Azules", 2)};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "RearrangePaletteChannels", .family = "Palette",
                     .summary = "each new channel of the table takes a chosen channel of the old one"};
        op.params = {ChannelParam("newRed", 0, "Nuevo R:"), ChannelParam("newGreen", 1, "Nuevo G:"),
                     ChannelParam("newBlue", 2, "Nuevo B:")};
        op.depths = kDepthsPalette;
        op.results = {{1, C::ParamRange, "newRed"},
                      {2, C::ParamRange, "newGreen"},
                      {3, C::ParamRange, "newBlue"},
                      {4, C::Depth}};
        op.call = [](CVelora& im, const Args& a) { return im.RearrangePaletteChannels(a.Int(0), a.Int(1), a.Int(2)); };
        op.helpTopic = kHelp;
        op.commands = {{.id = kCmdSwapChannels, .undoLabel = "Intercambio de Canales RGB",
                        .timingLabel = "Cálculo Intercambio Canales",
                        .dialog = DialogFacts{.className = "CSwapCanalesRGB",
                                              .caption = "Intercambio de Canales RGB de la Paleta",
                                              .resetText = "Paleta Original", .choicesSideBySide = true}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "LoadPalette", .family = "Palette",
                     .summary = "the colour table from a JASC-PAL file (16 or 256 entries)"};
        op.params = {{.name = "path", .kind = K::Path}};
        op.depths = kD4 | kD8;
        op.results = PaletteFileResults("the file cannot be opened, or is not a regular file");
        op.call = [](CVelora& im, const Args& a) { return im.LoadPalette(a.Text(0)); };
        op.helpTopic = kHelp;
        // "Cargar Paleta" asks for the file (dialogs/PaletteDialogs); it does not mark the image modified.
        op.commands = {{.id = kCmdLoadPalette, .undoLabel = "Cargar Paleta", .timingLabel = "Cargar Paleta",
                        .asksForFile = true}};
        all.push_back(std::move(op));
    }
    {
        // Leaves the image as it is. The command line writes the file with the image, once
        // every step has succeeded (FileOutputOf).
        Operation op{.name = kSavePalette, .family = "Palette",
                     .summary = "write the colour table as a JASC-PAL file; the image is unchanged"};
        op.params = {{.name = "path", .kind = K::Path}};
        op.depths = kD4 | kD8;
        op.results = {{1, C::Depth},
                      {2, C::Other, {}, "the file cannot be created"},
                      {3, C::Other, {}, "writing the file failed; an old file stays as it was"},
                      {4, C::NoMemory}};
        op.call = [](CVelora& im, const Args& a) { return im.SavePalette(a.Text(0)); };
        op.helpTopic = kHelp;
        // "Almacenar Paleta" asks for the file; saving leaves nothing to undo.
        op.commands = {{.id = kCmdSavePalette, .timingLabel = "Almacenar Paleta", .asksForFile = true}};
        all.push_back(std::move(op));
    }
}

FileOutputCall FileOutputOf(const Operation& op) {
    if (op.name != kSavePalette) return nullptr;
    return [](const CVelora& im, const Args& a, FileOutput& out) -> unsigned {
        out = {a.Text(0), im.EncodePalette()};
        return out.bytes.empty() ? unsigned(CVelora::kPaletteBadDepth) : 0u;
    };
}

}  // namespace velora::catalog
