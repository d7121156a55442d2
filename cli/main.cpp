// velora: the image library's operations from the command line, under the same names and
// with the same arguments, so that any result of the workbench can be reproduced in a script.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "CVelora.h"
#include "ColorCommands.h"
#include "ImageFiles.h"
#include "Json.h"
#include "Operations.h"
#include "RandomSeed.h"
#include "StimulusBatch.h"

namespace {

using namespace velora::cli;
using velora::JsonObject;

// Exit statuses.
constexpr int kExitOk = 0, kExitUsage = 1, kExitLoad = 2, kExitRefused = 3, kExitWrite = 4;

struct Monitor {
    int width = 0, height = 0, widthMm = 0, heightMm = 0;
};

struct GlobalOptions {
    LoadOptions load;
    std::optional<unsigned> seed;
    std::vector<Monitor> monitors;  // --monitor: the main one, then the second
};

int Usage(const std::string& message) {
    std::cerr << "velora: " << message << "\nTry 'velora --help'.\n";
    return kExitUsage;
}

void PrintHelp() {
    std::cout <<
        R"(velora - the image library's operations from the command line

Usage:
  velora info FILE                   header, sizes and colour counts as JSON
  velora convert IN OUT              load by IN's extension, save by OUT's (.bmp or .raw)
  velora apply IN OUT STEP...        apply the steps in order, then save
  velora query IN QUERY...           one JSON object per query, each on its own line
  velora list [--json|--markdown]    every operation and query with its arguments
                                     (--markdown: the reference in docs/operations.md)
  velora color CONVERSION VALUE RANGE  one colour conversion as JSON: RGBToHSV 1A2B3C 1,
                                     HSVToRGB 12.5,200,30 1, XYZToLAB 1,2,3 1,2
  velora split IN MODEL PREFIX       one 8-bit gray BMP per component of the model
                                     (0..10 or its name: RGB, CMYK, HSV, CIELAB, ...),
                                     named PREFIX_H.bmp, PREFIX_CIE_L.bmp, ...
  velora batch IN FOLDER --translation F --scotoma F --bands F [--basis real|text]
                                     the stimulus images into FOLDER, from the
                                     parameter files the workbench saves (needs --monitor)
  velora --help                      this text

Inputs are .bmp, .raw (8-bit gray, no header) or .pgm (binary P5) files.
A step or query is Name or Name:arg,arg,...  Integers are decimal or 0x hexadecimal and
fit the type the library takes (an int, unless velora list --markdown says otherwise),
numbers are finite and use a decimal point, flags are 0 or 1, colours are #RRGGBB, and a
choice is its number or its name (PredefinedFilter:mediana_3x3,minmax,none).

Options (anywhere on the line):
  --raw-size WxH      dimensions of a RAW input whose length is not in the size table
  --seed N            seed of the random operations (default: the current time)
  --monitor WxH:WMMxHMM[;WxH:WMMxHMM]
                      resolution and physical size of the main (and second) monitor

Exit status: 0 done; 1 usage error; 2 an input could not be loaded; 3 an operation
refused (nothing is written); 4 the output could not be written.

Operations:
)";
    for (const auto kind : {Operation::Kind::Step, Operation::Kind::Query}) {
        std::cout << (kind == Operation::Kind::Step ? "  Steps (velora apply):\n" : "  Queries (velora query):\n");
        for (const auto& op : velora::catalog::Operations())
            if (op.kind == kind) std::cout << "    " << velora::catalog::Signature(op) << "\n";
    }
}

bool ParseSize(const std::string& text, int& a, int& b) {
    char extra;
    return std::sscanf(text.c_str(), "%dx%d%c", &a, &b, &extra) == 2 && a > 0 && b > 0;
}

bool ParseMonitors(const std::string& text, std::vector<Monitor>& out) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = text.find(';', start);
        const std::string one = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const auto colon = one.find(':');
        Monitor m;
        if (colon == std::string::npos || !ParseSize(one.substr(0, colon), m.width, m.height) ||
            !ParseSize(one.substr(colon + 1), m.widthMm, m.heightMm))
            return false;
        out.push_back(m);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return out.size() >= 1 && out.size() <= 2;
}

// Takes the global options out of args; false with a message on a bad option.
bool TakeGlobalOptions(std::vector<std::string>& args, GlobalOptions& options, std::string& message) {
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a != "--raw-size" && a != "--seed" && a != "--monitor") {
            rest.push_back(a);
            continue;
        }
        if (i + 1 >= args.size()) {
            message = a + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        if (a == "--raw-size") {
            int w, h;
            if (!ParseSize(value, w, h)) {
                message = "--raw-size takes WxH, for example 640x480";
                return false;
            }
            options.load.rawSize = CVelora::RawSize{w, h};
        } else if (a == "--seed") {
            char* end = nullptr;
            const unsigned long v = std::strtoul(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0') {
                message = "--seed takes a whole number";
                return false;
            }
            options.seed = unsigned(v);
        } else if (!ParseMonitors(value, options.monitors)) {
            message = "--monitor takes WxH:WMMxHMM[;WxH:WMMxHMM], for example 1920x1080:531x299";
            return false;
        }
    }
    args = std::move(rest);
    return true;
}

// The monitor record of the operations that measure visual angles; --monitor gives no
// logical dots per inch, so they stay 0.
MonitorGeometry MonitorsOf(const GlobalOptions& options) {
    auto measures = [](const Monitor& m) {
        return MonitorMeasures{std::uint32_t(m.width), std::uint32_t(m.height), std::uint32_t(m.widthMm),
                               std::uint32_t(m.heightMm), 0, 0};
    };
    const MonitorMeasures main = measures(options.monitors.at(0));
    const MonitorMeasures second = options.monitors.size() > 1 ? measures(options.monitors[1]) : MonitorMeasures{};
    return DescribeMonitors(std::uint32_t(options.monitors.size()), main, &second);
}

ImageLoader MakeLoader(const GlobalOptions& options) {
    return [&options](const std::string& path, CVelora& image, std::string& message) {
        return LoadImageFile(path, options.load, image, message);
    };
}

int LoadInput(const std::string& path, const GlobalOptions& options, CVelora& image) {
    std::string message;
    if (LoadImageFile(path, options.load, image, message) != 0) {
        std::cerr << "velora: " << message << "\n";
        return kExitLoad;
    }
    return kExitOk;
}

int CheckOutputType(const std::string& path) {
    const ImageFileKind format = KindOfFileName(path);
    if (format == ImageFileKind::Bmp || format == ImageFileKind::Raw) return kExitOk;
    return Usage("the output '" + path + "' must be a .bmp or .raw file");
}

int WriteOutput(const std::string& path, const CVelora& image) {
    std::string message;
    if (!SaveImageFile(path, image, message)) {
        std::cerr << "velora: " << message << "\n";
        return kExitWrite;
    }
    return kExitOk;
}

std::string HeaderJson(const BITMAPINFOHEADER& h) {
    return JsonObject()
        .Add("biSize", h.biSize)
        .Add("biWidth", std::int64_t(h.biWidth))
        .Add("biHeight", std::int64_t(h.biHeight))
        .Add("biPlanes", int(h.biPlanes))
        .Add("biBitCount", int(h.biBitCount))
        .Add("biCompression", h.biCompression)
        .Add("biSizeImage", h.biSizeImage)
        .Add("biXPelsPerMeter", std::int64_t(h.biXPelsPerMeter))
        .Add("biYPelsPerMeter", std::int64_t(h.biYPelsPerMeter))
        .Add("biClrUsed", h.biClrUsed)
        .Add("biClrImportant", h.biClrImportant)
        .Text();
}

int CommandInfo(const std::vector<std::string>& args, const GlobalOptions& options) {
    if (args.size() != 1) return Usage("info takes one file");
    CVelora image;
    if (const int status = LoadInput(args[0], options, image); status != kExitOk) return status;
    const std::uint32_t paletteSize = image.GetPaletteSize();
    std::cout << JsonObject()
                     .Add("name", image.GetName())
                     .Add("width", std::int64_t(image.GetWidth()))
                     .Add("height", std::int64_t(image.GetHeight()))
                     .Add("bitCount", int(image.GetBitCount()))
                     .Add("numColors", image.GetNumColors())
                     .Add("maxColors", image.GetMaxColors())
                     .Add("isGray", image.IsGray())
                     .Add("bytesPerRow", image.GetBytesPerRow())
                     .Raw("paletteSize", paletteSize == 0xFFFFFFFFu ? "null" : std::to_string(paletteSize))
                     .Add("dibSize", image.GetDibSize())
                     .Raw("header", HeaderJson(image.GetBitmapInfoHeader()))
                     .Text()
              << "\n";
    return kExitOk;
}

int CommandConvert(const std::vector<std::string>& args, const GlobalOptions& options) {
    if (args.size() != 2) return Usage("convert takes an input and an output file");
    if (const int status = CheckOutputType(args[1]); status != kExitOk) return status;
    CVelora image;
    if (const int status = LoadInput(args[0], options, image); status != kExitOk) return status;
    return WriteOutput(args[1], image);
}

// Parses every step or query before any of them runs, so that a typo fails fast.
int ParseCalls(const std::vector<std::string>& texts, Operation::Kind kind, const GlobalOptions& options,
               std::vector<ParsedCall>& calls) {
    const ImageLoader loader = MakeLoader(options);
    for (const auto& text : texts) {
        ParsedCall call;
        std::string message;
        bool loadFailed = false;
        if (!ParseCall(text, kind, loader, call, message, loadFailed)) {
            if (loadFailed) {
                std::cerr << "velora: " << message << "\n";
                return kExitLoad;
            }
            return Usage(message);
        }
        if (call.op->needsMonitor) {
            if (options.monitors.empty()) {
                std::cerr << "velora: " << call.op->name << " measures visual angles on a monitor and needs "
                          << "--monitor WxH:WMMxHMM[;WxH:WMMxHMM] (resolution and physical size)\n";
                return kExitUsage;
            }
            call.args.SetMonitor(MonitorsOf(options));
        }
        calls.push_back(std::move(call));
    }
    return kExitOk;
}

int CommandApply(const std::vector<std::string>& args, const GlobalOptions& options) {
    if (args.size() < 3) return Usage("apply takes an input, an output and at least one step");
    if (const int status = CheckOutputType(args[1]); status != kExitOk) return status;
    CVelora image;
    if (const int status = LoadInput(args[0], options, image); status != kExitOk) return status;
    std::vector<ParsedCall> steps;
    if (const int status = ParseCalls({args.begin() + 2, args.end()}, Operation::Kind::Step, options, steps);
        status != kExitOk)
        return status;
    // A step that writes a file of its own (SavePalette) gives it here; it is written with
    // the image, once every step has succeeded.
    std::vector<velora::catalog::FileOutput> files;
    for (const auto& step : steps) {
        unsigned code = 0;
        if (const auto fileOutput = velora::catalog::FileOutputOf(*step.op)) {
            velora::catalog::FileOutput file;
            code = fileOutput(image, step.args, file);
            if (code == 0) files.push_back(std::move(file));
        } else {
            code = step.op->call(image, step.args);
        }
        if (code != 0) {
            std::cerr << "velora: " << RefusalMessage(*step.op, code) << "; nothing was written\n";
            return kExitRefused;
        }
    }
    if (files.empty()) return WriteOutput(args[1], image);
    std::string message;
    if (!SaveImageWithFiles(args[1], image, files, message)) {
        std::cerr << "velora: " << message << "\n";
        return kExitWrite;
    }
    return kExitOk;
}

int CommandQuery(const std::vector<std::string>& args, const GlobalOptions& options) {
    if (args.size() < 2) return Usage("query takes an input and at least one query");
    CVelora image;
    if (const int status = LoadInput(args[0], options, image); status != kExitOk) return status;
    std::vector<ParsedCall> queries;
    if (const int status = ParseCalls({args.begin() + 1, args.end()}, Operation::Kind::Query, options, queries);
        status != kExitOk)
        return status;
    for (const auto& q : queries) {
        std::cout << JsonObject()
                         .Add("query", q.op->name)
                         .Raw("arguments", ArgumentsJson(q.args, q.rawArgs))
                         .Raw("result", q.op->query(image, q.args))
                         .Text()
                  << "\n";
    }
    return kExitOk;
}

int CommandList(const std::vector<std::string>& args) {
    const std::string format = args.size() == 1 ? args[0] : "";
    if (args.size() > 1 || (!args.empty() && format != "--json" && format != "--markdown"))
        return Usage("list takes no arguments but --json or --markdown");
    std::cout << (format == "--json" ? ListJson() + "\n" : format == "--markdown" ? ListMarkdown() : ListText());
    return kExitOk;
}

// The colour commands' outcome as an exit status, the JSON on standard output.
int Report(const ColorOutcome& outcome) {
    switch (outcome.status) {
        case ColorOutcome::Usage: return Usage(outcome.text);
        case ColorOutcome::Refused: std::cerr << "velora: " << outcome.text << "\n"; return kExitRefused;
        case ColorOutcome::WriteFailed: std::cerr << "velora: " << outcome.text << "\n"; return kExitWrite;
        case ColorOutcome::Done: break;
    }
    std::cout << outcome.text << "\n";
    return kExitOk;
}

int CommandColor(const std::vector<std::string>& args) {
    if (args.size() != 3) return Usage("color takes a conversion, a value and a range");
    return Report(ConvertColour(args[0], args[1], args[2]));
}

int CommandSplit(const std::vector<std::string>& args, const GlobalOptions& options) {
    if (args.size() != 3) return Usage("split takes an input, a model and a prefix for the outputs");
    const int model = ColourModelOf(args[1]);
    if (model < 0) return Usage("unknown colour model '" + args[1] + "'");
    CVelora image;
    if (const int status = LoadInput(args[0], options, image); status != kExitOk) return status;
    return Report(SplitIntoFiles(image, model, args[2]));
}

// One parameter file through its reader: a refusal names the file and the line.
template <class Settings>
bool ReadSettings(const std::string& path, Settings& out,
                  std::optional<velora::catalog::FileProblem> (*read)(const std::string&, Settings&)) {
    const auto problem = read(path, out);
    if (!problem) return true;
    std::cerr << "velora: '" << path << "'" << (problem->line ? ", line " + std::to_string(problem->line) : "") << ": "
              << problem->reason << "; nothing was generated\n";
    return false;
}

int CommandBatch(const std::vector<std::string>& args, const GlobalOptions& options) {
    namespace cat = velora::catalog;
    std::vector<std::string> files;
    std::string translation, scotoma, bands, basis = "real";
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string* value = args[i] == "--translation" ? &translation
                             : args[i] == "--scotoma"   ? &scotoma
                             : args[i] == "--bands"     ? &bands
                             : args[i] == "--basis"     ? &basis
                                                        : nullptr;
        if (!value) files.push_back(args[i]);
        else if (i + 1 < args.size()) *value = args[++i];
        else return Usage(args[i] + " needs a value");
    }
    if (files.size() != 2 || translation.empty() || scotoma.empty() || bands.empty() || (basis != "real" && basis != "text"))
        return Usage("batch takes an input, a folder, --translation F, --scotoma F, --bands F and [--basis real|text]");
    if (options.monitors.empty()) {
        std::cerr << "velora: batch translates by visual angles on a monitor and needs "
                  << "--monitor WxH:WMMxHMM[;WxH:WMMxHMM] (resolution and physical size)\n";
        return kExitUsage;
    }
    cat::BatchSettings settings;
    settings.monitor = MonitorsOf(options);
    if (!ReadSettings(translation, settings.translation, cat::ReadTranslationFile) ||
        !ReadSettings(scotoma, settings.scotoma, cat::ReadScotomaFile) || !ReadSettings(bands, settings.bands, cat::ReadBandsFile))
        return kExitUsage;
    CVelora input;
    if (const int status = LoadInput(files[0], options, input); status != kExitOk) return status;

    int status = kExitOk;
    for (const auto& report : cat::RunBatch(input, basis == "text" ? cat::BatchBasis::Text : cat::BatchBasis::Real,
                                            settings, files[1])) {
        if (report.outcome != cat::BatchItemReport::Outcome::Written) {
            std::cerr << "velora: cannot write '" << report.fileName << "': " << report.writeError << "\n";
            status = kExitWrite;
            continue;
        }
        std::cout << report.fileName;
        for (const auto& why : report.unchanged) std::cout << (&why == &report.unchanged[0] ? ": " : "; ") << why;
        std::cout << "\n";
    }
    return status;
}

}  // namespace

int Run(std::vector<std::string> args);

int main(int argc, char** argv) {
    // The library refuses with its codes when memory fails; what else may need memory (the
    // arguments, the files' bytes) ends here rather than in an abort.
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::bad_alloc&) {
        std::cerr << "velora: not enough memory; nothing was written\n";
        return kExitRefused;
    }
}

int Run(std::vector<std::string> args) {
    for (const auto& a : args)
        if (a == "--help" || a == "-h") {
            PrintHelp();
            return kExitOk;
        }
    GlobalOptions options;
    std::string message;
    if (!TakeGlobalOptions(args, options, message)) return Usage(message);
    if (args.empty()) return Usage("no command given");
    std::srand(options.seed ? *options.seed : unsigned(std::time(nullptr)));
    // The random operations seed the C generator at the start of each run: from --seed when given.
    velora::SetFixedRandomSeed(options.seed);

    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "info") return CommandInfo(args, options);
    if (command == "convert") return CommandConvert(args, options);
    if (command == "apply") return CommandApply(args, options);
    if (command == "query") return CommandQuery(args, options);
    if (command == "list") return CommandList(args);
    if (command == "color") return CommandColor(args);
    if (command == "split") return CommandSplit(args, options);
    if (command == "batch") return CommandBatch(args, options);
    return Usage("unknown command '" + command + "'");
}
