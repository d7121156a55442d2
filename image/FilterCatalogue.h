// The predefined neighbourhood filters: what CVelora::PredefinedFilter runs for each entry
// index, and what the filter dialog lists and shows. One table for both, so that the list,
// the masks and the operation cannot drift apart.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace velora {

enum class FilterKind {
    Linear,           // the convolution engine with the entry's mask and divisor
    TwoMasks,         // firstMask on the image, secondMask on a copy, then their saturating sum
    EightDirections,  // the largest response of the base mask turned eight times by 45 degrees
    Median,           // the middle one of the window's sorted values
    Maximum,
    Minimum,
    Midpoint,           // (minimum + maximum) >> 1
    MaxMinEnhancement,  // the window's minimum or maximum, whichever is nearer the centre pixel
    GeometricMean,
    HarmonicMean,
};

struct FilterEntry {
    int index;                     // the entry index PredefinedFilter takes
    std::string_view text;         // the list text (UTF-8)
    std::string_view description;  // shown above the list; "\n" breaks the line
    FilterKind kind;
    int size;     // mask or window side
    int divisor;  // of a linear mask; 1 for every other kind
    // size x size coefficients, row by row from the top row: the mask of a linear entry, the
    // first mask of a two-mask detector, the base mask of an eight-direction one; empty for
    // the non-linear filters.
    std::vector<int> coefficients;
    int firstMask = -1;  // two-mask detectors: the entries whose masks they combine
    int secondMask = -1;
};

// Every entry, by ascending index (0..37, 40..68, 70..77).
const std::vector<FilterEntry>& FilterEntries();
// The entry of an index, or null for one that does not exist (38, 39, 69, out of range).
const FilterEntry* FindFilterEntry(int index);

// One line of the dialog's list: an entry, or a group heading or blank line (entry null).
struct FilterListLine {
    std::string_view text;
    const FilterEntry* entry;
};
// The list in its order: each group's heading, a blank line, its entries, a blank line.
std::span<const FilterListLine> FilterListLines();

}  // namespace velora
