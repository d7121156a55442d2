// The predefined filters: the masks and divisors as the filter chart prints them, the list
// the dialog shows, and the lookup by index.
#include "FilterCatalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <tuple>

namespace {

using velora::FilterKind;

struct ChartRow {
    int index, size, divisor;
    const char* rows;  // the coefficients row by row, rows separated by " / "
};

// The linear masks as printed in the chart handed to students.
const ChartRow kChart[] = {
        {0, 3, 1, "-1 -1 -1 / -1 8 -1 / -1 -1 -1"},
        {1, 3, 1, "-1 2 -1 / -1 2 -1 / -1 2 -1"},
        {2, 3, 1, "-1 -1 -1 / 2 2 2 / -1 -1 -1"},
        {3, 3, 1, "-1 -1 2 / -1 2 -1 / 2 -1 -1"},
        {4, 3, 1, "2 -1 -1 / -1 2 -1 / -1 -1 2"},
        {5, 3, 1, "0 -1 0 / -1 5 -1 / 0 -1 0"},
        {6, 3, 1, "-1 -1 -1 / -1 9 -1 / -1 -1 -1"},
        {7, 3, 1, "1 -2 1 / -2 5 -2 / 1 -2 1"},
        {8, 3, 1, "-1 -2 -1 / -2 13 -2 / -1 -2 -1"},
        {9, 3, 1, "-2 -2 -2 / -2 17 -2 / -2 -2 -2"},
        {10, 3, 1, "-3 -3 -3 / -3 25 -3 / -3 -3 -3"},
        {11, 3, 1, "-4 -4 -4 / -4 33 -4 / -4 -4 -4"},
        {12, 5, 1, "-1 -1 -1 -1 -1 / -1 -1 -1 -1 -1 / -1 -1 26 -1 -1 / -1 -1 -1 -1 -1 / -1 -1 -1 -1 -1"},
        {13, 5, 1, "-2 -2 -2 -2 -2 / -2 -2 -2 -2 -2 / -2 -2 49 -2 -2 / -2 -2 -2 -2 -2 / -2 -2 -2 -2 -2"},
        {14, 5, 1, "-1 -1 -1 -1 -1 / -1 -2 -2 -2 -1 / -1 -2 33 -2 -1 / -1 -2 -2 -2 -1 / -1 -1 -1 -1 -1"},
        {15, 5, 1, "-8 -5 -2 -5 -8 / -5 3 9 3 -5 / -2 9 33 9 -2 / -5 3 9 3 -5 / -8 -5 -2 -5 -8"},
        {16, 3, 9, "1 1 1 / 1 1 1 / 1 1 1"},
        {17, 3, 9, "1 1 1 / 1 2 1 / 1 1 1"},
        {18, 3, 9, "1 2 1 / 2 4 2 / 1 2 1"},
        {19, 5, 25, "1 1 1 1 1 / 1 1 1 1 1 / 1 1 1 1 1 / 1 1 1 1 1 / 1 1 1 1 1"},
        {20, 7, 49, "1 1 1 1 1 1 1 / 1 1 1 1 1 1 1 / 1 1 1 1 1 1 1 / 1 1 1 1 1 1 1 / 1 1 1 1 1 1 1 / 1 1 1 1 1 1 1 / 1 1 1 1 1 1 1"},
        {21, 9, 81, "1 1 1 1 1 1 1 1 1 / 1 1 1 1 1 1 1 1 1 / 1 1 1 1 1 1 1 1 1 / 1 1 1 1 1 1 1 1 1 / 1 1 1 1 1 1 1 1 1 / 1 1 1 1 1 1 1 1 1 / 1 1 1 1 1 1 1 1 1 / 1 1 1 1 1 1 1 1 1 / 1 1 1 1 1 1 1 1 1"},
        {26, 3, 16, "1 2 1 / 2 4 2 / 1 2 1"},
        {27, 3, 224, "6 25 6 / 25 100 25 / 6 25 6"},
        {28, 5, 52, "1 1 2 1 1 / 1 2 4 2 1 / 2 4 8 4 2 / 1 2 4 2 1 / 1 1 2 1 1"},
        {29, 5, 115, "2 4 5 4 2 / 4 9 12 9 4 / 5 12 15 12 5 / 4 9 12 9 4 / 2 4 5 4 2"},
        {30, 5, 249, "3 6 8 6 3 / 6 14 19 14 6 / 8 19 25 19 8 / 6 14 19 14 6 / 3 6 8 6 3"},
        {31, 5, 273, "1 4 7 4 1 / 4 16 26 16 4 / 7 26 41 26 7 / 4 16 26 16 4 / 1 4 7 4 1"},
        {32, 5, 852, "6 18 25 18 6 / 18 50 71 50 18 / 25 71 100 71 25 / 18 50 71 50 18 / 6 18 25 18 6"},
        {33, 7, 140, "1 1 2 2 2 1 1 / 1 2 2 4 2 2 1 / 2 2 4 8 4 2 2 / 2 4 8 16 8 4 2 / 2 2 4 8 4 2 2 / 1 2 2 4 2 2 1 / 1 1 2 2 2 1 1"},
        {34, 3, 10, "1 1 1 / 1 2 1 / 1 1 1"},
        {35, 3, 13, "1 1 1 / 1 5 1 / 1 1 1"},
        {36, 5, 100, "1 1 1 1 1 / 1 5 5 5 1 / 1 5 44 5 1 / 1 5 5 5 1 / 1 1 1 1 1"},
        {37, 5, 16, "1 1 1 1 1 / 1 0 0 0 1 / 1 0 0 0 1 / 1 0 0 0 1 / 1 1 1 1 1"},
        {41, 2, 1, "0 1 / -1 0"},
        {42, 2, 1, "1 0 / 0 -1"},
        {44, 3, 1, "-1 0 1 / -1 0 1 / -1 0 1"},
        {45, 3, 1, "-1 -1 -1 / 0 0 0 / 1 1 1"},
        {46, 3, 1, "-1 -1 0 / -1 0 1 / 0 1 1"},
        {47, 3, 1, "0 -1 -1 / 1 0 -1 / 1 1 0"},
        {51, 3, 1, "-1 0 1 / -2 0 2 / -1 0 1"},
        {52, 3, 1, "-1 -2 -1 / 0 0 0 / 1 2 1"},
        {53, 3, 1, "-2 -1 0 / -1 0 1 / 0 1 2"},
        {54, 3, 1, "0 -1 -2 / 1 0 -1 / 2 1 0"},
        {58, 3, 1, "0 -1 0 / -1 4 -1 / 0 -1 0"},
        {59, 3, 1, "-1 -1 -1 / -1 8 -1 / -1 -1 -1"},
        {60, 3, 1, "1 -2 1 / -2 4 -2 / 1 -2 1"},
        {61, 3, 1, "-1 -2 -1 / -2 12 -2 / -1 -2 -1"},
        {62, 5, 1, "-1 -1 -1 -1 -1 / -1 -1 -1 -1 -1 / -1 -1 24 -1 -1 / -1 -1 -1 -1 -1 / -1 -1 -1 -1 -1"},
        {63, 9, 1, "-1 -1 -1 -1 -1 -1 -1 -1 -1 / -1 -1 -1 -1 -1 -1 -1 -1 -1 / -1 -1 -1 -1 -1 -1 -1 -1 -1 / -1 -1 -1 8 8 8 -1 -1 -1 / -1 -1 -1 8 8 8 -1 -1 -1 / -1 -1 -1 8 8 8 -1 -1 -1 / -1 -1 -1 -1 -1 -1 -1 -1 -1 / -1 -1 -1 -1 -1 -1 -1 -1 -1 / -1 -1 -1 -1 -1 -1 -1 -1 -1"},
        {64, 5, 1, "0 0 -1 0 0 / 0 -1 -2 -1 0 / -1 -2 16 -2 -1 / 0 -1 -2 -1 0 / 0 0 -1 0 0"},
        {65, 11, 1, "0 0 0 -1 -1 -2 -1 -1 0 0 0 / 0 0 -2 -4 -8 -9 -8 -4 -2 0 0 / 0 -2 -7 -15 -22 -23 -22 -15 -7 -2 0 / -1 -4 -15 -24 -14 -1 -14 -24 -15 -4 -1 / -1 -8 -22 -14 52 103 52 -14 -22 -8 -1 / -2 -9 -23 -1 103 178 103 -1 -23 -9 -2 / -1 -8 -22 -14 52 103 52 -14 -22 -8 -1 / -1 -4 -15 -24 -14 -1 -14 -24 -15 -4 -1 / 0 -2 -7 -15 -22 -23 -22 -15 -7 -2 0 / 0 0 -2 -4 -8 -9 -8 -4 -2 0 0 / 0 0 0 -1 -1 -2 -1 -1 0 0 0"},
};

std::vector<int> Parse(const char* text) {
    std::vector<int> values;
    std::istringstream in(text);
    std::string word;
    while (in >> word)
        if (word != "/") values.push_back(std::stoi(word));
    return values;
}

TEST(FilterCatalogue, LinearMasksAndDivisorsAreThoseOfTheChart) {
    for (const ChartRow& row : kChart) {
        SCOPED_TRACE(row.index);
        const velora::FilterEntry* entry = velora::FindFilterEntry(row.index);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->kind, FilterKind::Linear);
        EXPECT_EQ(entry->size, row.size);
        EXPECT_EQ(entry->divisor, row.divisor);
        EXPECT_EQ(entry->coefficients, Parse(row.rows));
    }
}

TEST(FilterCatalogue, TwoMaskEntriesAndTheListHoldEveryEntryOnce) {
    // A two-mask entry shows its first (horizontal) component in the grid.
    for (const auto& [index, first, second] : {std::tuple{40, 42, 41}, {43, 45, 44}, {48, 46, 47}, {50, 52, 51}, {55, 53, 54}}) {
        const velora::FilterEntry* entry = velora::FindFilterEntry(index);
        ASSERT_NE(entry, nullptr);
        EXPECT_TRUE(entry->kind == FilterKind::TwoMasks && entry->firstMask == first && entry->secondMask == second) << index;
        EXPECT_EQ(entry->coefficients, velora::FindFilterEntry(first)->coefficients);
    }
    EXPECT_EQ(velora::FindFilterEntry(57)->coefficients, Parse("-3 -3 5 / -3 0 5 / -3 -3 5"));
    for (int missing : {-1, 38, 39, 69, 78}) EXPECT_EQ(velora::FindFilterEntry(missing), nullptr) << missing;
    std::set<int> listed;
    for (const velora::FilterListLine& line : velora::FilterListLines())
        if (line.entry) {
            EXPECT_TRUE(listed.insert(line.entry->index).second) << line.entry->index;
        }
    EXPECT_EQ(listed.size(), velora::FilterEntries().size());
}

}  // namespace
