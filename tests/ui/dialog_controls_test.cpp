// The art-drawn dialog controls: pictures chosen by item state and placed by kind, captions
// centred or at their position with the mnemonic, focus frame and disabled look, check boxes
// and radio groups answering clicks, commands posted on the bus, and the one shared font.
#include "tests/ui/dialog_art.h"
#include "ui/dialog_controls.h"
#include "ui/font.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;
using datagen::DialogArtColour;
using datagen::GlyphWidth;

constexpr std::uint8_t kPaper = 128;

class Controls : public WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        InstallDialogArt(data);
        MakeApp();
        view = std::make_unique<Bitmap>(Dim(50, 20), 1);
        view->Fill(kPaper);
    }
    void TearDown() override {
        view.reset();
        WinAppTest::TearDown();
    }
    std::uint8_t Grey(std::uint8_t c) const { return Bitmap::DrawingPalette()->GetTable(2)[c]; }

    std::unique_ptr<Bitmap> view;
};

TEST_F(Controls, PushButtonPictureFollowsTheLowFourBitsOfTheItemState) {
    DialogButton button(nullptr, "&OK", Point(-1, -1), "DialogButtons", DialogButton::kPush, BusMessage(0));
    const int w = GlyphWidth('O') + GlyphWidth('K');
    const int x = (50 - w) / 2, baseline = datagen::kGlyphAscent / 2 + 20 / 2;
    struct Case {
        std::uint32_t state;
        std::uint8_t image;
        int shift;  // the caption moves with a pressed button
        std::uint8_t underline;
    } cases[] = {
        {0, DialogArtColour("Pushbutton", "Up"), 0, Nearest(10, 10, 10)},
        {kItemSelected, DialogArtColour("Pushbutton", "Down"), 2, Nearest(10, 10, 10)},
        {kItemSelected | kItemFocus, DialogArtColour("Pushbutton", "Down"), 2, Nearest(10, 10, 10)},
        {kItemSelected | kItemDisabled, DialogArtColour("Pushbutton", "Up"), 0, Nearest(150, 150, 150)},
        {kItemDisabled, Grey(DialogArtColour("Pushbutton", "Up")), 0, Nearest(150, 150, 150)},
    };
    for (const Case& c : cases) {
        view->Fill(kPaper);
        button.Draw(*view, c.state);
        // The 40 x 14 picture is centred in the 50 x 20 view.
        EXPECT_EQ(PixelAt(*view, 5, 3), c.image) << c.state;
        EXPECT_EQ(PixelAt(*view, 4, 3), kPaper) << c.state;
        EXPECT_EQ(PixelAt(*view, 44, 16), c.image) << c.state;
        EXPECT_EQ(PixelAt(*view, 45, 17), kPaper) << c.state;
        // The caption stands centred on its baseline (moved 2 right and down when pressed), its
        // mnemonic underlined 2 below.
        EXPECT_EQ(RowOf(*view, baseline - 1 + c.shift, kInk, x + c.shift, x + c.shift + w), std::string(w, '#'))
            << c.state;
        EXPECT_EQ(PixelAt(*view, x + c.shift + 1, baseline + 2 + c.shift), c.underline) << c.state;
    }
}

TEST_F(Controls, FocusedCaptionIsFramedTwoPixelsOutsideTheText) {
    DialogControl label(nullptr, "AB", Point(6, -1), "DialogButtons");
    label.Draw(*view, kItemFocus);
    const std::uint8_t grey = Nearest(100, 100, 100);
    const int w = GlyphWidth('A') + GlyphWidth('B');
    const int h = datagen::kGlyphAscent + datagen::kGlyphDescent;
    const int baseline = datagen::kGlyphAscent / 2 + 20 / 2;
    const int top = baseline - datagen::kGlyphAscent - 2;
    EXPECT_EQ(RowOf(*view, top, grey, 4, 4 + w + 4), std::string(w + 4, '#'));
    EXPECT_EQ(RowOf(*view, top + h + 3, grey, 4, 4 + w + 4), std::string(w + 4, '#'));
    EXPECT_EQ(PixelAt(*view, 4, top + 1), grey);
    EXPECT_EQ(PixelAt(*view, 4 + w + 3, top + 1), grey);
    EXPECT_EQ(PixelAt(*view, 5, top + 1), kPaper);
    EXPECT_EQ(RowOf(*view, baseline - 1, kInk, 6, 6 + w), std::string(w, '#'));

    view->Fill(kPaper);
    label.Draw(*view, 0);
    EXPECT_EQ(RowOf(*view, top, grey), std::string(50, '.'));
}

TEST_F(Controls, BoxesStandAtTheLeftEdgeAndTheirMarkUsesTheDownPicturesHeight) {
    struct Case {
        const char* section;
        int captionX;
    } cases[] = {{"CheckBox", 18}, {"Radio", 16}};
    for (const Case& c : cases) {
        std::unique_ptr<DialogButton> control;
        if (std::string(c.section) == "CheckBox")
            control = std::make_unique<DialogCheck>(nullptr, "A", "DialogButtons", 1);
        else {
            control = std::make_unique<DialogRadio>(nullptr, "A", "DialogButtons");
            control->SetState(1);
        }
        view->Fill(kPaper);
        control->Draw(*view, 0);
        // 10 x 10 box at x 0, y 20 / 2 - 10 / 2; the 6 x 4 mark at the same corner.
        EXPECT_EQ(PixelAt(*view, 0, 5), DialogArtColour(c.section, "Check")) << c.section;
        EXPECT_EQ(PixelAt(*view, 5, 8), DialogArtColour(c.section, "Check")) << c.section;
        EXPECT_EQ(PixelAt(*view, 0, 9), DialogArtColour(c.section, "Up")) << c.section;
        EXPECT_EQ(PixelAt(*view, 9, 14), DialogArtColour(c.section, "Up")) << c.section;
        EXPECT_EQ(PixelAt(*view, 0, 4), kPaper) << c.section;
        EXPECT_EQ(PixelAt(*view, c.captionX, 13), kInk) << c.section;
        EXPECT_EQ(PixelAt(*view, c.captionX - 1, 13), kPaper) << c.section;

        view->Fill(kPaper);
        control->Draw(*view, kItemSelected);
        EXPECT_EQ(PixelAt(*view, 9, 14), DialogArtColour(c.section, "Down")) << c.section;
        view->Fill(kPaper);
        control->SetState(0);
        control->Draw(*view, kItemDisabled);
        EXPECT_EQ(PixelAt(*view, 0, 5), Grey(DialogArtColour(c.section, "Up"))) << c.section;
    }
}

TEST_F(Controls, CheckBoxFlipsOnClickedOnly) {
    DialogCheck check(nullptr, "Trees", "DialogButtons", 0);
    EXPECT_EQ(check.GetStyle(), 0);
    EXPECT_EQ(check.GetCaptionPosition(), Point(18, -1));
    struct Step {
        std::int16_t notification;
        std::int16_t state;
    } steps[] = {{0, 1}, {1, 1}, {5, 1}, {0, 0}, {0, 1}};
    for (const Step& s : steps) {
        check.Command(s.notification);
        EXPECT_EQ(check.GetState(), s.state) << s.notification;
    }
}

TEST_F(Controls, RadioGroupKeepsExactlyTheClickedOneSet) {
    DialogRadio a(nullptr, "A", "DialogButtons"), b(nullptr, "B", "DialogButtons"), c(nullptr, "C", "DialogButtons");
    List<DialogRadio*> group;
    group.AddTail(&a);
    group.AddTail(&b);
    group.AddTail(&c);
    for (DialogRadio* r : {&a, &b, &c}) r->SetGroup(group);
    EXPECT_EQ(a.GetValue(), 0);  // none set
    b.Command(0);
    EXPECT_EQ(a.GetState() + b.GetState() * 2 + c.GetState() * 4, 2);
    for (DialogRadio* r : {&a, &b, &c}) EXPECT_EQ(r->GetValue(), 1);
    c.Command(3);  // not a click
    EXPECT_EQ(c.GetState(), 0);
    a.SetValue(2);
    EXPECT_EQ(a.GetState() + b.GetState() * 2 + c.GetState() * 4, 4);
    c.SetValue(5);
    EXPECT_EQ(a.GetState() + b.GetState() + c.GetState(), 0);
    EXPECT_EQ(b.GetValue(), 0);
}

TEST_F(Controls, ARadioThatGoesLeavesTheGroupOfTheOthers) {
    DialogRadio a(nullptr, "A", "DialogButtons");
    auto* b = new DialogRadio(nullptr, "B", "DialogButtons");
    List<DialogRadio*> group;
    group.AddTail(&a);
    group.AddTail(b);
    a.SetGroup(group);
    b->SetGroup(group);
    delete b;
    EXPECT_EQ(a.GetGroup().Count(), 1);
    a.Command(0);  // would reach the deleted radio otherwise
    EXPECT_EQ(a.GetState(), 1);
}

ContainerBase* CountCommand(Component*, BusMessage, ContainerBase*);
int g_commands = 0;
ContainerBase* CountCommand(Component*, BusMessage, ContainerBase*) {
    ++g_commands;
    return nullptr;
}

TEST_F(Controls, ClickPostsTheButtonsCommandUnlessItIsZero) {
    g_commands = 0;
    Component listener("Listener");
    listener.AttachToBus(app.get());
    listener.RegisterHandler(BusMessage(4100), &CountCommand);
    DialogButton button(nullptr, "Go", Point(-1, -1), "DialogButtons", DialogButton::kDefaultPush, BusMessage(4100));
    DialogButton silent(nullptr, "No", Point(-1, -1), "DialogButtons", DialogButton::kPush,
                        BusMessage::FromWord(0x10000000u));  // a delivery kind but no event number
    DialogCheck check(nullptr, "C", "DialogButtons", 0);
    button.AttachToBus(app.get());
    silent.AttachToBus(app.get());
    check.AttachToBus(app.get());
    button.Command(0);
    button.Command(2);
    silent.Command(0);
    check.Command(0);
    listener.ProcessPending();
    EXPECT_EQ(g_commands, 1);
    EXPECT_EQ(button.GetStyle(), DialogButton::kDefaultPush);
    button.DetachFromBus();
    silent.DetachFromBus();
    check.DetachFromBus();
    listener.DetachFromBus();
}

TEST_F(Controls, OneFontServesEveryControlAndGoesWithTheLast) {
    ASSERT_EQ(DialogFontUseCount(), 0);
    EXPECT_EQ(SharedDialogFont(), nullptr);
    auto* a = new DialogControl(nullptr, "a", Point(0, -1), "DialogButtons");
    DialogFont* font = SharedDialogFont();
    ASSERT_NE(font, nullptr);
    auto* b = new DialogCheck(nullptr, "b", "DialogButtons", 0);
    auto* c = new DialogRadio(nullptr, "c", "DialogButtons");
    EXPECT_EQ(SharedDialogFont(), font);
    EXPECT_EQ(DialogFontUseCount(), 3);
    delete b;
    delete a;
    EXPECT_EQ(SharedDialogFont(), font);
    delete c;
    EXPECT_EQ(SharedDialogFont(), nullptr);
    EXPECT_EQ(DialogFontUseCount(), 0);
}

TEST_F(Controls, SetCaptionReplacesTheTextWithoutDrawing) {
    DialogControl label(nullptr, "Old", Point(0, -1), "DialogButtons");
    label.SetCaption(std::string("New text"));
    EXPECT_EQ(label.GetCaption(), "New text");
    label.SetCaption(static_cast<const char*>(nullptr));
    EXPECT_EQ(label.GetCaption(), "");
    EXPECT_EQ(RowOf(*view, 13, kInk), std::string(50, '.'));
}

} // namespace
