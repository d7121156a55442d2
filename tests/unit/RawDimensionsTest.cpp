#include <gtest/gtest.h>

#include "RawDimensions.h"

TEST(RawDimensions, ProposalsByFileLength) {
    // A length of the table, and two without a proposal (one the reader's own table knows).
    struct Case { std::uint64_t length; int width, height; };
    for (const Case c : {Case{10304, 92, 112}, Case{1048576, 0, 0}, Case{12345, 0, 0}}) {
        CRawDimensions d(c.length, "x.raw");
        EXPECT_EQ(d.Width(), c.width) << c.length;
        EXPECT_EQ(d.Height(), c.height) << c.length;
        EXPECT_EQ(d.CanAccept(), c.width != 0) << c.length;
    }
}

TEST(RawDimensions, AcceptIsEnabledExactlyWhenTheProductIsTheLength) {
    CRawDimensions d(12000, "cara.raw");
    EXPECT_FALSE(d.CanAccept());
    d.SetWidthText("120");
    EXPECT_FALSE(d.CanAccept());
    d.SetHeightText("100");
    EXPECT_EQ(d.Product(), 12000);
    EXPECT_TRUE(d.CanAccept());
    d.SetHeightText("10x");  // read as atoi reads it
    EXPECT_EQ(d.Height(), 10);
    EXPECT_FALSE(d.CanAccept());
    d.SetWidthText("-120");
    d.SetHeightText("-100");
    EXPECT_FALSE(d.CanAccept());  // a negative size never matches
    d.SetWidthText("");
    EXPECT_EQ(d.Width(), 0);
}
