// Just enough JSON for the command line's output: objects and arrays built as text.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace velora {

std::string JsonQuote(std::string_view text);
// A number as JSON: the shortest form that reads back exactly; null for NaN and infinities.
std::string JsonNumber(double value);

// "[a,b,...]" from items that are JSON text already.
std::string JsonArray(std::initializer_list<std::string> items);

// Collects "key": value pairs; values are numbers, booleans, strings or JSON text.
class JsonObject {
public:
    JsonObject& Add(std::string_view key, std::int64_t value) { return Raw(key, std::to_string(value)); }
    JsonObject& Add(std::string_view key, std::uint32_t value) { return Raw(key, std::to_string(value)); }
    JsonObject& Add(std::string_view key, int value) { return Raw(key, std::to_string(value)); }
    JsonObject& Add(std::string_view key, double value);
    JsonObject& Add(std::string_view key, bool value) { return Raw(key, value ? "true" : "false"); }
    JsonObject& Add(std::string_view key, std::string_view value) { return Raw(key, JsonQuote(value)); }
    JsonObject& Add(std::string_view key, const char* value) { return Raw(key, JsonQuote(value)); }
    JsonObject& Raw(std::string_view key, std::string_view json);
    std::string Text() const { return "{" + m_body + "}"; }

private:
    std::string m_body;
};

}  // namespace velora
