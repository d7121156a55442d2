// The predefined filters' lookup: two-mask entries, holes in the numbering, the dialog's list.
#include "FilterCatalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

using velora::FilterKind;

TEST(FilterCatalogue, TwoMaskEntriesHolesAndTheListHoldEveryEntryOnce) {
    // A two-mask entry shows its first (horizontal) component in the grid.
    for (const auto& [index, first, second] : {std::tuple{40, 42, 41}, {43, 45, 44}, {48, 46, 47}, {50, 52, 51}, {55, 53, 54}}) {
        const velora::FilterEntry* entry = velora::FindFilterEntry(index);
        ASSERT_NE(entry, nullptr);
        EXPECT_TRUE(entry->kind == FilterKind::TwoMasks && entry->firstMask == first && entry->secondMask == second) << index;
        EXPECT_EQ(entry->coefficients, velora::FindFilterEntry(first)->coefficients);
    }
    for (int missing : {-1, 38, 39, 69, 78}) EXPECT_EQ(velora::FindFilterEntry(missing), nullptr) << missing;
    std::set<int> listed;
    for (const velora::FilterListLine& line : velora::FilterListLines())
        if (line.entry) {
            EXPECT_TRUE(listed.insert(line.entry->index).second) << line.entry->index;
        }
    EXPECT_EQ(listed.size(), velora::FilterEntries().size());
    for (const velora::FilterEntry& e : velora::FilterEntries())  // a coefficient left out or in twice
        EXPECT_TRUE(e.coefficients.empty() || e.coefficients.size() == std::size_t(e.size * e.size)) << e.index;
}

