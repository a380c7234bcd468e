#pragma once
// The date and hour of a battle, and their formatting by picture: in a picture, runs of the
// letters d, m, y (dates) or h, m (times), in either case, stand for the fields; every other
// character is copied.
//   FormatDate: d day ("%i"), dd+ day ("%02i"); m month number as stored (0-11), mm the same
//   zero-padded; mmm the month's first three letters, mmmm+ its whole name; y the last two
//   characters of the year, yy+ the whole year.
//   FormatTime: h / hh+ the hour, m / mm+ the minute, as for the day.
#include <cstdint>
#include <string>
#include <string_view>

struct DateTime {
    std::int16_t year = 0;
    std::int16_t month = 0; // 0 = January
    std::int16_t day = 0;
    std::int16_t hour = 0;
    std::int16_t minute = 0;

    void Clear() { *this = DateTime(); }
    void Set(int year_, int month_, int day_, int hour_, int minute_);
    bool operator==(const DateTime&) const = default;
};

std::string FormatDate(const DateTime& date, std::string_view picture);
std::string FormatTime(const DateTime& date, std::string_view picture);

// The English month name of index 0-11; null for any other index.
const char* MonthName(int month);
