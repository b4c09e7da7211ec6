#include "platform/Time64.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

// The stand-in must count the same seconds as the C library's calendar clock
// (the seed changes once per second), and must not be truncated to 32 bits.
TEST(Time64, CountsCalendarSecondsSince1970)
{
    const std::int64_t before = std::int64_t(std::time(nullptr));
    const std::int64_t now = platform::time64();
    const std::int64_t after = std::int64_t(std::time(nullptr));
    EXPECT_GE(now, before);
    EXPECT_LE(now, after);
    static_assert(sizeof(platform::time64()) == 8, "64-bit result");
}

}  // namespace
