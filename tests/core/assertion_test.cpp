#include "core/assertion.h"
#include "platform/msgbox.h"

#include <gtest/gtest.h>

namespace {

class AssertionBox : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ClearMessageBoxAnswers();
        platform::ClearShownMessageBoxes();
    }
    void TearDown() override { platform::ClearMessageBoxAnswers(); }
};

TEST_F(AssertionBox, PassingCheckShowsNothing) {
    Assert(1, "never shown", "UTILS", 1);
    Assert(-7, "never shown", "UTILS", 2);
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
}

TEST_F(AssertionBox, CaptionAndTextAreBuiltFromFileLineAndMessage) {
    struct Case {
        int line;
        const char* caption;
    } cases[] = {{817, "Failure in UTILS at line 817."}, {-12, "Failure in UTILS at line -12."}};
    for (const auto& c : cases) {
        platform::ClearShownMessageBoxes();
        platform::QueueMessageBoxAnswer(IDNO);
        AssertFail("Invalid Box Dimensions", "UTILS", c.line);
        ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
        auto box = platform::ShownMessageBox(0);
        EXPECT_EQ(box.caption, c.caption);
        EXPECT_EQ(box.text, "Invalid Box Dimensions  Abort?");
        EXPECT_EQ(box.type, MB_YESNO | MB_ICONSTOP);
    }
}

TEST_F(AssertionBox, YesThrowsAssertionCarryingMessageFileAndLine) {
    platform::QueueMessageBoxAnswer(IDYES);
    try {
        Assert(0, "Bad data passed in bus message to function", "VHLOG4", 321);
        FAIL() << "Yes must throw";
    } catch (const Assertion& a) {
        EXPECT_EQ(a.GetMessage(), "Bad data passed in bus message to function");
        EXPECT_EQ(a.GetFile(), "VHLOG4");
        EXPECT_EQ(a.GetLine(), 321);
        Assertion copy = a;
        EXPECT_EQ(copy.GetMessage(), a.GetMessage());
    }
}

TEST_F(AssertionBox, NoReturnsAndTheCallerCarriesOn) {
    platform::QueueMessageBoxAnswer(IDNO);
    int after = 0;
    Assert(0, "checked", "UTILS", 5);
    after = 1;
    EXPECT_EQ(after, 1);
}

TEST_F(AssertionBox, ABoxThatCannotBeShownStops) {
    platform::SetMessageBoxPresenter([](const char*, const char*, UINT) { return 0; });
    EXPECT_THROW(AssertFail("lost", "UTILS", 9), Assertion);
    platform::SetMessageBoxPresenter({});
}

} // namespace
