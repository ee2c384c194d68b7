#include "Common/TextHelpers.h"

#include <gtest/gtest.h>

TEST(TextHelpers, DecimalText)
{
    EXPECT_EQ(Common::ToDecimalText(-2147483647 - 1), L"-2147483648");
    EXPECT_EQ(Common::ToDecimalText(0), L"0");
}
