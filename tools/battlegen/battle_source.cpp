#include "tools/battlegen/battle_source.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <deque>
#include <set>

namespace battlegen {

namespace {

int ParseNation(const SourceLine& line, std::size_t i) {
    if (line.Is(i, "union")) return 0;
    if (line.Is(i, "confederate")) return 1;
    line.Fail("expected a nation: union or confederate");
}

int ParseFacing(const SourceLine& line, std::size_t i) {
    static const std::pair<const char*, int> facings[] = {{"ne", 2}, {"e", 3}, {"se", 4}, {"sw", 6}, {"w", 7}, {"nw", 8}};
    for (const auto& [word, value] : facings)
        if (line.Is(i, word)) return value;
    line.Fail("expected a facing: ne, e, se, sw, w or nw");
}

int ParseEdge(const SourceLine& line, std::size_t i) {
    static const std::pair<const char*, int> edges[] = {{"north", 1}, {"east", 3}, {"south", 5}, {"west", 7}};
    for (const auto& [word, value] : edges)
        if (line.Is(i, word)) return value;
    line.Fail("expected a map edge: north, east, south or west");
}

// The weapon codes of the scenario file (the game adds 11 to each).
int ParseWeapon(const SourceLine& line, std::size_t i) {
    static const std::pair<const char*, int> weapons[] = {
        {"carbine", 1}, {"breechcarbine", 2}, {"repeatcarbine", 3}, {"musket", 4},  {"riflemusket", 5}, {"breechrifle", 6},
        {"repeater", 7}, {"howitzer", 8},      {"napoleon", 9},       {"smoothbore", 9}, {"mixed", 10},      {"rifled", 11}};
    for (const auto& [word, value] : weapons)
        if (line.Is(i, word)) return value;
    line.Fail("unknown weapon \"" + line.Word(i) + "\"");
}

int ParseHexNumber(const SourceLine& line, std::size_t i) { return line.Number(i, 0, 9899); }

int ParseFire(const SourceLine& line, std::size_t i) {
    if (line.Is(i, "+")) return 1;
    if (line.Is(i, "-")) return -1;
    if (line.Is(i, "0")) return 0;
    line.Fail("a fire rating is +, - or 0");
}

bool IsIdentifier(const std::string& name) {
    if (name.empty() || name.size() > 255 || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
    return std::all_of(name.begin(), name.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

UnitKind KindOf(const SourceLine& line, std::size_t i) {
    if (line.Is(i, "infantry")) return UnitKind::Infantry;
    if (line.Is(i, "cavalry")) return UnitKind::Cavalry;
    if (line.Is(i, "artillery")) return UnitKind::Artillery;
    if (line.Is(i, "wagon")) return UnitKind::Wagon;
    if (line.Is(i, "leader")) return UnitKind::Leader;
    line.Fail("expected a unit kind: infantry, cavalry, artillery, wagon or leader");
}

void CheckName(const SourceLine& line, const std::string& name) {
    if (name.empty() || name.size() > 255) line.Fail("a name has 1 to 255 characters");
}

UnitSpec ParseUnit(const SourceLine& line) {
    UnitSpec u;
    u.kind = KindOf(line, 0);
    if (u.kind == UnitKind::Leader) line.Fail("leaders are given on their group's line");
    u.line = line.number;
    u.name = line.Text(1);
    CheckName(line, u.name);
    u.strength = u.kind == UnitKind::Wagon ? 1 : 0;
    for (std::size_t i = 2; i < line.Size(); ++i) {
        if (line.Is(i, "men") && (u.kind == UnitKind::Infantry || u.kind == UnitKind::Cavalry))
            u.strength = line.Number(++i, 1, 20000);
        else if (line.Is(i, "guns") && u.kind == UnitKind::Artillery)
            u.strength = line.Number(++i, 1, 60);
        else if (line.Is(i, "wagons") && u.kind == UnitKind::Wagon)
            u.strength = line.Number(++i, 1, 20);
        else if (line.Is(i, "tq"))
            u.tq = line.Number(++i, 1, 9);
        else if (line.Is(i, "weapon") && u.kind != UnitKind::Wagon)
            u.weapon = ParseWeapon(line, ++i);
        else if (line.Is(i, "at"))
            u.hex = ParseHexNumber(line, ++i);
        else if (line.Is(i, "facing"))
            u.facing = ParseFacing(line, ++i);
        else if (line.Is(i, "arrive"))
            u.arrival = line.Number(++i, 0, 99);
        else if (line.Is(i, "move"))
            u.move = line.Number(++i, 1, 30);
        else if (line.Is(i, "fire"))
            u.fire = ParseFire(line, ++i);
        else if (line.Is(i, "line") || line.Is(i, "unlimbered"))
            u.formation = 1;
        else if (line.Is(i, "column") || line.Is(i, "limbered"))
            u.formation = 0;
        else if (line.Is(i, "twohex"))
            u.twoHex = true;
        else
            line.Fail("unknown unit key \"" + line.Word(i) + "\"");
    }
    if (u.strength == 0) line.Fail(u.kind == UnitKind::Artillery ? "a battery needs its guns" : "a unit needs its men");
    return u;
}

GroupSpec ParseGroupHead(const SourceLine& line, int nation) {
    GroupSpec g;
    g.nation = nation;
    g.line = line.number;
    g.name = line.Word(1);
    if (line.quoted[1] || !IsIdentifier(g.name)) line.Fail("a group name is one word of letters, digits and _");
    g.leader.kind = UnitKind::Leader;
    g.leader.line = line.number;
    g.leader.strength = 1;
    for (std::size_t i = 2; i < line.Size(); ++i) {
        if (line.Is(i, "leader")) {
            g.leader.name = line.Text(++i);
            CheckName(line, g.leader.name);
        } else if (line.Is(i, "commands"))
            g.leader.commands = line.Number(++i, 0, 9);
        else if (line.Is(i, "range"))
            g.leader.range = line.Number(++i, 0, 30);
        else if (line.Is(i, "rating"))
            g.leader.rating = line.Number(++i, 0, 9);
        else if (line.Is(i, "level"))
            g.leader.level = line.Number(++i, 1, 3);
        else if (line.Is(i, "move"))
            g.leader.move = line.Number(++i, 1, 30);
        else if (line.Is(i, "at"))
            g.anchor = ParseHexNumber(line, ++i);
        else if (line.Is(i, "facing"))
            g.facing = ParseFacing(line, ++i);
        else if (line.Is(i, "arrive"))
            g.arrival = line.Number(++i, 0, 99);
        else
            line.Fail("unknown group key \"" + line.Word(i) + "\"");
    }
    if (g.leader.name.empty()) line.Fail("a group needs its leader");
    return g;
}

void ParseDefaults(const SourceLine& line, SideSpec& side) {
    const UnitKind kind = KindOf(line, 1);
    auto& values = side.defaults[kind];
    for (std::size_t i = 2; i < line.Size(); ++i) {
        const std::string& key = line.Word(i);
        if (key == "tq")
            values[key] = line.Number(++i, 1, 9);
        else if (key == "weapon")
            values[key] = ParseWeapon(line, ++i);
        else if (key == "move")
            values[key] = line.Number(++i, 1, 30);
        else if (key == "fire")
            values[key] = ParseFire(line, ++i);
        else if (key == "commands")
            values[key] = line.Number(++i, 0, 9);
        else if (key == "range")
            values[key] = line.Number(++i, 0, 30);
        else if (key == "rating")
            values[key] = line.Number(++i, 0, 9);
        else
            line.Fail("unknown default \"" + key + "\"");
    }
}

GroupSpec* FindGroup(std::vector<GroupSpec>& groups, const std::string& name) {
    for (auto& g : groups) {
        if (g.name == name) return &g;
        if (GroupSpec* inner = FindGroup(g.groups, name)) return inner;
    }
    return nullptr;
}

GroupSpec* FindGroup(BattleSpec& battle, const std::string& name) {
    for (auto& side : battle.sides)
        if (GroupSpec* g = FindGroup(side.groups, name)) return g;
    return nullptr;
}

bool RemoveGroup(std::vector<GroupSpec>& groups, const std::string& name) {
    for (auto it = groups.begin(); it != groups.end(); ++it) {
        if (it->name == name) {
            groups.erase(it);
            return true;
        }
        if (RemoveGroup(it->groups, name)) return true;
    }
    return false;
}

template <typename G, typename F>
void ForEachInTree(G& g, const F& f) {
    f(g);
    for (auto& inner : g.groups) ForEachInTree(inner, f);
}

} // namespace

int SizeOf(const UnitSpec& unit) {
    switch (unit.kind) {
    case UnitKind::Infantry:
    case UnitKind::Cavalry: return std::max(1, static_cast<int>(std::lround(unit.strength / 250.0)));
    case UnitKind::Artillery: return std::max(1, (unit.strength + 1) / 2);
    case UnitKind::Wagon: return unit.strength;
    case UnitKind::Leader: return 0;
    }
    return 0;
}

BattleSpec ParseBattle(const std::vector<SourceLine>& lines) {
    BattleSpec b;
    if (lines.empty() || !lines[0].Is(0, "battle")) throw SourceError("a battle source begins with its battle statement");
    b.source = lines[0].source;
    bool haveHome = false, haveVisitor = false, haveDate = false, haveTurns = false, haveWinner = false;
    int side = -1;
    std::vector<GroupSpec*> open;
    VariantSpec* variant = nullptr;
    for (const SourceLine& line : lines) {
        if (line.quoted[0]) line.Fail("a statement begins with a word");
        const std::string& verb = line.words[0];
        if (variant) {
            if (verb == "end")
                variant = nullptr;
            else
                variant->changes.push_back(line);
            continue;
        }
        if (verb == "battle") {
            if (&line != &lines[0]) line.Fail("a source holds one battle");
            b.index = line.Number(1, 0, 9);
            b.file = line.Word(2);
            b.title = line.Text(3);
            if (line.Size() != 4) line.Fail("battle INDEX FILE \"Title\"");
        } else if (verb == "subtitle") {
            b.subtitle = line.Text(1);
        } else if (verb == "about") {
            b.about += (b.about.empty() ? "" : " ") + line.Text(1);
        } else if (verb == "map") {
            b.mapFile = line.Word(1);
        } else if (verb == "date") {
            b.year = line.Number(1, 1800, 2055);
            b.month = line.Number(2, 1, 12);
            b.day = line.Number(3, 1, 31);
            b.hour = line.Number(4, 0, 23);
            haveDate = true;
        } else if (verb == "turns") {
            b.turns = line.Number(1, 1, 99);
            b.turnsFixed = line.Is(2, "fixed");
            haveTurns = true;
        } else if (verb == "winner") {
            b.winner = ParseNation(line, 1);
            haveWinner = true;
        } else if (verb == "home" || verb == "visitor") {
            const int nation = ParseNation(line, 1);
            if (!line.Is(2, "edge") || !line.Is(4, "target") || line.Size() != 6)
                line.Fail(verb + " NATION edge DIRECTION target POINTS");
            const int edge = ParseEdge(line, 3);
            const int target = line.Number(5, 0, 32767);
            if (verb == "home") {
                b.homeNation = nation, b.homeEdge = edge, b.homeTarget = target, haveHome = true;
            } else {
                b.visitingNation = nation, b.visitingEdge = edge, b.visitingTarget = target, haveVisitor = true;
            }
        } else if (verb == "script") {
            const int nation = ParseNation(line, 1);
            const std::string& name = line.Word(2);
            if (name.empty() || name.size() > 99) line.Fail("a script name has 1 to 99 characters");
            b.scripts[static_cast<std::size_t>(nation)].push_back(name);
        } else if (verb == "side") {
            if (!open.empty()) line.Fail("the groups before this side lack their end");
            side = ParseNation(line, 1);
        } else if (verb == "facing" && open.empty()) {
            if (side < 0) line.Fail("a facing belongs to a side");
            b.sides[static_cast<std::size_t>(side)].facing = ParseFacing(line, 1);
        } else if (verb == "defaults") {
            if (side < 0) line.Fail("defaults belong to a side");
            ParseDefaults(line, b.sides[static_cast<std::size_t>(side)]);
        } else if (verb == "group") {
            if (side < 0) line.Fail("a group belongs to a side");
            GroupSpec g = ParseGroupHead(line, side);
            auto& into = open.empty() ? b.sides[static_cast<std::size_t>(side)].groups : open.back()->groups;
            into.push_back(std::move(g));
            open.push_back(&into.back());
        } else if (verb == "end") {
            if (open.empty()) line.Fail("an end without its group");
            open.pop_back();
        } else if (verb == "infantry" || verb == "cavalry" || verb == "artillery" || verb == "wagon") {
            if (open.empty()) line.Fail("a unit belongs to a group");
            open.back()->units.push_back(ParseUnit(line));
        } else if (verb == "variant") {
            if (!open.empty()) line.Fail("the groups before this variant lack their end");
            VariantSpec v;
            v.scenarioFile = line.Word(1);
            v.variantFile = line.Word(2);
            v.listTitle = line.Text(3);
            if (line.Size() != 4) line.Fail("variant FILE.SCN FILE.VAR \"List title\"");
            b.variants.push_back(std::move(v));
            variant = &b.variants.back();
        } else {
            line.Fail("unknown statement \"" + verb + "\"");
        }
    }
    const SourceLine& first = lines[0];
    if (!open.empty()) first.Fail("a group lacks its end");
    if (variant) first.Fail("a variant lacks its end");
    if (!haveHome || !haveVisitor || b.homeNation == b.visitingNation) first.Fail("a battle needs a home and a visiting nation");
    if (!haveDate || !haveTurns || !haveWinner) first.Fail("a battle needs its date, turns and winner");
    if (b.mapFile.empty() || b.mapFile.size() > 31) first.Fail("a battle needs a map file name of at most 31 characters");
    for (int n = 0; n < 2; ++n)
        if (b.sides[static_cast<std::size_t>(n)].groups.empty()) first.Fail("each nation needs an order of battle");
    // Group names must tell the groups apart, for the scripts.
    // Leaders' names too: the game finds a leader by name when a player takes it over.
    std::set<std::string> names, leaders;
    int number = 1;
    for (auto& s : b.sides)
        for (auto& g : s.groups)
            ForEachInTree(g, [&](GroupSpec& each) {
                if (!names.insert(each.name).second)
                    throw SourceError(b.source + ":" + std::to_string(each.line) + ": group " + each.name + " is named twice");
                if (!leaders.insert(each.leader.name).second)
                    throw SourceError(b.source + ":" + std::to_string(each.line) + ": " + each.leader.name + " leads two groups");
                each.number = number++;
            });
    return b;
}

BattleSpec ParseBattleText(const std::string& text, const std::string& sourceName) {
    return ParseBattle(SplitSource(text, sourceName));
}

BattleSpec ApplyVariant(const BattleSpec& battle, const VariantSpec& variant) {
    BattleSpec b = battle;
    b.file = variant.scenarioFile;
    b.variants.clear();
    for (const SourceLine& line : variant.changes) {
        const std::string& verb = line.Word(0);
        auto group = [&]() -> GroupSpec& {
            GroupSpec* g = FindGroup(b, line.Word(1));
            if (!g) line.Fail("no group is named " + line.Word(1));
            return *g;
        };
        if (verb == "title") {
            b.title = line.Text(1);
        } else if (verb == "arrive") {
            const int turn = line.Number(2, 0, 99);
            ForEachInTree(group(), [turn](GroupSpec& g) {
                g.arrival = turn;
                for (auto& u : g.units) u.arrival.reset();
            });
        } else if (verb == "remove") {
            group();
            for (auto& s : b.sides) RemoveGroup(s.groups, line.Word(1));
        } else if (verb == "at") {
            GroupSpec& g = group();
            const int hex = line.Number(2, 0, 9899);
            ForEachInTree(g, [](GroupSpec& each) {
                each.anchor.reset();
                for (auto& u : each.units) u.hex.reset();
            });
            g.anchor = hex;
        } else if (verb == "turns") {
            b.turns = line.Number(1, 1, 99);
        } else if (verb == "hour") {
            b.hour = line.Number(1, 0, 23);
        } else if (verb == "target") {
            const int nation = ParseNation(line, 1);
            (nation == b.homeNation ? b.homeTarget : b.visitingTarget) = line.Number(2, 0, 32767);
        } else {
            line.Fail("unknown variant change \"" + verb + "\"");
        }
    }
    return b;
}

namespace {

// Places the units of one battle on its map, group by group.
class Builder {
public:
    Builder(const BattleSpec& battle, const BattleMap& map) : b_(battle), map_(map) {}

    datagen::ScenarioDraft Build() {
        datagen::ScenarioDraft d;
        d.head = {};
        d.head[4] = 4; // the custom-scenario list knows a scenario by its head: u32 0, then u32 4
        d.title = b_.title;
        d.secondText = b_.subtitle;
        d.opaque.assign(b_.about.begin(), b_.about.end());
        d.mapName = b_.mapFile;
        d.homeNation = static_cast<std::uint8_t>(b_.homeNation);
        d.visitingNation = static_cast<std::uint8_t>(b_.visitingNation);
        d.homeEdge = static_cast<std::uint8_t>(b_.homeEdge);
        d.visitingEdge = static_cast<std::uint8_t>(b_.visitingEdge);
        d.homeTarget = static_cast<std::int16_t>(b_.homeTarget);
        d.visitingTarget = static_cast<std::int16_t>(b_.visitingTarget);
        d.homeScripts = b_.scripts[static_cast<std::size_t>(b_.homeNation)];
        d.visitingScripts = b_.scripts[static_cast<std::size_t>(b_.visitingNation)];
        if (d.homeScripts.empty() || d.visitingScripts.empty()) Fail(0, "each nation needs a script");
        d.turnLimitChoice = b_.turnsFixed ? 0 : 1;
        d.turnLimit = static_cast<std::int16_t>(b_.turns);
        d.defaultWinner = b_.winner == b_.homeNation ? 1 : 0;
        d.month = static_cast<std::uint16_t>(b_.month);
        d.day = static_cast<std::uint16_t>(b_.day);
        d.year = static_cast<std::uint16_t>(b_.year - 1800);
        d.hour = static_cast<std::uint16_t>(b_.hour);

        // Explicit hexes first, so that gathering units never takes a hex a unit was given.
        for (int nation = 0; nation < 2; ++nation)
            for (const auto& g : b_.sides[static_cast<std::size_t>(nation)].groups) ClaimExplicit(g);
        for (int nation = 0; nation < 2; ++nation)
            for (const auto& g : b_.sides[static_cast<std::size_t>(nation)].groups)
                Emit(d, g, nation, -1, 0, std::nullopt, std::nullopt, std::nullopt);
        return d;
    }

private:
    [[noreturn]] void Fail(int line, const std::string& message) const {
        throw SourceError(b_.source + ":" + std::to_string(line) + ": " + message);
    }

    bool Fits(const UnitSpec& u, Hex h) const {
        if (!map_.Inside(h) || map_.IsHalfHex(h) || map_.Ground(h) == code::River) return false;
        if (u.kind == UnitKind::Wagon && map_.Ground(h) == code::Rough) return false;
        return true;
    }

    void Claim(const UnitSpec& u, int hex) {
        const Hex h = Hex::FromNumber(hex);
        if (!Fits(u, h)) Fail(u.line, u.name + " cannot stand on hex " + std::to_string(hex));
        if (!taken_.insert(hex).second) Fail(u.line, u.name + " is put on hex " + std::to_string(hex) + ", which is taken");
    }

    void ClaimExplicit(const GroupSpec& g) {
        if (g.anchor) Claim(g.leader, *g.anchor);
        for (const auto& u : g.units)
            if (u.hex) Claim(u, *u.hex);
        for (const auto& inner : g.groups) ClaimExplicit(inner);
    }

    // The nearest free hex to the anchor that the unit may stand on, spreading over dry land.
    int Gather(const UnitSpec& u, std::optional<int> anchor) {
        if (!anchor) Fail(u.line, u.name + " has no hex and its group no place to gather");
        const Hex start = Hex::FromNumber(*anchor);
        if (!map_.Inside(start)) Fail(u.line, "the group's hex " + std::to_string(*anchor) + " lies off the map");
        std::deque<Hex> queue{start};
        std::set<int> seen{start.Number()};
        while (!queue.empty()) {
            const Hex h = queue.front();
            queue.pop_front();
            if (Fits(u, h) && !taken_.count(h.Number())) {
                taken_.insert(h.Number());
                return h.Number();
            }
            for (int side : kSides) {
                const Hex n = Neighbour(h, side);
                if (map_.Inside(n) && map_.Ground(n) != code::River && seen.insert(n.Number()).second) queue.push_back(n);
            }
        }
        Fail(u.line, "no room on the map for " + u.name);
    }

    int Default(int nation, UnitKind kind, const char* key, std::optional<int> given, int fallback) const {
        if (given) return *given;
        const auto& defaults = b_.sides[static_cast<std::size_t>(nation)].defaults;
        if (auto k = defaults.find(kind); k != defaults.end())
            if (auto v = k->second.find(key); v != k->second.end()) return v->second;
        return fallback;
    }

    // The loader moves a late group's arrival by up to two turns either way and stops at turn 0:
    // a unit due on turn 1 or 2 could end up due on turn 0 while it is still held off the map.
    void CheckArrival(const UnitSpec& u, int turn) const {
        if (turn == 1 || turn == 2) Fail(u.line, u.name + " arrives on turn " + std::to_string(turn) + "; reinforcements come on turn 3 or later");
    }

    static std::uint16_t Region(int hex) { return static_cast<std::uint16_t>(hex + kRegionOffset); }

    void Emit(datagen::ScenarioDraft& d, const GroupSpec& g, int nation, int superior, int depth,
              std::optional<int> parentAnchor, std::optional<int> parentFacing, std::optional<int> parentArrival) {
        const int number = g.number;
        d.groups.push_back({static_cast<std::int16_t>(number), g.name});
        const std::optional<int> anchor = g.anchor ? g.anchor : parentAnchor;
        const std::optional<int> facing = g.facing ? g.facing : parentFacing;
        const std::optional<int> arrival = g.arrival ? g.arrival : parentArrival;
        const int sideFacing = b_.sides[static_cast<std::size_t>(nation)].facing.value_or(3);

        const int level = g.leader.level.value_or(depth == 0 ? 1 : g.groups.empty() ? 3 : 2);
        const bool union_ = nation == 0;
        const std::int16_t leaderArt = level < 3 ? (union_ ? art::UnionCorps : art::ConfederateCorps)
                                                 : (union_ ? art::UnionDivision : art::ConfederateDivision);
        const int leaderHex = g.anchor ? *g.anchor : Gather(g.leader, anchor);
        auto leader = datagen::LeaderRecord(g.leader.name, static_cast<std::uint32_t>(nation), Region(leaderHex), leaderArt,
                                            static_cast<std::int16_t>(number), static_cast<std::int16_t>(superior),
                                            static_cast<std::uint8_t>(level - 1));
        const bool cavalryCommand = !g.units.empty() && std::all_of(g.units.begin(), g.units.end(), [](const UnitSpec& u) {
            return u.kind == UnitKind::Cavalry;
        });
        leader.commands = static_cast<std::uint16_t>(Default(nation, UnitKind::Leader, "commands", g.leader.commands, 3));
        leader.commandRange = static_cast<std::uint16_t>(Default(nation, UnitKind::Leader, "range", g.leader.range, 6));
        leader.extraRating1 = static_cast<std::uint16_t>(Default(nation, UnitKind::Leader, "rating", g.leader.rating, 1));
        leader.movement = static_cast<std::uint16_t>(Default(nation, UnitKind::Leader, "move", g.leader.move, cavalryCommand ? 8 : 6));
        leader.facing = static_cast<std::uint32_t>(facing.value_or(sideFacing));
        leader.arrival = static_cast<std::uint32_t>(arrival.value_or(0));
        d.units.push_back(leader);

        CheckArrival(g.leader, static_cast<int>(leader.arrival));
        for (const UnitSpec& u : g.units) {
            datagen::UnitRecordDraft r;
            const int hex = u.hex ? *u.hex : Gather(u, anchor);
            const int unitArrival = u.arrival.value_or(arrival.value_or(0));
            CheckArrival(u, unitArrival);
            r.name = u.name;
            r.side = static_cast<std::uint32_t>(nation);
            r.region = Region(hex);
            r.group = static_cast<std::int16_t>(number);
            r.arrival = static_cast<std::uint32_t>(unitArrival);
            r.facing = static_cast<std::uint32_t>(u.facing.value_or(facing.value_or(sideFacing)));
            r.size = static_cast<std::uint16_t>(SizeOf(u));
            r.twoHex = u.twoHex ? 1 : 0;
            // Units already on the field stand deployed; those still to come march in.
            const int deployed = unitArrival == 0 ? 1 : 0;
            switch (u.kind) {
            case UnitKind::Infantry:
                r.kindWord = 1;
                r.artIndex = union_ ? art::UnionInfantry : art::ConfederateInfantry;
                r.troopQuality = static_cast<std::uint16_t>(Default(nation, u.kind, "tq", u.tq, 5));
                r.weaponCode = static_cast<std::uint32_t>(Default(nation, u.kind, "weapon", u.weapon, 5));
                r.movement = static_cast<std::uint16_t>(Default(nation, u.kind, "move", u.move, 4));
                r.initialFormation = static_cast<std::uint8_t>(u.formation.value_or(deployed));
                break;
            case UnitKind::Cavalry:
                r.kindWord = 2;
                r.artIndex = union_ ? art::UnionCavalry : art::ConfederateCavalry;
                r.troopQuality = static_cast<std::uint16_t>(Default(nation, u.kind, "tq", u.tq, 5));
                r.weaponCode = static_cast<std::uint32_t>(Default(nation, u.kind, "weapon", u.weapon, 1));
                r.movement = static_cast<std::uint16_t>(Default(nation, u.kind, "move", u.move, 8));
                r.initialFormation = static_cast<std::uint8_t>(u.formation.value_or(1));
                break;
            case UnitKind::Artillery:
                r.kindWord = 3;
                r.artIndex = union_ ? art::UnionBattery : art::ConfederateBattery;
                r.troopQuality = static_cast<std::uint16_t>(Default(nation, u.kind, "tq", u.tq, 5));
                r.weaponCode = static_cast<std::uint32_t>(Default(nation, u.kind, "weapon", u.weapon, 9));
                r.movement = static_cast<std::uint16_t>(Default(nation, u.kind, "move", u.move, 5));
                r.initialFormation = static_cast<std::uint8_t>(u.formation.value_or(deployed));
                break;
            case UnitKind::Wagon:
                r.kindWord = 4;
                r.artIndex = union_ ? art::UnionWagon : art::ConfederateWagon;
                r.troopQuality = static_cast<std::uint16_t>(Default(nation, u.kind, "tq", u.tq, 2));
                r.movement = static_cast<std::uint16_t>(Default(nation, u.kind, "move", u.move, 4));
                break;
            case UnitKind::Leader: break;
            }
            if (u.kind != UnitKind::Wagon)
                r.fireRating = static_cast<std::int16_t>(Default(nation, u.kind, "fire", u.fire, 0));
            d.units.push_back(r);
        }
        for (const GroupSpec& inner : g.groups) Emit(d, inner, nation, number, depth + 1, anchor, facing, arrival);
    }

    const BattleSpec& b_;
    const BattleMap& map_;
    std::set<int> taken_;
};

} // namespace

std::string GroupNumberConstants(const BattleSpec& battle) {
    std::string out = "' Group numbers of " + battle.title + ", made by the data generator from " + battle.file + ".\n";
    std::vector<std::string> entries;
    for (const auto& side : battle.sides)
        for (const auto& g : side.groups)
            ForEachInTree(g, [&](const GroupSpec& each) {
                entries.push_back("GRP_" + each.name + " " + std::to_string(each.number));
            });
    out += "const";
    for (std::size_t i = 0; i < entries.size(); ++i) out += (i ? ",\n  " : " ") + entries[i];
    return out + ";\n";
}

std::string GroupNumberFile(const BattleSpec& battle) {
    return battle.file.substr(0, battle.file.find('.')) + ".INC";
}

datagen::ScenarioDraft BuildScenario(const BattleSpec& battle, const BattleMap& map) {
    if (battle.mapFile != map.file) throw SourceError(battle.source + ": the battle's map " + battle.mapFile + " is not " + map.file);
    return Builder(battle, map).Build();
}

BuiltBattle BuildPlain(const BattleSpec& battle, const BattleMap& map) {
    return {battle.file, BuildScenario(battle, map)};
}

std::vector<BuiltVariant> BuildVariants(const BattleSpec& battle, const BattleMap& map) {
    std::vector<BuiltVariant> out;
    for (const VariantSpec& v : battle.variants) {
        BuiltVariant built;
        built.variantFile = v.variantFile;
        built.variant.scenarioIndex = battle.index;
        built.variant.scenarioFile = v.scenarioFile;
        built.variant.detailsNumber = 1;
        built.variant.title = v.listTitle;
        const BattleSpec changed = ApplyVariant(battle, v);
        built.battle = {v.scenarioFile, BuildScenario(changed, map)};
        out.push_back(std::move(built));
    }
    return out;
}

} // namespace battlegen
