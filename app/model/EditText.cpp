#include "EditText.h"

#include <charconv>
#include <cmath>
#include <string>

double ParseDecimalPrefix(std::string_view text, bool acceptComma) {
    return ParseNumberPrefix(text, acceptComma).value_or(0.0);
}

std::optional<double> ParseNumberPrefix(std::string_view text, bool acceptComma) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    std::string number(text.substr(i));
    if (acceptComma)
        for (char& c : number)
            if (c == ',') c = '.';
    const char* first = number.data();
    const char* last = number.data() + number.size();
    bool negative = false;
    if (first != last && (*first == '+' || *first == '-')) {
        negative = *first == '-';
        ++first;
    }
    if (first == last || *first == '-' || *first == '+') return std::nullopt;
    double value = 0.0;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec == std::errc::invalid_argument) return std::nullopt;
    // Out of range: from_chars leaves the value alone; the C conversion gives +-HUGE_VAL or 0.
    if (result.ec == std::errc::result_out_of_range) {
        const std::string digits(first, result.ptr);
        const auto e = digits.find_first_of("eE");
        const bool tiny = e != std::string::npos && digits.find('-', e) != std::string::npos;
        value = tiny ? 0.0 : HUGE_VAL;
    }
    return negative ? -value : value;
}

int TruncateClamped(double value, int low, int high) {
    if (std::isnan(value)) value = 0.0;
    value = std::trunc(value);
    if (value < low) return low;
    if (value > high) return high;
    return int(value);
}
