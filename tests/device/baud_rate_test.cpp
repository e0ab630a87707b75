#include "device/baud_rate.h"

#include <gtest/gtest.h>

TEST(BaudRate, MapsBothWaysWithNineSixHundredAsFallback) {
    EXPECT_EQ(BaudRateToIndex(2400), 0);
    EXPECT_EQ(BaudRateToIndex(115200), 6);
    EXPECT_EQ(BaudRateToIndex(1200), 2);
    EXPECT_EQ(BaudRateToIndex(0), 2);
    EXPECT_EQ(BaudIndexToRate(0), 2400u);
    EXPECT_EQ(BaudIndexToRate(6), 115200u);
    EXPECT_EQ(BaudIndexToRate(7), 9600u);
    EXPECT_EQ(BaudIndexToRate(255), 9600u);
    for (uint8_t i = 0; i <= 6; ++i) EXPECT_EQ(BaudRateToIndex(BaudIndexToRate(i)), i);
}
