#include "ReportTime.h"

#include "CodePage.h"

#include <ctime>
#include <langinfo.h>
#include <locale.h>

namespace tandrel {

namespace {

bool IsSeparator(char c) {
    return c == ':' || c == '.' || c == ',' || c == '-';
}

// The environment's time formats for the duration of one formatting; the C locale's when
// the environment names a locale that is not installed. Only the time category is loaded:
// the character category alone is larger than everything else a short command maps.
class TUserLocale {
public:
    TUserLocale() : FLocale(::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr))) {
        if (FLocale == static_cast<locale_t>(nullptr))
            FLocale = ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    }
    ~TUserLocale() {
        if (FLocale != static_cast<locale_t>(nullptr))
            ::freelocale(FLocale);
    }
    TUserLocale(const TUserLocale&) = delete;
    TUserLocale& operator=(const TUserLocale&) = delete;

    std::string Info(nl_item item) const {
        const char* text = FLocale ? ::nl_langinfo_l(item, FLocale) : nullptr;
        return text ? text : "";
    }
    std::string Format(const std::string& format, const std::tm& time) const {
        char text[256];
        const size_t length = FLocale
                                  ? ::strftime_l(text, sizeof text, format.c_str(), &time, FLocale)
                                  : std::strftime(text, sizeof text, format.c_str(), &time);
        return std::string(text, length);
    }

private:
    locale_t FLocale;
};

} // namespace

std::string TimeFormatWithoutSeconds(std::string_view format, std::string_view ampm) {
    // The shorthands for a whole time are spelled out first, so their seconds can go.
    std::string spelled;
    size_t seconds = std::string::npos;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            spelled += format[i];
            continue;
        }
        const char c = format[++i];
        const std::string_view field = c == 'T'   ? std::string_view("%H:%M:%S")
                                       : c == 'r' ? ampm
                                                  : format.substr(i - 1, 2);
        const size_t inField = field == "%%" ? std::string_view::npos : field.find("%S");
        if (seconds == std::string::npos && inField != std::string_view::npos)
            seconds = spelled.size() + inField;
        spelled += field;
    }
    if (seconds == std::string::npos)
        return spelled;
    size_t from = seconds;
    size_t to = seconds + 2;
    if (from > 0 && IsSeparator(spelled[from - 1])) {
        --from;
    } else {
        while (to < spelled.size() && spelled[to] != '%' && spelled[to] != ' ')
            ++to;
    }
    spelled.erase(from, to - from);
    while (!spelled.empty() && spelled.back() == ' ')
        spelled.pop_back();
    return spelled.empty() ? "%H:%M" : spelled;
}

std::string ReportTimeText(std::int64_t seconds) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!::localtime_r(&time, &local))
        return "";
    const TUserLocale locale;
    std::string timeFormat = locale.Info(T_FMT);
    if (timeFormat.empty())
        timeFormat = "%H:%M:%S";
    const std::string text =
        locale.Format("%x", local) + ", " +
        locale.Format(TimeFormatWithoutSeconds(timeFormat, locale.Info(T_FMT_AMPM)), local);
    // The code set the time category's own texts (month names, AM and PM) are written in.
    const std::string codeset = locale.Info(_NL_TIME_CODESET);
    if (codeset.empty() || codeset == "UTF-8" || codeset == "utf8" || codeset == "ANSI_X3.4-1968")
        return SystemCodePage().FromUtf8(text);
    return SystemCodePage().FromUtf8(CodePage(codeset).ToUtf8(text));
}

} // namespace tandrel
