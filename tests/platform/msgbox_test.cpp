#include "platform/msgbox.h"

#include <gtest/gtest.h>

namespace {

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ClearMessageBoxAnswers();
        platform::ClearShownMessageBoxes();
    }
    void TearDown() override { platform::ClearMessageBoxAnswers(); }
};

TEST_F(MessageBoxTest, UnscriptedBoxesGiveUpWithoutEndingTheProgram) {
    struct Case {
        UINT type;
        int answer;
    } cases[] = {
        {MB_OK, IDOK},         {MB_OKCANCEL, IDOK},         {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDIGNORE},
        {MB_YESNO, IDYES},     {MB_YESNOCANCEL, IDCANCEL},  {MB_RETRYCANCEL, IDCANCEL},
    };
    for (const auto& c : cases) EXPECT_EQ(MessageBox(nullptr, "t", "c", c.type), c.answer) << c.type;
}

TEST_F(MessageBoxTest, ScriptedAnswersAreTakenInOrderAndBoxesRecorded) {
    platform::QueueMessageBoxAnswer(IDRETRY);
    platform::QueueMessageBoxAnswer(IDABORT);
    EXPECT_EQ(MessageBox(nullptr, "first", "Cap", MB_ABORTRETRYIGNORE), IDRETRY);
    EXPECT_EQ(MessageBox(nullptr, "second", "Cap", MB_ABORTRETRYIGNORE), IDABORT);
    EXPECT_EQ(MessageBox(nullptr, "third", "Cap", MB_ABORTRETRYIGNORE), IDIGNORE);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 3u);
    EXPECT_EQ(platform::ShownMessageBox(1).text, "second");
    EXPECT_EQ(platform::ShownMessageBox(1).caption, "Cap");
}

TEST_F(MessageBoxTest, PresenterReplacesTheScript) {
    platform::SetMessageBoxPresenter([](const char*, const char*, UINT) { return IDNO; });
    EXPECT_EQ(MessageBox(nullptr, "q", "c", MB_YESNO), IDNO);
    platform::SetMessageBoxPresenter({});
    EXPECT_EQ(MessageBox(nullptr, "q", "c", MB_YESNO), IDYES);
}

} // namespace
