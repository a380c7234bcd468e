// The picture classes of the unit types, made the way the application makes them (the prototype
// of the type, then an instance per unit), each playing the commands of its kind on a physical
// layer: the frames its figures show, the sounds cued, and one answer per command.
#include "game/logic/combat_records.h"
#include "game/logic/game_random.h"
#include "game/logic/referee/referee_records.h"
#include "game/pictures/unit_pictures.h"
#include "game/units/unit_types.h"
#include "game/units/vh_unit.h"
#include "platform/screen.h"
#include "tests/pictures/pictures_fixture.h"
#include "tests/shell/game_shell.h"
#include "tools/runner/battle_runner.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <typeinfo>

namespace pictest {
namespace {

using Sequences = std::vector<std::pair<std::string, int>>;

const char* const kFacings[8] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};

void AddRow(Sequences& s, const std::string& prefix, const std::string& suffix, int frames) {
    for (const char* f : kFacings) s.push_back({prefix + f + suffix, frames});
}

// Every sequence the figure pictures ask for, in the order whose rows the pictures index by facing.
Sequences FigureSequences() {
    Sequences s = {{"Standing", 8}};
    AddRow(s, "C", "", 20);
    AddRow(s, "", "", 4);
    AddRow(s, "M", "", 20);
    AddRow(s, "CD", "", 11);
    AddRow(s, "R", "", 5);
    AddRow(s, "AS", "", 4);
    AddRow(s, "Drop", "", 4);
    AddRow(s, "Rout", "", 4);
    AddRow(s, "AS", "WA", 4);
    AddRow(s, "", "WA", 4);
    s.push_back({"StandingWA", 8});
    s.push_back({"StandingR", 8});
    s.push_back({"General", 2});
    return s;
}

const char* const kFigureLibraries[] = {"Union Medium Infantry",         "Confederate Medium Infantry",
                                        "Union Cavalry",                 "Confederate Cavalry",
                                        "Union Corp Commander",          "Union Div Commander",
                                        "Confederate Corp Commander",    "Confederate Div Commander",
                                        "Union Supply Wagon",            "Confederate Supply Wagon",
                                        "Horse",                         "Union Iron Limbered Battery",
                                        "Union Iron Unlimbered Battery", "Confederate Iron Limbered Battery",
                                        "Confederate Iron Unlimbered Battery", "Union Brass Limbered Battery",
                                        "Union Brass Unlimbered Battery"};

std::string SequenceOf(const std::string& image) {
    const auto space = image.rfind(' ');
    return space == std::string::npos ? image : image.substr(0, space);
}

struct Reply : Component {
    std::map<short, int> answers;
    Reply() : Component("Picture Answers") {}
    static ContainerBase* OnReply(Component* c, BusMessage, ContainerBase* p) {
        if (const short* n = PayloadValue<short>(p)) ++static_cast<Reply*>(c)->answers[*n];
        return nullptr;
    }
    void Connect() override { RegisterNamedHandler("Unit Picture Answer", OnReply); }
};

class UnitPicturesTest : public PictureLayerTest {
protected:
    std::vector<datagen::ArtIndexEntry> ExtraArt() override {
        std::vector<datagen::ArtIndexEntry> entries;
        int k = 0;
        auto write = [&](const std::string& title, const Sequences& seqs) {
            for (int z = 0; z < 3; ++z) {
                const std::string file = "UP" + std::to_string(k) + "_" + std::to_string(z) + ".QIF";
                EXPECT_TRUE(datagen::WriteLibrary(data.Data() + "/" + file, figures::SequencesArt(title, z, seqs)));
                entries.push_back({file, title + figures::Suffix(z)});
            }
            ++k;
        };
        for (const char* name : kFigureLibraries) write(name, FigureSequences());
        return entries;
    }
    void SetUp() override {
        PictureLayerTest::SetUp();
        answers.AttachToBus(layer.get());
    }
    void TearDown() override {
        owned.clear();
        answers.DetachFromBus();
        PictureLayerTest::TearDown();
    }

    // The picture of a unit of the type at hex 1005 facing 1, made from the type's prototype.
    VhPhysicalObject* Unit(const char* typeName, std::uint32_t facing = 1, std::int16_t hex = 1005) {
        const UnitTypeEntry* table = UnitTypeTable();
        for (int i = 0; i < UnitTypeCount(); ++i) {
            if (std::string(table[i].name) != typeName) continue;
            std::unique_ptr<VhPhysicalObject> prototype(
                MakeUnitPicturePrototype(table[i].name, table[i].pictureArt ? table[i].pictureArt : table[i].name));
            if (!prototype) return nullptr;
            VhPhysicalObject* p = prototype->CreateInstance(hex, facing);
            owned.emplace_back(p);
            p->AttachToBus(layer.get());
            DrainTasks();
            return p;
        }
        return nullptr;
    }
public:
    static LogicalCommandInfo Command(BusMessage event, ContainerBase* payload, short answer, std::int16_t value = 0) {
        return LogicalCommandInfo(1, payload, value, event, RegisterMessage("Unit Picture Answer"), new Container<short>(answer));
    }
    static LogicalCommandInfo Named(const char* name, ContainerBase* payload, short answer, std::int16_t value = 0) {
        return Command(RegisterMessage(name), payload, answer, value);
    }
    static ContainerBase* Route(std::initializer_list<short> hexes) {
        List<short> l;
        for (short h : hexes) l.AddTail(h);
        return new Container<List<short>>(l);
    }

protected:

    // Ticks until the picture is idle, noting every sequence figure 0 and ball 0 show.
    int Run(VhPhysicalObject& p, std::vector<std::string>* figureSeen = nullptr, std::vector<std::string>* ballSeen = nullptr,
            const std::function<void(int)>& each = nullptr) {
        for (int k = 0; k < 4000; ++k) {
            // The test walking data takes its steps slowly: after the first 20 seconds, seconds at a time.
            clock += k < 400 ? 50 : 2000;
            const int more = p.Tick(clock, nullptr);
            DrainTasks();
            if (each) each(k);
            auto note = [](std::vector<std::string>* seen, VhSprite* s) {
                if (!seen || !s || s->IsHidden()) return;
                const std::string name = SequenceOf(ImageName(*s));
                if (!name.empty() && (seen->empty() || seen->back() != name)) seen->push_back(name);
            };
            note(figureSeen, p.GetFigureSprite(0));
            note(ballSeen, Ball(p, 0));
            if (!more) return k + 1;
        }
        return -1;
    }
    // The ball count of a firing picture, -1 for a picture that fires none.
    static int Balls(VhPhysicalObject& p) {
        if (auto* m = dynamic_cast<PMissileUnit*>(&p)) return m->GetBallCount();
        if (auto* h = dynamic_cast<PHeavyInfantry*>(&p)) return h->GetBallCount();
        return -1;
    }
    static VhSprite* Ball(VhPhysicalObject& p, std::int16_t i) {
        if (auto* m = dynamic_cast<PMissileUnit*>(&p)) return m->GetBall(i);
        if (auto* h = dynamic_cast<PHeavyInfantry*>(&p)) return h->GetBall(i);
        return nullptr;
    }
    static bool Saw(const std::vector<std::string>& seen, const std::string& sequence) {
        return std::find(seen.begin(), seen.end(), sequence) != seen.end();
    }
    int Heard(const std::string& call) const { return static_cast<int>(std::count(sounds.calls.begin(), sounds.calls.end(), call)); }

    Reply answers;
    std::vector<std::unique_ptr<VhPhysicalObject>> owned;
    std::int32_t clock = 1000;
};

// --- the prototypes of the application's table ---

TEST_F(UnitPicturesTest, EveryUnitTypeHasAPictureOfItsClassWithItsFigures) {
    struct Row {
        const char* type;
        std::uint32_t kind;
        int figures;
        int balls;
    };
    const Row rows[] = {{"Union Corp Commander", 4, 1, -1},      {"Confederate Div Commander", 4, 1, -1},
                        {"Union Medium Infantry", 0, 8, 8},      {"Union Heavy Infantry", 15, 20, 20},
                        {"Confederate Heavy Infantry", 15, 20, 20},
                        {"Confederate Supply Wagon", 14, 1, -1}, {"Union Cavalry", 8, 6, 6},
                        {"Union Iron Battery", 16, 1, 1},        {"Confederate Iron Battery", 16, 1, 1}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.type);
        VhPhysicalObject* p = Unit(r.type);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->GetKind(), r.kind);
        EXPECT_EQ(p->GetFigureCount(), r.figures);
        EXPECT_EQ(Balls(*p), r.balls);
        for (int i = 0; i < r.figures; ++i) ASSERT_NE(p->GetFigureSprite(static_cast<std::int16_t>(i)), nullptr);
        // Every figure shows its standing picture of the facing from the type's own art.
        EXPECT_EQ(ImageName(*p->GetFigureSprite(0)), "Standing 0");
    }
    for (int i = 0; i < UnitTypeCount(); ++i) {
        const UnitTypeEntry& e = UnitTypeTable()[i];
        std::unique_ptr<VhPhysicalObject> prototype(MakeUnitPicturePrototype(e.name, e.pictureArt ? e.pictureArt : e.name));
        EXPECT_NE(prototype, nullptr) << e.name;
    }
}

// --- per class: the commands, the sequences shown, the answers ---

struct CommandCase {
    const char* type;
    const char* what;
    std::function<std::vector<LogicalCommandInfo>()> commands;
    std::vector<std::string> figureShows;
    std::vector<std::string> ballShows;
    const char* endsOn;
};

class UnitCommandTest : public UnitPicturesTest, public ::testing::WithParamInterface<int> {};

std::vector<CommandCase> Cases() {
    using T = UnitPicturesTest;
    auto turn = [](int d) { return T::Command(CHANGE_UNIT_FACING, new Container<DIRECTION>(static_cast<DIRECTION>(d)), 1); };
    auto march = [] { return T::Command(LOGICAL_OBJECT_MOVED, T::Route({1005, 1006, 1007}), 1, 1007); };
    auto fire = [] { return T::Named("MissileFire", new Container<DIRECTION>(North), 1, 1003); };
    auto hit = [](int percent, int method, short n) {
        return T::Named("CohesionHit", new Container<MethodOfDeathStruct>(MethodOfDeathStruct(static_cast<std::uint16_t>(percent),
                                                                                               static_cast<std::uint32_t>(method), 0)),
                        n);
    };
    auto combat = [](short n) { return T::Named("CombatAnimate", T::Route({1004}), n, 1005); };
    auto rout = [] { return T::Named("TerminalRout", T::Route({1005, 1006, 1007}), 1); };
    auto restore = [](short n) { return T::Named("RestoreCohesion", new Container<short>(0), n); };
    auto named = [](const char* n, short a) { return T::Named(n, nullptr, a); };
    std::vector<CommandCase> c;
    for (const char* type : {"Union Medium Infantry", "Union Cavalry"}) {
        c.push_back({type, "march", [=] { return std::vector<LogicalCommandInfo>{march()}; }, {"W"}, {}, "Standing"});
        c.push_back({type, "turn", [=] { return std::vector<LogicalCommandInfo>{turn(3)}; }, {"Standing"}, {}, "Standing"});
        c.push_back({type, "column and line", [=] { return std::vector<LogicalCommandInfo>{named("ColumnFormation", 1), named("LineFormation", 2)}; },
                     {"N"}, {}, "Standing"});
        c.push_back({type, "volley", [=] { return std::vector<LogicalCommandInfo>{fire()}; }, {"MN"}, {"Ball"}, "Standing"});
        c.push_back({type, "combat with losses", [=] { return std::vector<LogicalCommandInfo>{hit(60, 1, 1), combat(2)}; },
                     {}, {}, nullptr});
        c.push_back({type, "rout and rally", [=] { return std::vector<LogicalCommandInfo>{rout(), hit(40, 1, 2), restore(3)}; },
                     {"DropN"}, {}, "Standing"});
        c.push_back({type, "elimination", [=] { return std::vector<LogicalCommandInfo>{hit(100, 4, 1), named("UnitEliminated", 2)}; },
                     {}, {}, nullptr});
    }
    c.push_back({"Union Cavalry", "mount and dismount", [=] { return std::vector<LogicalCommandInfo>{named("CavalryMount", 1), named("CavalryDismount", 2)}; },
                 {"CDN"}, {}, "Standing"});
    {
        // The two-hex heavy infantry at 1005 (and its flank hex 1004) facing north.
        const char* type = "Union Heavy Infantry";
        auto wheel = [](int d, short a) { return T::Command(CHANGE_UNIT_FACING, new Container<DIRECTION>(static_cast<DIRECTION>(d)), a, 1005); };
        c.push_back({type, "march", [=] { return std::vector<LogicalCommandInfo>{march()}; }, {"W"}, {}, "Standing"});
        c.push_back({type, "wheel on its own hex", [=] { return std::vector<LogicalCommandInfo>{wheel(2, 1), wheel(1, 2)}; }, {"NE"}, {}, "Standing"});
        c.push_back({type, "turn in place", [=] { return std::vector<LogicalCommandInfo>{turn(5), T::Named("ChangeFacingNA", new Container<DIRECTION>(North), 2)}; },
                     {"Standing"}, {}, "Standing"});
        c.push_back({type, "about face", [=] { return std::vector<LogicalCommandInfo>{named("AboutFace", 1), named("AboutFaceNA", 2)}; },
                     {"N", "NE", "E", "SE", "S"}, {}, "Standing"});
        c.push_back({type, "volley", [=] { return std::vector<LogicalCommandInfo>{fire()}; }, {"MN"}, {"Ball"}, "Standing"});
        c.push_back({type, "drill", [=] {
                         return std::vector<LogicalCommandInfo>{named("RightFaceSprites", 1), named("LeftFaceSpritesNA", 2), named("AboutFaceSprites", 3),
                                                                named("CenterFaceSprites", 4)};
                     },
                     {"Standing"}, {}, "Standing"});
        c.push_back({type, "combat with losses", [=] { return std::vector<LogicalCommandInfo>{hit(60, 1, 1), combat(2)}; }, {}, {}, nullptr});
        c.push_back({type, "rout and rally", [=] { return std::vector<LogicalCommandInfo>{rout(), hit(40, 1, 2), restore(3)}; },
                     {"DropN"}, {}, "Standing"});
        c.push_back({type, "teleport and insert", [=] {
                         return std::vector<LogicalCommandInfo>{T::Named("UnitTeleport", T::Route({1105}), 1),
                                                                T::Named("UnitInserted", new Container<DIRECTION>(South), 2, 1205)};
                     },
                     {}, {}, "Standing"});
        c.push_back({type, "elimination", [=] { return std::vector<LogicalCommandInfo>{hit(100, 4, 1), named("UnitEliminated", 2)}; },
                     {}, {}, nullptr});
    }
    for (const char* type : {"Union Iron Battery", "Confederate Iron Battery"}) {
        c.push_back({type, "limber and unlimber", [=] { return std::vector<LogicalCommandInfo>{named("LimberArtillery", 1), named("UnlimberArtillery", 2)}; },
                     {"Standing"}, {}, "Standing"});
        c.push_back({type, "bombard", [=] { return std::vector<LogicalCommandInfo>{fire()}; }, {"MN"}, {"ExplodeGround"}, "Standing"});
        c.push_back({type, "march and turn", [=] { return std::vector<LogicalCommandInfo>{march(), turn(5)}; }, {"Standing"}, {}, "Standing"});
        c.push_back({type, "combat shot", [=] { return std::vector<LogicalCommandInfo>{combat(1)}; }, {}, {}, "Standing"});
        c.push_back({type, "quick limber", [=] { return std::vector<LogicalCommandInfo>{named("LimberArtilleryNA", 1), named("UnlimberArtilleryNA", 2)}; },
                     {}, {}, "Standing"});
    }
    for (const char* type : {"Union Corp Commander", "Confederate Div Commander"}) {
        c.push_back({type, "flags", [=] { return std::vector<LogicalCommandInfo>{named("RaiseFlags", 1), named("LowerFlags", 2)}; },
                     {}, {}, "Standing"});
        c.push_back({type, "march", [=] { return std::vector<LogicalCommandInfo>{march()}; }, {"W"}, {}, nullptr});
        c.push_back({type, "wounded", [=] { return std::vector<LogicalCommandInfo>{named("WoundedLeader", 1)}; }, {"StandingWA"}, {}, "StandingWA"});
        c.push_back({type, "losses pass a leader by", [=] { return std::vector<LogicalCommandInfo>{hit(50, 4, 1), combat(2), rout()}; }, {}, {}, "Standing"});
        c.push_back({type, "eliminated", [=] { return std::vector<LogicalCommandInfo>{named("UnitEliminated", 1)}; }, {}, {}, "Standing"});
    }
    for (const char* type : {"Union Supply Wagon", "Confederate Supply Wagon"}) {
        c.push_back({type, "march and turn", [=] { return std::vector<LogicalCommandInfo>{march(), turn(4)}; }, {"Standing"}, {}, "Standing"});
        c.push_back({type, "rout", [=] { return std::vector<LogicalCommandInfo>{rout()}; }, {}, {}, nullptr});
    }
    return c;
}

TEST_P(UnitCommandTest, PlaysTheCommandsAndAnswersEachOnce) {
    const CommandCase c = Cases()[static_cast<std::size_t>(GetParam())];
    SCOPED_TRACE(std::string(c.type) + ": " + c.what);
    VhPhysicalObject* p = Unit(c.type);
    ASSERT_NE(p, nullptr);
    std::vector<LogicalCommandInfo> commands = c.commands();
    // Each command answers with its own number.
    for (std::size_t k = 0; k < commands.size(); ++k) {
        delete commands[k].replyData;
        commands[k].replyData = new Container<short>(static_cast<short>(k + 1));
    }
    for (const LogicalCommandInfo& command : commands) p->QueueMessage(command);
    DrainTasks();
    std::vector<std::string> figure, ball;
    ASSERT_GT(Run(*p, &figure, &ball), 0);
    for (const LogicalCommandInfo& command : commands) {
        const short* n = PayloadValue<short>(command.replyData);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(answers.answers[*n], 1) << "answer " << *n;
    }
    EXPECT_EQ(answers.answers.size(), commands.size());
    std::string shown;
    for (const std::string& s : figure) shown += s + ",";
    for (const std::string& s : c.figureShows) EXPECT_TRUE(Saw(figure, s)) << s << " among " << shown;
    for (const std::string& s : c.ballShows) EXPECT_TRUE(Saw(ball, s)) << s;
    if (c.endsOn) {
        VhSprite* s = p->GetFigureSprite(0);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(SequenceOf(ImageName(*s)), c.endsOn);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, UnitCommandTest, ::testing::Range(0, static_cast<int>(Cases().size())));

// --- details of the classes ---

TEST_F(UnitPicturesTest, AVolleyLetsTheLastBallAloneSoundTheFire) {
    VhPhysicalObject* p = Unit("Union Medium Infantry");
    auto* m = dynamic_cast<PMissileUnit*>(p);
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(m->GetBall(7)->AllSoundsEnabled());
    EXPECT_FALSE(m->GetBall(0)->AllSoundsEnabled());
    p->QueueMessage(Named("MissileFire", new Container<DIRECTION>(North), 1, 1003));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(Heard("musfire1"), 1);
    // The balls flew to the target hex: the stored target is its point shifted for the direction.
    EXPECT_EQ(m->GetTarget(), Point3D(10030, 4012, 0));
}

TEST_F(UnitPicturesTest, ABombardmentFiresOnceAndItsShellHitsOnce) {
    VhPhysicalObject* p = Unit("Union Iron Battery");
    p->QueueMessage(Named("MissileFire", new Container<DIRECTION>(East), 1, 1105));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(Heard("batfire1"), 1);
    EXPECT_EQ(Heard("bathits1"), 1);
    EXPECT_EQ(answers.answers[1], 1);
    // The shells fly to the target hex's point; at a hex the main map marks, 153 pixels higher.
    auto* m = dynamic_cast<PMissileUnit*>(p);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->GetTarget(), Point3D(11050, 4420, 0));
    views[0].zooms[0]->marked.insert(1105);
    p->QueueMessage(Named("MissileFire", new Container<DIRECTION>(East), 2, 1105));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(m->GetTarget(), Point3D(11050, 4420 - 153, 0));
    EXPECT_EQ(answers.answers[2], 1);
}

// A shot is heard on the frame its cue belongs to: a musket volley as the sounding ball leaves
// the top of its arc (it has flown its first leg, shown as a ball), a shell's hit as it lands
// (before its burst is shown).
TEST_F(UnitPicturesTest, ShotsAreHeardOnTheFramesTheyBelongTo) {
    struct Row {
        const char* type;
        DIRECTION direction;
        const char* sound;
        std::int16_t ball;
        const char* flownBefore;  // shown by the ball before the sound, "" for none
        const char* notBefore;    // not yet shown by the ball when the sound is heard (a name's start)
    };
    const auto sawStart = [](const std::vector<std::string>& seen, const std::string& start) {
        return std::any_of(seen.begin(), seen.end(), [&](const std::string& n) { return n.rfind(start, 0) == 0; });
    };
    const Row rows[] = {{"Union Medium Infantry", North, "musfire1", 7, "Ball", ""},
                        {"Union Iron Battery", East, "bathits1", 0, "", "Explode"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.type);
        VhPhysicalObject* p = Unit(r.type);
        ASSERT_NE(p, nullptr);
        sounds.calls.clear();
        p->QueueMessage(Named("MissileFire", new Container<DIRECTION>(r.direction), 1, 1105));
        std::vector<std::string> shown, atSound;
        const int ticks = Run(*p, nullptr, nullptr, [&](int) {
            VhSprite* b = Ball(*p, r.ball);
            if (b && !b->IsHidden()) {
                const std::string name = SequenceOf(ImageName(*b));
                if (!name.empty() && (shown.empty() || shown.back() != name)) shown.push_back(name);
            }
            if (atSound.empty() && Heard(r.sound) > 0) atSound = shown;
        });
        ASSERT_GT(ticks, 0);
        EXPECT_EQ(Heard(r.sound), 1);
        ASSERT_FALSE(atSound.empty());
        if (*r.flownBefore) EXPECT_TRUE(Saw(atSound, r.flownBefore));
        if (*r.notBefore) {
            EXPECT_FALSE(sawStart(atSound, r.notBefore));
            EXPECT_TRUE(sawStart(shown, r.notBefore));
        }
        EXPECT_EQ(answers.answers[1], 1);
        answers.answers.clear();
    }
}

TEST_F(UnitPicturesTest, AVolleyWithoutADirectionIsAnsweredAtOnce) {
    VhPhysicalObject* p = Unit("Union Medium Infantry");
    p->QueueMessage(Named("MissileFire", new Container<short>(3), 1, 1003));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(answers.answers[1], 1);
    EXPECT_LE(Run(*p), 1);
}

TEST_F(UnitPicturesTest, ABatteryLimbersIntoItsLimberedArtAndBackToItsFacing) {
    VhPhysicalObject* p = Unit("Union Iron Battery", 6);
    auto* battery = dynamic_cast<PArtillery*>(p);
    ASSERT_NE(battery, nullptr);
    EXPECT_FALSE(battery->Limbered());
    const std::string unlimberedArt = p->GetFigureSprite(0)->GetArtAt(0)->GetName();
    p->QueueMessage(Named("LimberArtillery", nullptr, 1));
    ASSERT_GT(Run(*p), 0);
    EXPECT_TRUE(battery->Limbered());
    EXPECT_EQ(p->GetFacing(), 6u);
    EXPECT_EQ(std::string(p->GetFigureSprite(0)->GetArtAt(0)->GetName()), "Union Iron Limbered Battery");
    EXPECT_EQ(unlimberedArt, "Union Iron Unlimbered Battery");
    EXPECT_EQ(ImageName(*p->GetFigureSprite(0)), "Standing 5");
    p->QueueMessage(Named("UnlimberArtillery", nullptr, 2));
    ASSERT_GT(Run(*p), 0);
    EXPECT_FALSE(battery->Limbered());
    EXPECT_EQ(std::string(p->GetFigureSprite(0)->GetArtAt(0)->GetName()), "Union Iron Unlimbered Battery");
    EXPECT_EQ(answers.answers[1], 1);
    EXPECT_EQ(answers.answers[2], 1);
}

TEST_F(UnitPicturesTest, BatteryNamesFollowSideAndMetal) {
    std::string names[6];
    PArtillery::BatteryNames("Union Brass Limbered Battery", false, names);
    EXPECT_EQ(names[0], "Union Brass Unlimbered Battery");
    EXPECT_EQ(names[5], "Union Brass Limbered Battery (Quarter size)");
    PArtillery::BatteryNames("Confederate Iron Unlimbered Battery", true, names);
    EXPECT_EQ(names[1], "Confederate Brass Unlimbered Battery (Half size)");
    EXPECT_EQ(names[3], "Confederate Brass Limbered Battery");
}

TEST_F(UnitPicturesTest, CavalryRidesAfterMountingAndWalksAfterDismounting) {
    VhPhysicalObject* p = Unit("Union Cavalry");
    auto* cav = dynamic_cast<PMountedMusket*>(p);
    ASSERT_NE(cav, nullptr);
    EXPECT_FALSE(cav->Mounted());
    EXPECT_EQ(std::string(p->GetFigureSprite(0)->GetArtAt(0)->GetName()), "Union Medium Infantry");
    p->QueueMessage(Named("CavalryMount", nullptr, 1));
    ASSERT_GT(Run(*p), 0);
    EXPECT_TRUE(cav->Mounted());
    EXPECT_EQ(std::string(p->GetFigureSprite(0)->GetArtAt(0)->GetName()), "Union Cavalry");
    EXPECT_EQ(Heard("cavmnt1"), 1);
    p->QueueMessage(Named("CavalryDismount", nullptr, 2));
    ASSERT_GT(Run(*p), 0);
    EXPECT_FALSE(cav->Mounted());
    EXPECT_EQ(std::string(p->GetFigureSprite(0)->GetArtAt(0)->GetName()), "Union Medium Infantry");
    EXPECT_EQ(Heard("cavdis1"), 1);
}

TEST_F(UnitPicturesTest, AColumnStandsInTheLineLayoutAQuarterTurnOn) {
    VhPhysicalObject* p = Unit("Union Medium Infantry", 7);
    VhPhysicalObject* q = Unit("Union Medium Infantry", 1, 1205);
    p->QueueMessage(Named("ColumnFormation", nullptr, 1));
    ASSERT_GT(Run(*p), 0);
    for (std::int16_t i = 0; i < 8; ++i) {
        const Point at = p->GetFigureSprite(i)->GetZoomPosition(0) - Origin(1005, 0);
        const Point ref = q->GetFigureSprite(i)->GetZoomPosition(0) - Origin(1205, 0);
        EXPECT_EQ(at, ref) << i;
    }
    EXPECT_EQ(ImageName(*p->GetFigureSprite(0)), "Standing 6");
}

TEST_F(UnitPicturesTest, ALeaderWavesItsOwnFlagAndAWoundedLeaderStandsWounded) {
    VhPhysicalObject* p = Unit("Union Corp Commander");
    p->QueueMessage(Named("RaiseFlags", nullptr, 1));
    std::vector<std::string> seen;
    // The wave holds until the next command: the picture never goes idle while it waves.
    for (int k = 0; k < 40; ++k) Run(*p, &seen);
    EXPECT_TRUE(Saw(seen, "ASN"));
    EXPECT_EQ(answers.answers[1], 1);
    p->QueueMessage(Named("WoundedLeader", nullptr, 2));
    p->QueueMessage(Named("LowerFlags", nullptr, 3));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(ImageName(*p->GetFigureSprite(0)), "StandingWA 0");
    // The wounded standing sequence is kept in the record.
    SuperString s;
    p->Save(s);
    auto* again = dynamic_cast<PLeader*>(Unit("Union Corp Commander"));
    again->Load(s);
    EXPECT_FALSE(s.Failed());
    EXPECT_EQ(again->StandingName(), "StandingWA");
}

TEST_F(UnitPicturesTest, AFallenRiderLeavesAHorsePictureOnTheLayer) {
    VhPhysicalObject* p = Unit("Union Cavalry");
    const int objects = layer->Objects().Count();
    p->QueueMessage(Named("CavalryMountNA", nullptr, 1));
    ASSERT_GT(Run(*p), 0);
    p->QueueMessage(Named("CohesionHit", new Container<MethodOfDeathStruct>(MethodOfDeathStruct(100, 1, 0)), 2));
    p->QueueMessage(Named("CombatAnimate", Route({1004}), 3, 1005));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(answers.answers[3], 1);
    // The plain layer keeps no companions: none is left behind and none is answered.
    EXPECT_EQ(layer->Objects().Count(), objects);
}

TEST_F(UnitPicturesTest, AHorseShowsOnlyAfterItsDelayAndHidesAtTheEndOfItsRun) {
    auto* horse = new PHorse("Horse", 1005, 1, 8, 7);
    owned.emplace_back(horse);
    horse->AttachToBus(layer.get());
    DrainTasks();
    ASSERT_EQ(horse->GetFigureCount(), 1);
    EXPECT_TRUE(horse->GetFigureSprite(0)->IsHidden());
    horse->QueueMessage(Command(LOGICAL_OBJECT_MOVED, Route({1005, 1006}), 1, 1006));
    bool shown = false;
    int shownAt = -1;
    const int ran = Run(*horse, nullptr, nullptr, [&](int k) {
        if (!shown && !horse->GetFigureSprite(0)->IsHidden()) {
            shown = true;
            shownAt = k;
        }
    });
    EXPECT_GT(ran, 0);
    EXPECT_TRUE(shown) << ran << " commands " << horse->Commands().Count() << " animating " << horse->AnimatingSprites().Count()
                       << " events " << horse->GetFigureSprite(0)->Events().Count() << " loose " << horse->LooseSprites().Count();
    // Seven hides, then a still stand of at least 1300.
    EXPECT_GE(shownAt * 50, 1300);
    EXPECT_TRUE(horse->GetFigureSprite(0)->IsHidden());
    EXPECT_EQ(horse->GetHex(), 1006);
}

TEST_F(UnitPicturesTest, APictureDeletedInTheMiddleOfACommandAnswersEveryCommandOnce) {
    for (const char* type : {"Union Medium Infantry", "Union Heavy Infantry", "Union Cavalry", "Union Iron Battery", "Union Corp Commander",
                             "Union Supply Wagon"}) {
        SCOPED_TRACE(type);
        answers.answers.clear();
        VhPhysicalObject* p = Unit(type);
        p->QueueMessage(Command(LOGICAL_OBJECT_MOVED, Route({1005, 1006, 1007}), 1, 1007));
        p->QueueMessage(Named("MissileFire", new Container<DIRECTION>(North), 2, 1003));
        p->QueueMessage(Named("TerminalRout", Route({1007, 1008}), 3));
        for (int k = 0; k < 3; ++k) {
            clock += 50;
            p->Tick(clock, nullptr);
            DrainTasks();
        }
        owned.erase(std::find_if(owned.begin(), owned.end(), [&](const auto& u) { return u.get() == p; }));
        DrainTasks();
        EXPECT_EQ(answers.answers[1], 1);
        EXPECT_EQ(answers.answers[2], 1);
        EXPECT_EQ(answers.answers[3], 1);
    }
}

TEST_F(UnitPicturesTest, PicturesDrawOnTheirOwnRandomStream) {
    // The game's random source is the C library's here: a battle must replay whatever is shown.
    std::srand(99);
    const int expected = std::rand();
    std::srand(99);
    VhPhysicalObject* p = Unit("Union Medium Infantry");
    p->QueueMessage(Named("MissileFire", new Container<DIRECTION>(North), 1, 1003));
    p->QueueMessage(Named("CohesionHit", new Container<MethodOfDeathStruct>(MethodOfDeathStruct(50, 1, 0)), 2));
    p->QueueMessage(Named("CombatAnimate", Route({1004}), 3, 1005));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(std::rand(), expected);
}

// --- the two-hex pictures: the phalanx's formation and commands, the heavy infantry's own ---

// The heavy infantry picture with the generated game's walking data, whose "Phalanx" records
// rest every figure on its place of the two-hex formation.
class PhalanxTest : public UnitPicturesTest {
protected:
    std::vector<datagen::ArtIndexEntry> ExtraArt() override {
        std::vector<datagen::ArtIndexEntry> entries = UnitPicturesTest::ExtraArt();
        std::error_code ec;
        std::filesystem::copy_file(std::string(VH_GAME_ART_DIR) + "/WALKDATA.QIF", data.Data() + "/WALKDATA.QIF",
                                   std::filesystem::copy_options::overwrite_existing, ec);
        EXPECT_FALSE(ec) << ec.message();
        return entries;
    }
    PHeavyInfantry* Heavy(std::uint32_t facing = 1, std::int16_t hex = 1005) {
        auto* p = dynamic_cast<PHeavyInfantry*>(Unit("Union Heavy Infantry", facing, hex));
        EXPECT_NE(p, nullptr);
        return p;
    }
    // Every present figure stands on its place of the formation in its own hex.
    static void ExpectFormation(PPhalanx& p) {
        const std::uint32_t L = p.GetFigureFacing();
        for (std::int16_t i = 0; i < p.GetFigureCount(); ++i) {
            VhSprite* s = p.IsFigurePresent(i) ? p.GetFigureSprite(i) : nullptr;
            if (!s) continue;
            const std::int16_t place = p.GetFigureSlot(i);
            const std::int16_t hex = PPhalanx::InFirstRegion(place) ? p.FirstRegion() : p.SecondRegion();
            EXPECT_EQ(s->GetHex(), hex) << "figure " << i;
            const Point3D o = PPhalanx::PlaceOffset(place, L);
            EXPECT_EQ(s->GetZoomPosition(0) - Origin(hex, 0), Point(o.x, o.y)) << "figure " << i << " place " << place;
        }
    }
};

TEST_F(PhalanxTest, TheFlankHexLiesOnTheFacingSideByColumnParity) {
    PPhalanx even("Union Medium Infantry", 1205, 2);
    struct Row {
        std::int16_t region;
        std::int32_t direction;
        std::int16_t flank;
    };
    const Row rows[] = {{1205, 1, 1204}, {1205, 2, 1304}, {1205, 4, 1305}, {1205, 5, 1206}, {1205, 6, 1105}, {1205, 8, 1104},
                        {1305, 2, 1405},  {1305, 4, 1406}, {1305, 6, 1206}, {1305, 8, 1205}, {1305, 3, PPhalanx::kNoRegion},
                        {1305, 7, PPhalanx::kNoRegion}, {1305, 0, PPhalanx::kNoRegion}};
    for (const Row& r : rows) EXPECT_EQ(even.FlankRegion(r.region, r.direction), r.flank) << r.region << " " << r.direction;
    EXPECT_EQ(even.SecondRegion(), 1304);
    EXPECT_EQ(even.OppositeFlankRegion(1205, 2), 1105);
    // The close-up view is turned half a turn: north gives the southern neighbour.
    even.SetFlipped(1);
    EXPECT_EQ(even.FlankRegion(1205, 1), 1206);
    EXPECT_EQ(even.SecondRegion(), 1105);

    PPhalanx south("Union Medium Infantry", 1205, 5);
    std::unique_ptr<Container<List<short>>> regions(south.GetRegions());
    std::vector<short> got;
    ListIterator<short> it(regions->Value());
    for (short h = 0; it.Next(h);) got.push_back(h);
    EXPECT_EQ(got, (std::vector<short>{1205, 1206}));
}

TEST_F(PhalanxTest, TwentyFiguresStandInTwoRanksAcrossBothHexes) {
    const std::size_t before = listener.created.size();
    PHeavyInfantry* p = Heavy(1, 1205);
    ASSERT_EQ(p->GetFigureCount(), 20);
    EXPECT_EQ(p->SecondRegion(), 1204);
    ExpectFormation(*p);
    EXPECT_EQ(p->GetFigureSprite(0)->GetZoomPosition(0) - Origin(1205, 0), Point(-43, -2));
    EXPECT_EQ(p->GetFigureSprite(0)->GetValue(), 10);
    EXPECT_EQ(p->GetFigureSprite(10)->GetZoomPosition(0) - Origin(1205, 0), Point(-38, 19));
    EXPECT_EQ(p->GetFigureSprite(10)->GetValue(), 20);
    EXPECT_EQ(p->GetFigureSprite(5)->GetHex(), 1204);
    EXPECT_EQ(p->GetFigureSprite(19)->GetHex(), 1204);
    // Only the last figure and the last ball sound every cue.
    for (std::int16_t i = 0; i < 20; ++i) {
        EXPECT_EQ(p->GetFigureSprite(i)->AllSoundsEnabled() != 0, i == 19) << i;
        EXPECT_EQ(p->GetBall(i)->AllSoundsEnabled() != 0, i == 19) << i;
    }
    // Twenty figures, twenty balls and the flag were announced.
    EXPECT_EQ(listener.created.size() - before, 41u);
}

TEST_F(PhalanxTest, AMarchEndsWithEveryFigureOnItsPlaceInTheLastHexes) {
    PHeavyInfantry* p = Heavy(5, 1205);
    ASSERT_EQ(p->SecondRegion(), 1206);
    p->QueueMessage(Command(LOGICAL_OBJECT_MOVED, Route({1205, 1105, 1005}), 1, 1005));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(answers.answers[1], 1);
    EXPECT_EQ(p->FirstRegion(), 1005);
    EXPECT_EQ(p->GetHex(), 1005);
    EXPECT_EQ(p->SecondRegion(), 1006);
    ExpectFormation(*p);
    EXPECT_EQ(ImageName(*p->GetFigureSprite(0)), "Standing 4");
}

TEST_F(PhalanxTest, AWheelTurnsThePivotHexInPlaceAndWalksTheOtherToItsNewFlank) {
    PHeavyInfantry* p = Heavy(1, 1205);
    p->QueueMessage(Command(CHANGE_UNIT_FACING, new Container<DIRECTION>(NorthEast), 1, 1205));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(p->GetFacing(), 2u);
    EXPECT_EQ(p->FirstRegion(), 1205);
    EXPECT_EQ(p->SecondRegion(), 1304);
    ExpectFormation(*p);
    EXPECT_EQ(ImageName(*p->GetFigureSprite(0)), "Standing 1");
    // Pivoting on the flank hex moves the first hex instead.
    p->QueueMessage(Command(CHANGE_UNIT_FACING, new Container<DIRECTION>(North), 2, 1304));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(p->SecondRegion(), 1304);
    EXPECT_EQ(p->FirstRegion(), 1305);
    ExpectFormation(*p);
    // A turn whose hex is neither keeps both hexes and changes the facing only.
    p->QueueMessage(Command(CHANGE_UNIT_FACING, new Container<DIRECTION>(NorthEast), 3, 999));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(p->FirstRegion(), 1305);
    EXPECT_EQ(p->SecondRegion(), 1304);
    EXPECT_EQ(p->GetFacing(), 2u);
    EXPECT_EQ(answers.answers[3], 1);
}

TEST_F(PhalanxTest, AnAboutFaceSwapsTheHexesAndMirrorsThePlaces) {
    PHeavyInfantry* p = Heavy(5, 1205);
    p->QueueMessage(Named("AboutFace", nullptr, 1));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(p->GetFacing(), 1u);
    EXPECT_EQ(p->FirstRegion(), 1206);
    EXPECT_EQ(p->SecondRegion(), 1205);
    // The new flank hex is again the first hex's neighbour in the new facing.
    EXPECT_EQ(p->FlankRegion(p->FirstRegion(), 1), p->SecondRegion());
    EXPECT_EQ(p->GetFigureSlot(0), 19);
    EXPECT_EQ(p->GetHex(), 1205);
    EXPECT_EQ(ImageName(*p->GetFigureSprite(0)), "Standing 0");
}

TEST_F(PhalanxTest, LossesFallToTheCasualtyShareAndReturnToTheSmallestFreePlaces) {
    PHeavyInfantry* p = Heavy(1, 1205);
    p->QueueMessage(Named("CohesionHit", new Container<MethodOfDeathStruct>(MethodOfDeathStruct(50, 1, 0)), 1));
    p->QueueMessage(Named("CombatAnimate", Route({1305, 1105}), 2, 1205));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(p->LostCount(), 5);
    int present = 0;
    for (std::int16_t i = 0; i < 20; ++i) present += p->IsFigurePresent(i);
    EXPECT_EQ(present, 15);
    // The same command at the same hex chooses the same figures on another peer.
    PHeavyInfantry* peer = Heavy(1, 1205);
    peer->QueueMessage(Named("CohesionHit", new Container<MethodOfDeathStruct>(MethodOfDeathStruct(50, 1, 0)), 3));
    peer->QueueMessage(Named("CombatAnimate", Route({1305, 1105}), 4, 1205));
    ASSERT_GT(Run(*peer), 0);
    for (std::int16_t i = 0; i < 20; ++i) EXPECT_EQ(peer->IsFigurePresent(i), p->IsFigurePresent(i)) << i;

    p->QueueMessage(Named("RestoreCohesion", new Container<short>(20), 5));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(p->LostCount(), 2);
    present = 0;
    std::vector<bool> held(20, false);
    for (std::int16_t i = 0; i < 20; ++i)
        if (p->IsFigurePresent(i)) {
            ++present;
            held[static_cast<std::size_t>(p->GetFigureSlot(i))] = true;
        }
    EXPECT_EQ(present, 18);
    ExpectFormation(*p);
    p->QueueMessage(Named("RestoreCohesion", new Container<short>(250), 6));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(p->GetLossPercent(), 100);
    EXPECT_EQ(p->LostCount(), 10);
    p->QueueMessage(Named("RestoreCohesion", new Container<short>(0), 7));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(p->LostCount(), 0);
    ExpectFormation(*p);
    for (short n = 1; n <= 7; ++n) EXPECT_EQ(answers.answers[n], 1) << n;
}

TEST_F(PhalanxTest, AnUnwatchedCombatKeepsEveryFigureInItsOwnHex) {
    PHeavyInfantry* p = Heavy(1, 1205);
    p->QueueMessage(Named("CohesionHit", new Container<MethodOfDeathStruct>(MethodOfDeathStruct(90, 1, 0)), 1));
    p->QueueMessage(Named("CombatDontAnimate", Route({1305}), 2, 1205));
    ASSERT_GT(Run(*p), 0);
    int present = 0;
    for (std::int16_t i = 0; i < 20; ++i) present += p->IsFigurePresent(i);
    EXPECT_EQ(present, 11);
    // The rear figures that stepped into a fallen comrade's place stand there, in their own hex.
    ExpectFormation(*p);
    EXPECT_EQ(answers.answers[2], 1);
}

// The unit stands on its hex and the neighbour on its right hand; its picture, made with the
// facing the map turns two steps clockwise, must draw its second rank of figures on that same
// neighbour, in even and odd columns alike.
TEST_F(PhalanxTest, TheSecondHexIsTheUnitsRightHandNeighbourForEveryFacing) {
    for (std::uint32_t facing : {2u, 3u, 4u, 6u, 7u, 8u}) {
        for (std::int16_t hex : {1205, 1305}) {
            SCOPED_TRACE(std::to_string(facing) + " at " + std::to_string(hex));
            PHeavyInfantry* p = Heavy(RotateDirectionClockwise(static_cast<DIRECTION>(facing), 2), hex);
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(p->FirstRegion(), hex);
            EXPECT_EQ(p->SecondRegion(), static_cast<std::int16_t>(RightHandHex(static_cast<std::uint16_t>(hex), facing)));
            ExpectFormation(*p);
        }
    }
}

TEST_F(PhalanxTest, OnlyTheFirstRoutDropsEquipment) {
    PHeavyInfantry* p = Heavy(1, 1205);
    const std::size_t before = listener.created.size();
    p->QueueMessage(Named("TerminalRout", Route({1205, 1206, 1207}), 1));
    std::vector<std::string> seen;
    ASSERT_GT(Run(*p, &seen), 0);
    EXPECT_TRUE(Saw(seen, "DropN"));
    EXPECT_TRUE(p->Routed());
    // Each figure leaves a knapsack from the rout debris (this test's debris has no muskets and
    // the figure art no cap to drop).
    EXPECT_EQ(listener.created.size() - before, 20u);
    EXPECT_EQ(p->FirstRegion(), 1207);
    EXPECT_EQ(p->SecondRegion(), 1206);
    const std::size_t after = listener.created.size();
    p->QueueMessage(Named("TerminalRout", Route({1207, 1208}), 2));
    seen.clear();
    ASSERT_GT(Run(*p, &seen), 0);
    EXPECT_FALSE(Saw(seen, "DropN"));
    EXPECT_EQ(listener.created.size(), after);
    EXPECT_EQ(answers.answers[1], 1);
    EXPECT_EQ(answers.answers[2], 1);
}

TEST_F(PhalanxTest, DrillCommandsTurnTheFiguresSpritesInPlace) {
    PHeavyInfantry* p = Heavy(1, 1205);
    struct Row {
        const char* command;
        const char* shows;
        std::uint32_t facing;
    };
    const Row rows[] = {{"RightFaceSprites", "Standing 6", 1}, {"LeftFaceSprites", "Standing 2", 1},   {"CenterFaceSprites", "Standing 0", 1},
                        {"RightFaceSpritesNA", "Standing 6", 1}, {"AboutFaceSprites", "Standing 4", 5}, {"AboutFaceSprites", "Standing 0", 1}};
    short n = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.command);
        p->QueueMessage(Named(r.command, nullptr, ++n));
        ASSERT_GT(Run(*p), 0);
        EXPECT_EQ(answers.answers[n], 1);
        EXPECT_EQ(p->GetFacing(), r.facing);
        for (std::int16_t i = 0; i < 20; ++i) EXPECT_EQ(ImageName(*p->GetFigureSprite(i)), r.shows) << i;
        // The figures stay where they stand (after a half turn, on the places of the old facing).
        if (r.facing == 1) ExpectFormation(*p);
    }
    // A column turns the sprites a quarter turn; a drill command puts the unit back in line.
    p->SetRecordFlag(0);
    EXPECT_EQ(p->GetTurnOffset(), 2);
    EXPECT_EQ(p->GetStandingFrame(), 7u);
    p->QueueMessage(Named("CenterFaceSprites", nullptr, ++n));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(p->GetTurnOffset(), 0);
    EXPECT_EQ(p->GetRecordFlag(), 1);
}

TEST_F(PhalanxTest, AVolleyFiresFromBothHexesAndIsHeardOnce) {
    PHeavyInfantry* p = Heavy(3, 1205);
    p->QueueMessage(Named("MissileFire", new Container<DIRECTION>(East), 1, 1204));
    std::vector<std::string> ball;
    ASSERT_GT(Run(*p, nullptr, &ball), 0);
    EXPECT_TRUE(Saw(ball, "Ball"));
    EXPECT_EQ(Heard("musfire1"), 1);
    EXPECT_EQ(answers.answers[1], 1);
    // The target point is the target hex's, shifted for the fire direction.
    EXPECT_EQ(p->GetTarget(), Point3D(12040 - 50, 4816, 0));
    ExpectFormation(*p);
    // Without a direction there is no volley: answered at once.
    p->QueueMessage(Named("MissileFire", new Container<short>(3), 2, 1204));
    EXPECT_LE(Run(*p), 2);
    EXPECT_EQ(answers.answers[2], 1);
    // A hex the main map marks is aimed at higher up the screen; a mark
    // of the close-up's map does not count.
    views[1].zooms[0]->marked.insert(1204);
    p->QueueMessage(Named("MissileFire", new Container<DIRECTION>(East), 3, 1204));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(p->GetTarget(), Point3D(12040 - 50, 4816, 0));
    views[0].zooms[0]->marked.insert(1204);
    p->QueueMessage(Named("MissileFire", new Container<DIRECTION>(East), 4, 1204));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(p->GetTarget(), Point3D(12040 - 50, 4816 - 76, 0));
    EXPECT_EQ(answers.answers[3], 1);
    EXPECT_EQ(answers.answers[4], 1);
}

TEST_F(PhalanxTest, TeleportAndInsertPutBothHexesInPlace) {
    PHeavyInfantry* p = Heavy(1, 1205);
    p->QueueMessage(Named("UnitTeleport", Route({1005, 1105}), 1));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(p->FirstRegion(), 1105);
    EXPECT_EQ(p->SecondRegion(), 1104);
    ExpectFormation(*p);
    p->QueueMessage(Named("UnitInserted", new Container<DIRECTION>(South), 2, 1305));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(p->GetFacing(), 5u);
    EXPECT_EQ(p->FirstRegion(), 1305);
    EXPECT_EQ(p->SecondRegion(), 1306);
    ExpectFormation(*p);
    // A teleport with nowhere to go leaves the unit where it is.
    p->QueueMessage(Named("UnitTeleport", nullptr, 3));
    ASSERT_GT(Run(*p), 0);
    EXPECT_EQ(p->FirstRegion(), 1305);
    for (short n = 1; n <= 3; ++n) EXPECT_EQ(answers.answers[n], 1) << n;
}

TEST_F(PhalanxTest, TheRecordKeepsBothHexesTheBallsAndTheTurnedSprites) {
    PHeavyInfantry* p = Heavy(1, 1205);
    p->QueueMessage(Named("RightFaceSprites", nullptr, 1));
    p->QueueMessage(Command(LOGICAL_OBJECT_MOVED, Route({1205, 1206}), 2, 1206));
    ASSERT_GT(Run(*p), 0);
    SuperString s;
    p->Save(s);
    const std::string record = s.Contents();
    // Ball count 20, the target point, turn offset 2, then 20 entries, each an idle ball.
    ASSERT_GT(record.size(), 14u);
    EXPECT_EQ(static_cast<std::uint8_t>(record[0]) | (static_cast<std::uint8_t>(record[1]) << 8), 20);
    EXPECT_EQ(static_cast<std::uint8_t>(record[8]) | (static_cast<std::uint8_t>(record[9]) << 8), 2);
    EXPECT_EQ(static_cast<std::uint8_t>(record[12]) | (static_cast<std::uint8_t>(record[13]) << 8), 2);

    PHeavyInfantry* again = Heavy(1, 1005);
    again->Load(s);
    EXPECT_FALSE(s.Failed());
    EXPECT_EQ(again->FirstRegion(), 1206);
    EXPECT_EQ(again->SecondRegion(), 1205);
    EXPECT_EQ(again->GetTurnOffset(), 2);
    EXPECT_EQ(again->GetBallCount(), 20);
    EXPECT_TRUE(again->AnimatingSprites().IsEmpty());
    EXPECT_EQ(RecordOf(*again), record);

    // A record cut short changes nothing.
    SuperString cut;
    cut.Write(record.data(), static_cast<std::int32_t>(record.size() / 2));
    PHeavyInfantry* third = Heavy(1, 1005);
    third->Load(cut);
    EXPECT_TRUE(cut.Failed());
    EXPECT_EQ(third->FirstRegion(), 1005);
    EXPECT_EQ(third->GetBallCount(), 20);
    // The phalanx's own record begins with its two hexes.
    PPhalanx plain("Union Medium Infantry", 1205, 5);
    SuperString q;
    plain.Save(q);
    const std::string head = q.Contents().substr(0, 4);
    EXPECT_EQ(head, std::string("\xB5\x04\xB6\x04", 4));
}

TEST_F(PhalanxTest, TheLastFigureCuesTheSoundsOfEachCommandOnce) {
    struct Row {
        const char* what;
        std::function<LogicalCommandInfo()> make;
        std::vector<std::pair<std::string, int>> heard;
    };
    const std::vector<Row> rows = {
        {"march", [] { return Command(LOGICAL_OBJECT_MOVED, Route({1205, 1206}), 1, 1206); }, {{"movement-start 3", 1}, {"movement-stop", 1}}},
        {"wheel", [] { return Command(CHANGE_UNIT_FACING, new Container<DIRECTION>(NorthEast), 1, 1205); }, {{"movement-start 3", 1}, {"movement-stop", 1}}},
        {"about face", [] { return Named("AboutFace", nullptr, 1); }, {{"movement-start 3", 1}, {"movement-stop", 1}}},
        {"volley", [] { return Named("MissileFire", new Container<DIRECTION>(North), 1, 1203); }, {{"musfire1", 1}, {"movement-start 3", 0}}},
        {"rout", [] { return Named("TerminalRout", Route({1205, 1206}), 1); }, {{"movement-start 15", 1}, {"movement-stop", 1}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        sounds.calls.clear();
        answers.answers.clear();
        PHeavyInfantry* p = Heavy(1, 1205);
        p->QueueMessage(r.make());
        ASSERT_GT(Run(*p), 0);
        EXPECT_EQ(answers.answers[1], 1);
        std::string all;
        for (const std::string& c : sounds.calls) all += c + "; ";
        // The loop's handle varies: calls are counted by how they begin.
        for (const auto& expected : r.heard) {
            const std::string& call = expected.first;
            EXPECT_EQ(std::count_if(sounds.calls.begin(), sounds.calls.end(), [&](const std::string& c) { return c.rfind(call, 0) == 0; }),
                      expected.second)
                << call << " in " << all;
        }
        owned.erase(std::find_if(owned.begin(), owned.end(), [&](const auto& u) { return u.get() == p; }));
        DrainTasks();
    }
}

// The flag of a two-hex unit stands in its first hex at the picture's flag point, at every zoom:
// raised (waving, shown) while its leader is active, shown lowered where the unit comes on the map,
// lowered and hidden once the unit has acted, lowered again at the end of the turn without being
// shown; after a half turn it stays in the hex it stood in, which is now the second.
TEST_F(PhalanxTest, TheFlagIsRaisedOrLoweredInTheHexEachCommandLeavesItIn) {
    PHeavyInfantry* p = Heavy(5, 1205);
    ASSERT_NE(p, nullptr);
    auto* flag = dynamic_cast<Flag*>(p->GetFlag());
    ASSERT_NE(flag, nullptr);
    ASSERT_FALSE(Flag::ShadowFrames().IsEmpty());
    struct Row {
        const char* what;
        std::function<LogicalCommandInfo(short)> make;
        bool shown, raised;
        std::int16_t hex;
    };
    const std::vector<Row> rows = {
        {"raised for its leader", [](short n) { return Named("RaiseFlags", nullptr, n); }, true, true, 1205},
        {"march", [](short n) { return Command(LOGICAL_OBJECT_MOVED, Route({1205, 1105, 1005}), n, 1005); }, false, false, 1005},
        {"end of turn", [](short n) { return Named("EndOfTurn", nullptr, n); }, false, false, 1005},
        {"raised again", [](short n) { return Named("RaiseFlags", nullptr, n); }, true, true, 1005},
        {"lowered, not having acted", [](short n) { return Named("LowerFlags", nullptr, n); }, true, false, 1005},
        {"wheel on the first hex", [](short n) { return Command(CHANGE_UNIT_FACING, new Container<DIRECTION>(SouthWest), n, 1005); }, false, false, 1005},
        {"lowered, having acted", [](short n) { return Named("LowerFlags", nullptr, n); }, false, false, 1005},
        {"raised for a volley", [](short n) { return Named("RaiseFlags", nullptr, n); }, true, true, 1005},
        {"volley", [](short n) { return Named("MissileFire", new Container<DIRECTION>(SouthWest), n, 905); }, false, false, 1005},
        {"teleport", [](short n) { return Named("UnitTeleport", Route({1005, 1105}), n); }, false, false, 1105},
        {"inserted", [](short n) { return Named("UnitInserted", new Container<DIRECTION>(South), n, 1305); }, true, false, 1305},
        {"about face", [](short n) { return Named("AboutFace", nullptr, n); }, false, false, 1305},
        {"raised after the half turn", [](short n) { return Named("RaiseFlags", nullptr, n); }, true, true, 1305},
        {"rout", [](short n) { return Named("TerminalRout", Route({1306, 1206, 1106}), n); }, false, false, 1305},
        {"a routed unit's flag stays down", [](short n) { return Named("RaiseFlags", nullptr, n); }, false, false, 1305},
    };
    short n = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        p->QueueMessage(r.make(++n));
        // A raised flag waves on: the picture is ticked a while rather than until it is idle.
        for (int k = 0; k < 4 && answers.answers[n] == 0; ++k) Run(*p);
        EXPECT_EQ(answers.answers[n], 1);
        EXPECT_EQ(flag->IsHidden(), !r.shown);
        EXPECT_EQ(flag->GetHex(), r.hex);
        // A flag that shows stands on the unit (a routed unit's stays hidden where the rout began).
        if (r.shown)
            EXPECT_TRUE(flag->GetHex() == p->FirstRegion() || flag->GetHex() == p->SecondRegion())
                << flag->GetHex() << " of " << p->FirstRegion() << ", " << p->SecondRegion();
        // A hidden flag is drawn nowhere: where it shows, its stem, cloth and shadow stand at the
        // flag point of its hex, the cloth and shadow at their raised or lowered offsets.
        if (!r.shown) continue;
        const Point3D& at = p->GetBasePoint();
        const Point3D& cloth = r.raised ? Flag::kClothRaised[0] : Flag::kClothLowered[0];
        const Point3D& shadow = r.raised ? Flag::kShadowRaised[0] : Flag::kShadowLowered[0];
        for (std::int16_t z = 0; z < 3; ++z) {
            SCOPED_TRACE("zoom " + std::to_string(z));
            const int d = 1 << z;
            const Point o = Origin(r.hex, z);
            EXPECT_EQ(flag->GetZoomPosition(z), Point(static_cast<std::int16_t>(o.x + at.x / d), static_cast<std::int16_t>(o.y + at.y / d)));
            EXPECT_EQ(flag->GetCloth()->GetZoomPosition(z),
                      Point(static_cast<std::int16_t>(o.x + (at.x + cloth.x) / d), static_cast<std::int16_t>(o.y + (at.y + cloth.y) / d)));
            EXPECT_EQ(flag->GetShadow()->GetZoomPosition(z),
                      Point(static_cast<std::int16_t>(o.x + (at.x + shadow.x) / d), static_cast<std::int16_t>(o.y + (at.y + shadow.y) / d)));
            EXPECT_FALSE(flag->GetCloth()->IsHidden());
        }
    }
    EXPECT_EQ(p->FirstRegion(), 1106);
}

TEST_F(PhalanxTest, TheGeneratedWalkingDataRestsThePhalanxOnItsPlaces) {
    QIF<FacingOffsets> walking("Walking Animation Data");
    const std::int16_t section = walking.SectionIndex("Phalanx");
    ASSERT_GE(section, 0);
    ASSERT_EQ(walking.ImageCount(section), 20);
    for (std::int16_t place = 0; place < 20; ++place)
        for (std::uint32_t d = 1; d <= 8; ++d) {
            FacingOffsets* r = walking.GetBitmap(place, section);
            ASSERT_NE(r, nullptr);
            EXPECT_EQ(r->facings[d].extra, PPhalanx::PlaceOffset(place, d)) << place << " " << d;
        }
}

// --- strips of pictures, one per unit type and command, in the build tree ---

class PictureStripTest : public PhalanxTest {
protected:
    // Draws every sprite of the picture (figures, balls, flag) at a zoom around the hex.
    static void DrawPicture(VhPhysicalObject& p, const List<Sprite*>& layerSprites, Bitmap& surface, const Point& origin, int zoom) {
        ListIterator<Sprite*> it(const_cast<List<Sprite*>*>(&layerSprites));
        Sprite* s = nullptr;
        std::vector<VhSprite*> mine;
        while (it.Next(s))
            if (auto* v = dynamic_cast<VhSprite*>(s); v && !v->IsHidden() && v->GetView() == p.GetViewIndex()) mine.push_back(v);
        std::sort(mine.begin(), mine.end(), [](VhSprite* a, VhSprite* b) { return b->SortsAfter(*a); });
        for (VhSprite* v : mine) v->DrawAtZoom(surface, origin, static_cast<std::int16_t>(zoom));
    }
    static std::uint32_t Rgb(std::uint8_t index) {
        if (index == 0) return 0x00F0F0E0u;
        const std::uint32_t r = (index * 53u) & 0xFF, g = (index * 97u) & 0xFF, b = (index * 151u) & 0xFF;
        return (r << 16) | (g << 8) | b;
    }
};

TEST_F(PictureStripTest, EveryUnitTypeAndCommandLeavesAStripWithTheFiguresWhereTheCommandPutsThem) {
    const std::string dir = std::string(VH_PICTURE_STRIPS_DIR);
    std::filesystem::create_directories(dir);
    // Every command that changes what a unit looks like; a kind that has no part in one (a leader
    // in a formation change, a wagon unlimbering) stands where it stood. After an elimination no
    // figure stands, but a leader's, who survives it.
    struct Strip {
        const char* command;
        std::function<LogicalCommandInfo()> make;
        std::int16_t endHex;
        bool stands = true;
    };
    const std::vector<Strip> strips = {
        {"march", [] { return Command(LOGICAL_OBJECT_MOVED, Route({1005, 1006}), 1, 1006); }, 1006},
        {"turn", [] { return Command(CHANGE_UNIT_FACING, new Container<DIRECTION>(SouthEast), 1); }, 1005},
        {"about face", [] { return Named("AboutFace", nullptr, 1); }, 1005},
        {"column", [] { return Named("ColumnFormation", nullptr, 1); }, 1005},
        {"dismount", [] { return Named("CavalryDismount", nullptr, 1); }, 1005},
        {"limber", [] { return Named("LimberArtillery", nullptr, 1); }, 1005},
        {"fire", [] { return Named("MissileFire", new Container<DIRECTION>(North), 1, 1003); }, 1005},
        {"combat", [] { return Named("CombatAnimate", Route({1004}), 1, 1005); }, 1005},
        {"rally", [] { return Named("RestoreCohesion", new Container<short>(0), 1); }, 1005},
        {"rout", [] { return Named("TerminalRout", Route({1005, 1006}), 1); }, 1006},
        {"eliminated", [] { return Named("UnitEliminated", new Container<short>(1), 1); }, 1005, false},
    };
    int written = 0;
    for (int i = 0; i < UnitTypeCount(); ++i) {
        const char* type = UnitTypeTable()[i].name;
        for (const Strip& strip : strips) {
            SCOPED_TRACE(std::string(type) + " " + strip.command);
            VhPhysicalObject* p = Unit(type);
            ASSERT_NE(p, nullptr);
            // A leader's rout passes it by: it stays where it stands.
            const bool leader = p->GetKind() == 4 || p->GetKind() == 5;
            const std::int16_t endHex = (leader && std::string(strip.command) == "rout") ? std::int16_t(1005) : strip.endHex;
            p->QueueMessage(strip.make());
            DrainTasks();
            for (int zoom = 0; zoom < 3; ++zoom) {
                const int cellW = 160 >> zoom, cellH = 200 >> zoom, cells = 6;
                platform::ScreenImage image;
                image.width = cellW * cells;
                image.height = cellH;
                image.pixels.assign(static_cast<std::size_t>(image.width) * image.height, 0);
                std::vector<Bitmap*> shots;
                int cell = 0;
                const Point hexAt = Origin(1005, zoom);
                const Point origin(static_cast<std::int16_t>(hexAt.x - cellW / 2), static_cast<std::int16_t>(hexAt.y - cellH / 2));
                auto shoot = [&]() {
                    Bitmap surface(Dim(static_cast<std::int16_t>(cellW), static_cast<std::int16_t>(cellH)), static_cast<long>(Bitmap::Plain));
                    DrawPicture(*p, layer->Sprites(), surface, origin, zoom);
                    for (int y = 0; y < cellH; ++y)
                        for (int x = 0; x < cellW; ++x)
                            image.pixels[static_cast<std::size_t>(y) * image.width + cell * cellW + x] =
                                Rgb(surface.GetPixels()[y * surface.Stride() + x]);
                    ++cell;
                };
                if (zoom == 0) {
                    shoot();
                    int k = 0;
                    Run(*p, nullptr, nullptr, [&](int tick) {
                        if (cell < cells - 1 && tick % 8 == 7) shoot();
                        k = tick;
                    });
                    while (cell < cells) shoot();
                } else {
                    // The other zooms show the end of the command.
                    while (cell < cells) shoot();
                }
                const std::string name = dir + "/" + std::string(type) + " - " + strip.command + " - zoom " + std::to_string(zoom) + ".png";
                EXPECT_TRUE(platform::SavePNG(name, image));
                ++written;
                // Each standing figure stands at the command's end hex, and its picture is drawn there.
                Bitmap surface(Dim(static_cast<std::int16_t>(cellW), static_cast<std::int16_t>(cellH)), static_cast<long>(Bitmap::Plain));
                const Point endAt = Origin(endHex, zoom);
                const Point endOrigin(static_cast<std::int16_t>(endAt.x - cellW / 2), static_cast<std::int16_t>(endAt.y - cellH / 2));
                DrawPicture(*p, layer->Sprites(), surface, endOrigin, zoom);
                int drawnFigures = 0;
                for (std::int16_t f = 0; f < p->GetFigureCount(); ++f) {
                    VhSprite* s = p->IsFigurePresent(f) ? p->GetFigureSprite(f) : nullptr;
                    if (!s || s->IsHidden()) continue;
                    // A two-hex unit's figures stand in its first hex or in the flank hex beside it.
                    auto* two = dynamic_cast<PPhalanx*>(p);
                    if (two) {
                        // A half turn puts the first hex where the flank hex was.
                        if (std::string(strip.command) == "about face") EXPECT_EQ(two->SecondRegion(), endHex);
                        else EXPECT_EQ(two->FirstRegion(), endHex);
                        EXPECT_EQ(s->GetHex(), PPhalanx::InFirstRegion(p->GetFigureSlot(f)) ? two->FirstRegion() : two->SecondRegion());
                    } else {
                        EXPECT_EQ(s->GetHex(), endHex);
                    }
                    const Point at = s->GetZoomPosition(static_cast<std::int16_t>(zoom)) - endOrigin;
                    ASSERT_GE(at.x, 0);
                    ASSERT_LT(at.x, cellW);
                    // Just above the hot spot (bottom centre) the figure's own colour shows.
                    const int y = at.y - 1;
                    ASSERT_GE(y, 0);
                    ASSERT_LT(y, cellH);
                    EXPECT_NE(surface.GetPixels()[y * surface.Stride() + at.x], 0) << "figure " << f;
                    ++drawnFigures;
                }
                if (strip.stands || leader) EXPECT_GT(drawnFigures, 0);
                else EXPECT_EQ(drawnFigures, 0);
            }
            // The next strip shows its own picture alone.
            owned.erase(std::find_if(owned.begin(), owned.end(), [&](const auto& u) { return u.get() == p; }));
            DrainTasks();
        }
    }
    EXPECT_EQ(written, UnitTypeCount() * static_cast<int>(strips.size()) * 3);
}


// --- the pictures of every demo battle ---

// A battle of each demo scenario, played by the computer on both sides in the battle runner, and
// every unit it made and every command it sent replayed on the real pictures: each command is
// played and answered exactly once. The whole battle is played: its opening turns bring only
// marches and combats (the volleys and routs come later), and a whole one plays in about two
// seconds here, so each scenario (its own CTest entry) stays far inside the suite's time on a
// two-core machine, in the sanitizer run too.
class BattlePicturesTest : public PhalanxTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        // The battle runs before this test's application exists: the runner makes its own.
        runner::BattleOptions options;
        options.dataDirectory = VH_DATA_DIR;
        options.scenarioIndex = GetParam();
        options.scenarioFile = runner::ScenarioFileOf(GetParam());
        options.keepDisplayLog = true;
        battle = runner::PlayBattle(options);
        // The game's first draw from a known seed, to compare with the draw after the pictures
        // have played the battle.
        SeedGameRandom(99);
        firstDraw = GameRandom();
        PhalanxTest::SetUp();
    }

protected:
    // The display layer's delivery of a logical command, as the shown main map takes it: facings
    // turned a quarter turn into the view, missile headings as compass directions, a combat
    // fanned out to the cohesion hits and one command per attacker and defender.
    struct Delivery {
        std::uint16_t unit;
        LogicalCommandInfo command;
    };
    std::vector<Delivery> Deliver(const LogicalCommandInfo& c, const std::map<std::uint16_t, VhPhysicalObject*>& pictures) {
        std::vector<Delivery> out;
        LogicalCommandInfo copy(c);
        const std::uint32_t number = c.command.Number() & 0x0FFFFFFFu;
        if (const CombatInfo* info = PayloadValue<CombatInfo>(c.data)) {
            for (Item<MethodOfDeathStruct>* i = info->deaths.Head(); i; i = i->next)
                out.push_back({i->value.first, LogicalCommandInfo(i->value.first, new Container<MethodOfDeathStruct>(i->value), 0,
                                                                  BusMessage(RegisterMessage("CohesionHit")))});
            auto regionsOf = [&](const List<short>& units) {
                List<short> regions;
                for (Item<short>* i = units.Head(); i; i = i->next) {
                    auto at = pictures.find(static_cast<std::uint16_t>(i->value));
                    if (at == pictures.end()) continue;
                    std::unique_ptr<Container<List<short>>> r(at->second->GetRegions());
                    for (Item<short>* h = r->Value()->Head(); h; h = h->next) regions.AddTail(h->value);
                }
                return regions;
            };
            const List<short> attackerRegions = regionsOf(info->first), defenderRegions = regionsOf(info->second);
            const BusMessage word(RegisterMessage("CombatAnimate"));
            bool lead = true;
            for (Item<short>* i = info->first.Head(); i; i = i->next) {
                const auto unit = static_cast<std::uint16_t>(i->value);
                if (!pictures.count(unit)) continue;
                out.push_back({unit, LogicalCommandInfo(unit, new Container<List<short>>(defenderRegions), 0, word,
                                                        lead ? c.reply : BusMessage(), lead && c.replyData ? c.replyData->Clone() : nullptr)});
                lead = false;
            }
            for (Item<short>* i = info->second.Head(); i; i = i->next) {
                const auto unit = static_cast<std::uint16_t>(i->value);
                if (pictures.count(unit)) out.push_back({unit, LogicalCommandInfo(unit, new Container<List<short>>(attackerRegions), 1, word)});
            }
            return out;
        }
        if (number == CHANGE_UNIT_FACING || number == RegisterMessage("ChangeFacingNA"))
            if (const DIRECTION* d = PayloadValue<DIRECTION>(c.data)) {
                delete copy.data;
                copy.data = new Container<DIRECTION>(RotateDirectionClockwise(*d, 2));
            }
        if (number == RegisterMessage("MissileFire")) {
            short heading = -1;
            if (ExtractData(c.data, heading) && heading >= 0 && heading <= 23) {
                static const int kByHeading[24] = {3, 4, 4, 4, 4, 5, 5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 1, 1, 1, 2, 2, 2, 3};
                delete copy.data;
                copy.data = new Container<DIRECTION>(static_cast<DIRECTION>(kByHeading[heading]));
            }
        }
        out.push_back({c.object, copy});
        return out;
    }

    runner::BattleResult battle;
    int firstDraw = 0;
};

TEST_P(BattlePicturesTest, EveryCommandOfTheBattleIsPlayedAndAnsweredOnce) {
    ASSERT_TRUE(battle.Ended()) << battle.problem;
    ASSERT_TRUE(battle.display);
    const shell::DisplayLog& log = *battle.display;
    ASSERT_FALSE(log.created.empty());
    ASSERT_FALSE(log.commands.empty());

    // Every unit of the battle drawn by the picture of its type, as the display layer makes it.
    std::map<std::uint16_t, VhPhysicalObject*> pictures;
    std::set<std::string> classes;
    for (const shell::DisplayLog::Created& c : log.created) {
        ASSERT_LT(c.info.typeIndex, UnitTypeCount());
        const UnitTypeEntry& e = UnitTypeTable()[c.info.typeIndex];
        std::unique_ptr<VhPhysicalObject> prototype(MakeUnitPicturePrototype(e.name, e.pictureArt ? e.pictureArt : e.name));
        ASSERT_NE(prototype, nullptr) << e.name;
        VhPhysicalObject* p = prototype->CreateInstance(c.region, RotateDirectionClockwise(static_cast<DIRECTION>(c.info.facing), 2));
        p->SetFlagStyle(c.info.nation);
        p->SetViewIndex(0);
        p->SetRecordFlag(c.info.firstWord);
        p->SetRecordFlag2(c.info.secondWord);
        owned.emplace_back(p);
        p->AttachToBus(layer.get());
        pictures[c.unit] = p;
        classes.insert(typeid(*p).name());
    }
    DrainTasks();

    // The game's source at a known point: the pictures must draw nothing from it.
    SeedGameRandom(99);
    // Each command answers with its own number.
    short next = 0;
    int sent = 0;
    ASSERT_EQ(battle.displayCommandNames.size(), log.commands.size());
    for (std::size_t k = 0; k < log.commands.size(); ++k) {
        // The battle's application numbered the named commands; this one numbers them afresh.
        LogicalCommandInfo c(log.commands[k]);
        if (!battle.displayCommandNames[k].empty()) c.command = BusMessage(RegisterMessage(battle.displayCommandNames[k]));
        for (Delivery& d : Deliver(c, pictures)) {
            auto at = pictures.find(d.unit);
            if (at == pictures.end()) continue;
            delete d.command.replyData;
            d.command.reply = BusMessage(RegisterMessage("Unit Picture Answer"));
            d.command.replyData = new Container<short>(++next);
            at->second->QueueMessage(d.command);
            ++sent;
        }
    }
    ASSERT_LT(next, 30000);
    DrainTasks();
    bool idle = false;
    for (int k = 0; k < 20000 && !idle; ++k) {
        clock += k < 400 ? 50 : 500;
        idle = true;
        for (auto& [unit, p] : pictures)
            if (p->Tick(clock, nullptr)) idle = false;
        DrainTasks();
    }
    EXPECT_TRUE(idle);
    for (short n = 1; n <= next; ++n) EXPECT_EQ(answers.answers[n], 1) << "command " << n;
    EXPECT_EQ(static_cast<int>(answers.answers.size()), sent);
    // The pictures' randomness left the game's own source where it was.
    EXPECT_EQ(GameRandom(), firstDraw);
}

INSTANTIATE_TEST_SUITE_P(Demo, BattlePicturesTest, ::testing::Range(0, runner::ScenarioCount), [](const auto& p) {
    const std::string file = runner::ScenarioFileOf(p.param);
    return file.substr(0, file.find('.'));
});

} // namespace
} // namespace pictest
