// The command line's view of the operation catalogue: parsing "Name:arg,arg" against an
// operation's declared parameters, and `velora list` in text, JSON and Markdown.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Operation.h"

namespace velora::cli {

using catalog::Args;
using catalog::Operation;

// Loads an image argument; returns the reader's code and a message when it fails.
using ImageLoader = std::function<unsigned(const std::string& path, CVelora& image, std::string& message)>;

struct ParsedCall {
    const Operation* op = nullptr;
    std::vector<std::string> rawArgs;
    Args args;
};

// Parses "Name" or "Name:a,b,c". On failure returns false with a message; loadFailed tells
// a bad image argument (exit 2) from a usage error (exit 1). Values outside a parameter's
// range are not refused here: the library decides, and its result code is reported.
bool ParseCall(std::string_view text, Operation::Kind kind, const ImageLoader& loader, ParsedCall& call,
               std::string& message, bool& loadFailed);

// The arguments as a JSON array, as the queries echo them.
std::string ArgumentsJson(const Args& args, const std::vector<std::string>& raw);

// Why a step refused: "Brightness refused the image (result 1: percent must lie in -100..100)".
std::string RefusalMessage(const Operation& op, unsigned code);

// `velora list`, `velora list --json` and `velora list --markdown` (docs/operations.md).
std::string ListText();
std::string ListJson();
std::string ListMarkdown();

}  // namespace velora::cli
