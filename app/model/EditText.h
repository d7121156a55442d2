// How dialog edit boxes turn their text into numbers: the longest leading decimal number,
// as the classic C conversion reads it, but without depending on the process locale.
#pragma once

#include <optional>
#include <string_view>

// Leading white space, an optional sign, then a decimal number ("-7.9xyz" gives -7.9);
// 0 when the text starts with no number. With acceptComma, "0,5" reads as 0.5.
double ParseDecimalPrefix(std::string_view text, bool acceptComma = false);
// The same, but nothing when the text starts with no number ("", "-", "abc"): a box the
// user is still typing into. Boxes take the decimal comma and the point alike ("1,5").
std::optional<double> ParseNumberPrefix(std::string_view text, bool acceptComma = true);

// Truncates towards zero and clamps to [low, high]; NaN counts as 0. Never undefined,
// however large the value.
int TruncateClamped(double value, int low, int high);
