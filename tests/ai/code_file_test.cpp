#include "game/ai/code.h"

#include "script_rig.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Values = std::vector<std::int32_t>;

std::string readBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

std::int32_t i32At(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return static_cast<std::int32_t>(v);
}

std::string le32(std::int32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
    return s;
}

const char* const SCRIPT =
    "P {\n"
    " var n;\n"
    " procedure Go(x) { Out((x + n)); };\n"
    " Conditions { n = n + 10; };\n"
    " Orders for Left { n Go(1); };\n"
    " Orders for Right { n Go(2); };\n"
    " Exceptions { Go(3); };\n"
    " Exceptions for Left { Go(4); };\n"
    " Exceptions for Centre { Go(5); };\n"
    "}\n";

// Every table of SCRIPT in a fixed order, as the computer player would run them.
Values runAll(ScriptRig& rig) {
    rig.owner.out.clear();
    EXPECT_EQ(rig.interpreter.RunProgram(), 1);
    EXPECT_EQ(rig.interpreter.RunConditions(), 1);
    EXPECT_EQ(rig.interpreter.RunOrders("Left"), 1);
    EXPECT_EQ(rig.interpreter.RunOrders("Right"), 1);
    EXPECT_EQ(rig.interpreter.RunExceptions(), 1);
    EXPECT_EQ(rig.interpreter.RunGroupExceptions("Left"), 1);
    EXPECT_EQ(rig.interpreter.RunGroupExceptions("Centre"), 1);
    EXPECT_EQ(rig.interpreter.RunConditions(), 1);
    EXPECT_EQ(rig.interpreter.RunOrders("Right"), 1);
    return rig.owner.out;
}

std::vector<std::string> groups(const std::list<ORDERS_INFO>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.group);
    return names;
}

TEST(CodeFile, CompileSaveLoadRunGivesTheSameResults) {
    ScriptRig compiled;
    ASSERT_EQ(compiled.Compile(SCRIPT), 1) << compiled.Describe();
    const std::string file = compiled.dir.File("script.cod");
    ASSERT_EQ(compiled.code.Save(file), 1);
    Values expected = runAll(compiled);
    EXPECT_EQ(expected, (Values{11, 12, 13, 14, 15, 22}));

    ScriptRig loaded;
    ASSERT_EQ(loaded.code.Load(file), 1u);
    EXPECT_EQ(runAll(loaded), expected);
    EXPECT_EQ(loaded.code.CellCount(), compiled.code.CellCount());
    EXPECT_EQ(Values(loaded.code.Cells(), loaded.code.Cells() + loaded.code.CellCount()),
              Values(compiled.code.Cells(), compiled.code.Cells() + compiled.code.CellCount()));
    EXPECT_EQ(loaded.code.ConditionsEntry(), compiled.code.ConditionsEntry());
    EXPECT_EQ(loaded.code.ExceptionsEntry(), compiled.code.ExceptionsEntry());
    // The loader puts every entry at the front, so both lists come back reversed.
    EXPECT_EQ(groups(compiled.code.OrdersEntries()), (std::vector<std::string>{"Left", "Right"}));
    EXPECT_EQ(groups(loaded.code.OrdersEntries()), (std::vector<std::string>{"Right", "Left"}));
    EXPECT_EQ(groups(compiled.code.ExceptionsEntries()), (std::vector<std::string>{"Centre", "Left"}));
    EXPECT_EQ(groups(loaded.code.ExceptionsEntries()), (std::vector<std::string>{"Left", "Centre"}));

    // Saved again, the loaded code gives a file that loads to the same code once more.
    const std::string again = loaded.dir.File("again.cod");
    ASSERT_EQ(loaded.code.Save(again), 1);
    ScriptRig third;
    ASSERT_EQ(third.code.Load(again), 1u);
    EXPECT_EQ(runAll(third), expected);
}

TEST(CodeFile, LayoutIsLittleEndianFieldByField) {
    ScriptRig rig;
    ASSERT_EQ(rig.Compile(SCRIPT), 1);
    const std::string file = rig.dir.File("script.cod");
    ASSERT_EQ(rig.code.Save(file), 1);
    const std::string bytes = readBytes(file);

    EXPECT_EQ(i32At(bytes, 0), rig.code.ConditionsEntry());
    EXPECT_EQ(i32At(bytes, 4), rig.code.ExceptionsEntry());
    EXPECT_EQ(i32At(bytes, 8), 2);  // group Exceptions
    std::size_t at = 12;
    std::vector<std::string> names;
    for (int list = 0; list < 2; ++list) {
        if (list == 1) {
            EXPECT_EQ(i32At(bytes, at), 2);  // group Orders
            at += 4;
        }
        for (int i = 0; i < 2; ++i) {
            auto n = static_cast<unsigned char>(bytes[at]);
            names.push_back(bytes.substr(at + 1, n));
            EXPECT_EQ(bytes[at + 1 + n], '\0');
            std::int32_t entry;
            std::int32_t address = i32At(bytes, at + 2 + n);
            if (list == 0) {
                ASSERT_TRUE(rig.code.FindExceptions(names.back(), entry));
            } else {
                ASSERT_TRUE(rig.code.FindOrders(names.back(), entry));
            }
            EXPECT_EQ(address, entry);
            at += 2 + n + 4;
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Centre", "Left", "Left", "Right"}));
    // The whole cell array follows: a multiple of 2000 cells, however short the program.
    ASSERT_EQ(bytes.size() - at, static_cast<std::size_t>(CODE_GROWTH) * 4);
    for (std::int32_t i = 0; i < 50; ++i) EXPECT_EQ(i32At(bytes, at + 4 * i), rig.code.Cell(i));
}

TEST(CodeFile, OnlyValidCodeIsSaved) {
    TempDir dir;
    Code code;
    EXPECT_EQ(code.Save(dir.File("never.cod")), 0);
    code.SetCell(0, OP_END);
    EXPECT_EQ(code.Save(dir.File("never.cod")), 0);
    code.SetValid(1);
    EXPECT_EQ(code.Save(dir.File("no/such/dir/x.cod")), 0);
    EXPECT_EQ(code.Save(dir.File("ok.cod")), 1);
}

TEST(CodeFile, LongGroupNamesReadBackWhole) {
    TempDir dir;
    Code code;
    code.SetCell(0, OP_END);
    code.SetValid(1);
    const std::string name(200, 'g');
    code.AddOrders(name, 0);
    code.AddExceptions(std::string(255, 'h'), 0);
    ASSERT_EQ(code.Save(dir.File("long.cod")), 1);
    Code loaded;
    ASSERT_EQ(loaded.Load(dir.File("long.cod")), 1u);
    std::int32_t entry = -1;
    EXPECT_EQ(loaded.FindOrders(name, entry), 1);
    EXPECT_EQ(loaded.FindExceptions(std::string(255, 'h'), entry), 1);

    code.AddOrders(std::string(256, 'x'), 0);
    EXPECT_EQ(code.Save(dir.File("toolong.cod")), 0);
}

TEST(CodeFile, GroupLookupIsCaseSensitive) {
    Code code;
    code.AddOrders("Left", 7);
    code.AddExceptions("Left", 9);
    std::int32_t entry = -1;
    EXPECT_EQ(code.FindOrders("left", entry), 0);
    EXPECT_EQ(code.FindOrders("Left", entry), 1);
    EXPECT_EQ(entry, 7);
    EXPECT_EQ(code.FindExceptions("LEFT", entry), 0);
    EXPECT_EQ(code.FindExceptions("Left", entry), 1);
    EXPECT_EQ(entry, 9);
    code.Reset();
    EXPECT_EQ(code.FindOrders("Left", entry), 0);
}

// A file with two group Exceptions records and one END.
std::string handMade(const std::string& first, const std::string& second) {
    auto record = [](const std::string& name) { return std::string(1, static_cast<char>(name.size())) + name + '\0' + le32(0); };
    std::string b = le32(0) + le32(-1) + le32(2) + record(first) + record(second) + le32(0) + le32(OP_END);
    return b + std::string(static_cast<std::size_t>(CODE_GROWTH - 1) * 4, '\0');
}

TEST(CodeFile, HandMadeFileLoads) {
    TempDir dir;
    Code code;
    ASSERT_EQ(code.Load(dir.Write("hand.cod", handMade("A", "B"))), 1u);
    std::int32_t entry = -1;
    EXPECT_EQ(code.FindExceptions("B", entry), 1);
}

TEST(CodeFile, DamagedFilesAreRefused) {
    ScriptRig rig;
    ASSERT_EQ(rig.Compile(SCRIPT), 1);
    const std::string good = rig.dir.File("good.cod");
    ASSERT_EQ(rig.code.Save(good), 1);
    const std::string bytes = readBytes(good);
    const std::size_t cells = bytes.size() - static_cast<std::size_t>(CODE_GROWTH) * 4;

    // The first group record starts at 12: length byte, name, zero, address.
    const std::size_t firstName = 13;
    const auto firstLength = static_cast<unsigned char>(bytes[12]);
    auto replaced = [&](std::size_t at, const std::string& with) {
        std::string b = bytes;
        b.replace(at, with.size(), with);
        return b;
    };

    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"cut in the first address", bytes.substr(0, 3)},
        {"cut in a count", bytes.substr(0, 10)},
        {"cut in a record", bytes.substr(0, 15)},
        {"cut before the cells", bytes.substr(0, cells)},
        {"cut inside a cell", bytes.substr(0, bytes.size() - 2)},
        {"cut at a cell", bytes.substr(0, bytes.size() - 4)},
        {"cells added", bytes + le32(0)},
        {"negative count", replaced(8, le32(-1))},
        {"count beyond the file", replaced(8, le32(0x10000000))},
        {"name without its zero", replaced(firstName + firstLength, "x")},
        {"empty name", replaced(12, std::string(1, '\0'))},
        {"Conditions beyond the code", replaced(0, le32(CODE_GROWTH))},
        {"Conditions negative", replaced(0, le32(-2))},
        {"Exceptions beyond the code", replaced(4, le32(1 << 30))},
        {"group entry beyond the code", replaced(firstName + firstLength + 1, le32(CODE_GROWTH + 5))},
        {"group entry none", replaced(firstName + firstLength + 1, le32(-1))},
        {"same group twice", handMade("A", "A")},
        {"too many cells", bytes + std::string(static_cast<std::size_t>(CODE_MAX_CELLS) * 4, '\0')},
    };
    for (const auto& c : cases) {
        const std::string file = rig.dir.Write("bad.cod", c.bytes);
        ScriptRig other;
        ASSERT_EQ(other.code.Load(good), 1u) << c.what;
        EXPECT_EQ(other.code.Load(file), 0u) << c.what;
        EXPECT_EQ(other.code.IsValid(), 0u) << c.what;
        EXPECT_EQ(other.code.ConditionsEntry(), -1) << c.what;
        EXPECT_TRUE(other.code.OrdersEntries().empty()) << c.what;
        EXPECT_EQ(other.interpreter.RunProgram(), 0) << c.what;
        EXPECT_EQ(other.interpreter.RunConditions(), -1) << c.what;
    }
    ScriptRig missing;
    EXPECT_EQ(missing.code.Load(rig.dir.File("absent.cod")), 0u);
}

TEST(CodeFile, HostileCellsLoadButNeverCrashARun) {
    // A file whose cells are nonsense is well formed; running it must fail cleanly.
    std::string bytes = le32(0) + le32(-1) + le32(0) + le32(0);
    for (int i = 0; i < CODE_GROWTH; ++i) bytes += le32(i % 3 == 0 ? OP_CALLBUILTIN : (i * 7919) % 200 - 100);
    TempDir dir;
    writeBytes(dir.File("junk.cod"), bytes);
    ScriptRig rig;
    ASSERT_EQ(rig.code.Load(dir.File("junk.cod")), 1u);
    EXPECT_EQ(rig.interpreter.RunConditions(), 0);
    EXPECT_NE(rig.interpreter.LastFault(), ScriptFault::None);
}

} // namespace
