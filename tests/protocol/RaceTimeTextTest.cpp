#include "protocol/RaceTimeText.h"

#include <gtest/gtest.h>

namespace vk {

TEST(FormatRaceTime, ThreeMillisecondDigitsAndNoLeadingSecondZeros) {
    EXPECT_EQ(FormatRaceTime(5123), "5,123");
    EXPECT_EQ(FormatRaceTime(65), "0,065");
    EXPECT_EQ(FormatRaceTime(12000), "12,000");
    EXPECT_EQ(FormatRaceTime(1), "0,001");
    EXPECT_EQ(FormatRaceTime(999999), "999,999");
}

TEST(FormatRaceTime, LongRunsKeepAllTheirSeconds) {
    EXPECT_EQ(FormatRaceTime(1000000), "1000,000");
    EXPECT_EQ(FormatRaceTime(1234567), "1234,567");
}

} // namespace vk
