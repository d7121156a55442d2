// The one table of the command line's operations: name, arguments and the library call.
// Parsing of steps, `velora list` and the help text are all driven by it, so a new
// operation of the library is one entry here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "CVelora.h"

namespace velora::cli {

enum class ArgKind {
    Int,      // decimal or 0x hexadecimal
    Float,    // C-locale decimal number
    Flag,     // 0 or 1
    Colour,   // #RRGGBB, or an integer taken as the colour reference itself
    Image,    // a path, loaded like the input
    Path,     // a path, passed on as text
    IntList,  // the remaining arguments, integers (only last)
};

struct ArgSpec {
    std::string_view name;
    ArgKind kind;
};

using ArgValue = std::variant<std::int64_t, double, std::string, std::shared_ptr<CVelora>, std::vector<std::int64_t>>;

// The parsed arguments of one step or query, in the order of the table.
class Args {
public:
    explicit Args(std::vector<ArgValue> values) : m_values(std::move(values)) {}
    int Int(std::size_t i) const { return int(std::get<std::int64_t>(m_values[i])); }
    std::uint32_t Colour(std::size_t i) const { return std::uint32_t(std::get<std::int64_t>(m_values[i])); }
    float Float(std::size_t i) const { return float(std::get<double>(m_values[i])); }
    double Double(std::size_t i) const { return std::get<double>(m_values[i]); }
    const std::string& Text(std::size_t i) const { return std::get<std::string>(m_values[i]); }
    const CVelora& Image(std::size_t i) const { return *std::get<std::shared_ptr<CVelora>>(m_values[i]); }
    const std::vector<std::int64_t>& IntList(std::size_t i) const {
        return std::get<std::vector<std::int64_t>>(m_values[i]);
    }
    // The arguments as a JSON array, as the queries echo them.
    std::string ToJson(const std::vector<std::string>& raw) const;

private:
    std::vector<ArgValue> m_values;
};

struct Operation {
    enum class Kind { Step, Query };
    std::string_view name;
    Kind kind;
    std::string_view family;
    std::vector<ArgSpec> args;
    std::string_view summary;
    // Steps change the image and return the library's result code (0 = done).
    std::function<unsigned(CVelora&, const Args&)> apply;
    // Queries return the JSON text of their result.
    std::function<std::string(const CVelora&, const Args&)> query;
};

const std::vector<Operation>& Operations();
const Operation* FindOperation(std::string_view name, Operation::Kind kind);

// "Name:arg,arg" written out from the table.
std::string Signature(const Operation& op);

// Loads an image argument; returns the reader's code and a message when it fails.
using ImageLoader = std::function<unsigned(const std::string& path, CVelora& image, std::string& message)>;

struct ParsedCall {
    const Operation* op = nullptr;
    std::vector<std::string> rawArgs;
    std::unique_ptr<Args> args;
};

// Parses "Name" or "Name:a,b,c" against the table. On failure returns false with a message;
// loadFailed tells a bad image argument (exit 2) from a usage error (exit 1).
bool ParseCall(std::string_view text, Operation::Kind kind, const ImageLoader& loader, ParsedCall& call,
               std::string& message, bool& loadFailed);

}  // namespace velora::cli
