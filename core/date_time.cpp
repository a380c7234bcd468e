#include "core/date_time.h"

#include <cctype>
#include <cstdio>

namespace {

const char* const kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                 "July",    "August",   "September", "October", "November", "December"};

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Length of the run of letter (either case) that starts at i.
std::size_t runLength(std::string_view picture, std::size_t i) {
    char letter = lower(picture[i]);
    std::size_t n = 0;
    while (i + n < picture.size() && lower(picture[i + n]) == letter) ++n;
    return n;
}

std::string number(int value, bool padded) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, padded ? "%02i" : "%i", value);
    return buffer;
}

} // namespace

void DateTime::Set(int year_, int month_, int day_, int hour_, int minute_) {
    year = static_cast<std::int16_t>(year_);
    month = static_cast<std::int16_t>(month_);
    day = static_cast<std::int16_t>(day_);
    hour = static_cast<std::int16_t>(hour_);
    minute = static_cast<std::int16_t>(minute_);
}

const char* MonthName(int month) { return month >= 0 && month < 12 ? kMonths[month] : nullptr; }

std::string FormatDate(const DateTime& date, std::string_view picture) {
    std::string out;
    for (std::size_t i = 0; i < picture.size();) {
        char c = lower(picture[i]);
        if (c != 'd' && c != 'm' && c != 'y') {
            out += picture[i++];
            continue;
        }
        std::size_t run = runLength(picture, i);
        i += run;
        if (c == 'd') {
            out += number(date.day, run >= 2);
        } else if (c == 'm') {
            const char* name = MonthName(date.month);
            // A month outside 0-11 has no name; it is shown as its number rather than read
            // from past the end of the table.
            if (run >= 3 && name) out += run >= 4 ? std::string(name) : std::string(name, 3);
            else out += number(date.month, run == 2);
        } else {
            std::string year = number(date.year, true);
            out += run >= 2 ? year : year.substr(year.size() - 2);
        }
    }
    return out;
}

std::string FormatTime(const DateTime& date, std::string_view picture) {
    std::string out;
    for (std::size_t i = 0; i < picture.size();) {
        char c = lower(picture[i]);
        if (c != 'h' && c != 'm') {
            out += picture[i++];
            continue;
        }
        std::size_t run = runLength(picture, i);
        i += run;
        out += number(c == 'h' ? date.hour : date.minute, run >= 2);
    }
    return out;
}
