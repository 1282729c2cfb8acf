#pragma once
// The times a difference report names, written alike by the window and by tandrel-cli.

#include <cstdint>
#include <string>
#include <string_view>

namespace tandrel {

// Seconds since 1970 as the report writes them: the user's short date, ", ", then the
// user's time of day without seconds, as the environment's locale (LC_ALL, LC_TIME, LANG)
// spells them, in the code page.
std::string ReportTimeText(std::int64_t seconds);

// A strftime time format with its seconds field taken out together with the separator
// before it ("%H:%M:%S" gives "%H:%M") or, when none, the unit after it ("%H时%M分%S秒"
// gives "%H时%M分"). `ampm` stands for "%r", the locale's 12-hour format.
std::string TimeFormatWithoutSeconds(std::string_view format, std::string_view ampm);

} // namespace tandrel
