#include "platform/strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(StringTableTest, TheProgramsTableIsWellFormed) {
    const auto& table = platform::ProgramStringTable();
    EXPECT_TRUE(table.problems.empty()) << table.problems.front();
    EXPECT_GE(table.texts.size(), 2u);
}

TEST(StringTableTest, LoadStringCopiesAtMostTheBufferAndTerminates) {
    char buffer[256];
    EXPECT_EQ(LoadString(nullptr, 128, buffer, sizeof buffer), 27);
    EXPECT_STREQ(buffer, "Click on Finish to go back.");
    char small[6];
    EXPECT_EQ(LoadString(nullptr, 128, small, sizeof small), 5);
    EXPECT_STREQ(small, "Click");
    EXPECT_EQ(LoadString(nullptr, 1, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
}

TEST(StringTableTest, ParserUnescapesAndReportsProblems) {
    std::string source = "# comment\n\n5 a\\tb\\nc\\\\\r\n5 again\nx bad\n7 " + std::string(256, 'z') + "\n";
    auto table = platform::ParseStringTable(source.c_str());
    EXPECT_EQ(table.texts.at(5), "a\tb\nc\\");
    EXPECT_EQ(table.texts.at(7).size(), 256u);
    ASSERT_EQ(table.problems.size(), 3u); // the second 5, the bad line, the long text
}

} // namespace
