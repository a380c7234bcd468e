#include "tools/datagen/variant_file.h"

#include <gtest/gtest.h>

namespace {

TEST(VariantFile, IsWrittenFieldByFieldLittleEndian) {
    datagen::VariantDraft d;
    d.scenarioIndex = 3;
    d.scenarioFile = "AB.SCN";
    d.detailsNumber = 0x01020304;
    d.title = "Xy";
    const std::vector<std::uint8_t> expected = {3, 0, 0, 0, 6, 0, 'A', 'B', '.', 'S', 'C', 'N', 4, 3, 2, 1, 2, 0, 'X', 'y'};
    EXPECT_EQ(datagen::WriteVariant(d), expected);
}

TEST(VariantFile, ReadsBackWhatWasWritten) {
    datagen::VariantDraft d;
    d.scenarioIndex = -1;
    d.scenarioFile = "GETTYSB2.SCN";
    d.detailsNumber = 7;
    d.title = "The Sixth Corps arrives early";
    auto bytes = datagen::WriteVariant(d);
    bytes.push_back(0xEE); // only the first record counts
    const auto back = datagen::ReadVariant(bytes);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->scenarioIndex, -1);
    EXPECT_EQ(back->scenarioFile, d.scenarioFile);
    EXPECT_EQ(back->detailsNumber, 7u);
    EXPECT_EQ(back->title, d.title);
}

TEST(VariantFile, EveryCutOfARecordIsRefused) {
    datagen::VariantDraft d;
    d.scenarioFile = "A.SCN";
    d.title = "T";
    const auto bytes = datagen::WriteVariant(d);
    for (std::size_t n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(datagen::ReadVariant(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n))))
            << n;
}

TEST(VariantFile, ATextLongerThanTheGamesBufferIsRefused) {
    datagen::VariantDraft d;
    d.scenarioFile = std::string(256, 'A');
    EXPECT_FALSE(datagen::ReadVariant(datagen::WriteVariant(d)));
    d.scenarioFile = std::string(255, 'A');
    EXPECT_TRUE(datagen::ReadVariant(datagen::WriteVariant(d)));
}

} // namespace
