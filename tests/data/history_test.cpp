// The history article the build writes: a page of our own about the demo's battles, every one of
// them, and no leader's name in it (every leader of the demo is invented and stays in the game).
#include "tools/battlegen/generate.h"
#include "tools/datagen/history_writer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

namespace {

TEST(HistoryArticle, TextIsWrittenWithHtmlEntities) {
    const struct {
        std::string text, html;
    } cases[] = {
        {"Brandy Station", "Brandy Station"},
        {"V&U <first> \"day\"", "V&amp;U &lt;first&gt; &quot;day&quot;"},
        {"&amp;", "&amp;amp;"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(datagen::HtmlEscaped(c.text), c.html) << c.text;
    const std::string page = datagen::HistoryHtml({{"A & B", "Near <here>", "The \"line\" held."}});
    EXPECT_NE(page.find("<h2 id=\"battle0\">A &amp; B</h2>"), std::string::npos) << page;
    EXPECT_NE(page.find("Near &lt;here&gt;"), std::string::npos) << page;
    EXPECT_NE(page.find("The &quot;line&quot; held."), std::string::npos) << page;
    EXPECT_EQ(page.find("A & B"), std::string::npos) << page;
    EXPECT_EQ(page.rfind("</html>\n"), page.size() - 8);
}

TEST(HistoryArticle, BuiltPageTellsOfEveryBattleAndNamesNoLeader) {
    std::ifstream in(std::string(VH_DATA_DIR) + "/history/HISTORY.htm");
    ASSERT_TRUE(in) << "the build wrote no history article";
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string page = ss.str();
    const battlegen::DataSources sources = battlegen::ReadSources(VH_DATA_SOURCE_DIR);
    ASSERT_FALSE(sources.battles.empty());
    std::size_t leaders = 0;
    std::function<void(const battlegen::GroupSpec&)> noLeader = [&](const battlegen::GroupSpec& group) {
        // The name without its rank: "Gen. Ansel Corwin" is as much named by "Ansel Corwin".
        std::string name = group.leader.name;
        if (const std::size_t dot = name.find(". "); dot != std::string::npos) name = name.substr(dot + 2);
        if (!name.empty()) {
            ++leaders;
            EXPECT_EQ(page.find(name), std::string::npos) << name;
        }
        for (const battlegen::GroupSpec& g : group.groups) noLeader(g);
    };
    for (const battlegen::BattleSpec& battle : sources.battles) {
        EXPECT_NE(page.find(datagen::HtmlEscaped(battle.title)), std::string::npos) << battle.title;
        EXPECT_NE(page.find(datagen::HtmlEscaped(battle.subtitle)), std::string::npos) << battle.subtitle;
        for (const battlegen::SideSpec& side : battle.sides)
            for (const battlegen::GroupSpec& g : side.groups) noLeader(g);
    }
    EXPECT_GT(leaders, 20u);
}

} // namespace
