// The report's times: the user's short date and time of day, never seconds, the same text
// in the window and in tandrel-cli.

#include "ReportTime.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <string>

namespace tandrel::test {
namespace {

TEST(ReportTime, EveryTimeFormatLosesItsSecondsOnly) {
    const std::string ampm = "%I:%M:%S %p";
    EXPECT_EQ(TimeFormatWithoutSeconds("%H:%M:%S", ampm), "%H:%M");
    EXPECT_EQ(TimeFormatWithoutSeconds("%T", ampm), "%H:%M");
    EXPECT_EQ(TimeFormatWithoutSeconds("%r", ampm), "%I:%M %p");
    EXPECT_EQ(TimeFormatWithoutSeconds("%I:%M:%S %p", ampm), "%I:%M %p");
    EXPECT_EQ(TimeFormatWithoutSeconds("%H.%M.%S", ampm), "%H.%M");
    // Units written after each field (zh_CN) go with their field.
    EXPECT_EQ(TimeFormatWithoutSeconds("%H时%M分%S秒", ampm), "%H时%M分");
    EXPECT_EQ(TimeFormatWithoutSeconds("%Hh%Mm%Ss", ampm), "%Hh%Mm");
    EXPECT_EQ(TimeFormatWithoutSeconds("%H:%M", ampm), "%H:%M");
    EXPECT_EQ(TimeFormatWithoutSeconds("%%S %H:%M:%S", ampm), "%%S %H:%M");
    EXPECT_EQ(TimeFormatWithoutSeconds("%S", ampm), "%H:%M");
}

TEST(ReportTime, ShortDateThenHoursAndMinutesInTheEnvironmentsLocale) {
    const char* oldZone = std::getenv("TZ");
    const char* oldLocale = std::getenv("LC_ALL");
    const std::string keptZone = oldZone ? oldZone : "";
    const std::string keptLocale = oldLocale ? oldLocale : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    ::setenv("LC_ALL", "C.UTF-8", 1);
    EXPECT_EQ(ReportTimeText(1796741137), "12/08/26, 14:45");
    // A locale that is not installed reads as the C locale rather than failing.
    ::setenv("LC_ALL", "xx_NOWHERE.UTF-8", 1);
    EXPECT_EQ(ReportTimeText(1796741137), "12/08/26, 14:45");
    oldLocale ? ::setenv("LC_ALL", keptLocale.c_str(), 1) : ::unsetenv("LC_ALL");
    oldZone ? ::setenv("TZ", keptZone.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
}

} // namespace
} // namespace tandrel::test
