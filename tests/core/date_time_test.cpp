#include "core/date_time.h"

#include <gtest/gtest.h>

namespace {

TEST(DatePictureTest, DatesTable) {
    DateTime gettysburg;
    gettysburg.Set(1863, 6, 3, 5, 30);
    struct Case {
        const char* picture;
        const char* text;
    } cases[] = {
        {"mmmm d, yy", "July 3, 1863"},
        {"MMM DD Y", "Jul 03 63"},
        {"DDDD", "03"},
        {"d/m/yy", "3/6/1863"},
        {"dd.mm.yyyy", "03.06.1863"},
        {"MMMMMMM", "July"},
        {"on 12 [d]!", "on 12 [3]!"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDate(gettysburg, c.picture), c.text) << c.picture;
}

TEST(DatePictureTest, TimesTable) {
    DateTime t;
    t.Set(1862, 8, 17, 5, 30);
    struct Case {
        const char* picture;
        const char* text;
    } cases[] = {{"hhmm", "0530"}, {"h:mm", "5:30"}, {"H:M", "5:30"}, {"hh hours", "05 5ours"}, {"", ""}};
    for (const auto& c : cases) EXPECT_EQ(FormatTime(t, c.picture), c.text) << c.picture;
}

TEST(DatePictureTest, MonthOutsideTheTableIsShownAsItsNumber) {
    DateTime odd;
    odd.Set(1864, 12, 1, 0, 0);
    EXPECT_EQ(FormatDate(odd, "mmmm"), "12");
    odd.month = -1;
    EXPECT_EQ(FormatDate(odd, "mmm"), "-1");
    EXPECT_EQ(MonthName(11), std::string("December"));
    EXPECT_EQ(MonthName(12), nullptr);
}

TEST(DatePictureTest, ClearAndSet) {
    DateTime d;
    d.Set(1, 2, 3, 4, 5);
    d.Clear();
    EXPECT_EQ(d, DateTime());
}

} // namespace
