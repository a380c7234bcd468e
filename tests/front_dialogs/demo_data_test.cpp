// The scenario choice over the demo battles the build makes: every battle offers its historical
// scenario and its two variants, each naming a scenario file that is there, and the custom list
// holds every scenario file with its title.
#include "game/app/dialogs/custom_scenario_dlg.h"
#include "game/app/dialogs/variant_dlg.h"
#include "tests/front_dialogs/front_fixture.h"

#include <filesystem>
#include <set>

namespace {

using namespace fronttest;

class DemoData : public FrontDialogTest {
protected:
    void SetUp() override {
        FrontDialogTest::SetUp();
        for (const auto& entry : std::filesystem::directory_iterator(VH_DATA_DIR)) {
            const std::string ext = entry.path().extension().string();
            if (ext == ".VAR" || ext == ".SCN") {
                std::filesystem::copy_file(entry.path(), data.File(entry.path().filename().string()),
                                           std::filesystem::copy_options::overwrite_existing);
                if (ext == ".SCN") scenarios.insert(entry.path().filename().string());
            }
        }
        ASSERT_EQ(scenarios.size(), 30u);
    }
    std::set<std::string> scenarios;
};

TEST_F(DemoData, EveryBattleOffersItsHistoricalScenarioAndTwoVariants) {
    for (int index = 0; index < frontend::kScenarioCount; ++index) {
        VariantDlg dlg(index);
        ASSERT_EQ(dlg.Execute("VariantDlg", Dialog::kModeless), 0) << index;
        ASSERT_EQ(dlg.IsRunning(), 1) << index;
        const std::vector<std::string> texts = ListTexts(dlg.GetHandle(), VariantDlg::kList);
        ASSERT_EQ(texts.size(), 3u) << index;
        EXPECT_EQ(texts[0].rfind("Historical", 0), 0u) << index;
        ASSERT_EQ(dlg.GetNames().size(), 3u) << index;
        EXPECT_EQ(dlg.GetNames()[0], frontend::ScenarioFileName(index));
        for (const std::string& name : dlg.GetNames()) EXPECT_TRUE(scenarios.count(name)) << index << " " << name;
        for (std::size_t i = 1; i < 3; ++i) EXPECT_NE(texts[i], "Error") << index;
        dlg.Close(0);
    }
}

TEST_F(DemoData, CustomListHoldsEveryScenarioFile) {
    CustomScenarioDlg dlg;
    dlg.Execute("CustomSceneDlg", Dialog::kModeless);
    EXPECT_EQ(std::set<std::string>(dlg.GetFileNames().begin(), dlg.GetFileNames().end()), scenarios);
    const std::vector<std::string> titles = ListTexts(dlg.GetHandle(), CustomScenarioDlg::kList);
    EXPECT_EQ(titles.size(), scenarios.size());
    for (const std::string& t : titles) EXPECT_FALSE(t.empty());
    dlg.Close(0);
}

} // namespace
