// Network play as two people meet it: two `varnhold` processes on this machine, each with its own
// configuration directory and data, driven by scripts through the Multiplayer button, the session
// transport's dialogs, the lobby, the leader choice and the game options into the battle, with
// chat lines both ways. The host's session hub listens on the loopback address at a port of the
// test's own choosing.
#include "tests/e2e/e2e_fixture.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <set>
#include <thread>

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

// A port nobody listens on now: the system's choice for a socket bound to port 0.
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool WaitForFile(const std::string& path, int seconds) {
    const auto until = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < until) {
        if (fs::exists(path)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return fs::exists(path);
}

// The message boxes the program showed, from its error output (the headless backend notes each).
std::vector<std::string> Boxes(const std::string& err) {
    std::vector<std::string> out;
    std::istringstream lines(err);
    std::string line;
    while (std::getline(lines, line))
        if (line.find("[message box]") != std::string::npos) out.push_back(line);
    return out;
}

std::string ChatPane(const std::string& windowsFile) {
    bool inChat = false;
    for (const ShownWindow& w : ReadWindows(windowsFile)) {
        if (w.depth == 0) inChat = w.text == "Player Chat";
        else if (inChat && w.cls == "RichEdit") return w.text;
    }
    return "<no chat window>";
}

// One player's machine: a directory with its data copy, home, script and output.
struct Machine {
    std::string dir;
    std::thread run;
    int status = -2;

    std::string File(const std::string& name) const { return dir + "/" + name; }
    void Start(const std::string& environment, int timeoutSeconds) {
        const std::string command = "cd '" + dir + "' && env -u VARNHOLD_SCRIPT VARNHOLD_HOME='" + dir + "/home' " +
                                    environment + " timeout -k 5 " + std::to_string(timeoutSeconds) + " '" +
                                    VH_E2E_BINARY + "' --headless --data data --script script.txt > out.txt 2> err.txt";
        run = std::thread([this, command] {
            const int s = std::system(command.c_str());
            status = (s == -1 || !WIFEXITED(s)) ? -1 : WEXITSTATUS(s);
        });
    }
    void Join() {
        if (run.joinable()) run.join();
    }
};

class NetworkProgram : public RealProgram {
protected:
    void SetUp() override {
        RealProgram::SetUp();
        if (HasFatalFailure()) return;
        host.dir = root;
        // Short names: the program refuses data directories on very long paths.
        joiner.dir = root + "/j";
        fs::create_directories(joiner.dir + "/home");
        std::error_code ec;
        fs::copy(root + "/data", joiner.dir + "/data", fs::copy_options::recursive, ec);
        ASSERT_FALSE(ec) << ec.message();
        port = FreePort();
        ASSERT_GT(port, 0);
    }
    void TearDown() override {
        host.Join();
        joiner.Join();
    }

    static void Write(const Machine& m, const std::string& script) {
        std::ofstream out(m.File("script.txt"));
        out << script;
    }
    std::string HostEnvironment() const {
        return "VARNHOLD_SESSION_LOOPBACK=1 VARNHOLD_SESSION_PORT=" + std::to_string(port);
    }
    std::string JoinerEnvironment() const { return "VARNHOLD_SESSION_HOST=127.0.0.1:" + std::to_string(port); }

    // The host's way from the main menu into its lobby, where it waits with a scenario chosen:
    // the one the scenario map preselects, or the one a click on the map chooses.
    static std::string HostToLobby(const std::string& pickScenario = "") {
        return R"(wait-control 103 "&Multiplayer" 120000
click-control 103
wait-window "Enter Your Name"
key H
key RETURN
wait-window "Choose Connection Type"
key RETURN
wait-window "Choose Game To Join"
key RETURN
wait-window "Choose Session Name"
key RETURN
wait-window "Connecting Other Players"
click-control 102
wait-window "Choose Scenario"
)" + pickScenario + R"(click-control 1
wait-window "Choose Variant"
key RETURN
wait-gone "Choose Scenario"
windows lobby.txt
)";
    }
    // The joining player's way into the host's lobby (which the host may close at once). From
    // there its scripts wait for a window that stays until they act on it (the battle, or a box
    // to dismiss), never for the leader choice: the joiner's choice closes with the host's OK, and
    // a joiner that loads the scenario slowly may run every relayed choice and that OK before its
    // script looks, so the choice can come and go unseen.
    static std::string JoinerToLobby() {
        return R"(wait-control 103 "&Multiplayer" 120000
click-control 103
wait-window "Enter Your Name"
key J
key RETURN
wait-window "Choose Connection Type"
key RETURN
wait-window "Choose Game To Join"
key DOWN
key RETURN
wait-window "Locate Remote Game"
key RETURN
)";
    }
    // The host starts once the joiner is in its lobby, and gives the second side's leaders to
    // the joiner: each box's list is dropped by a click, and "j" is taken from it by a click on
    // its row, or by the keys (one box closed with Escape and dropped again with Alt+Down). The
    // host's choice opens only once the joiner has loaded the scenario as well, which a loaded
    // machine takes long for: hence the long wait for it.
    static std::string HostStartsAndChoosesLeaders(int secondSideLeaders = 10) {
        std::string s = "wait-enabled 1 180000\nclick-control 1\nwait-window \"Select a Player to Control Each Leader\" 240000\n";
        for (int i = 0; i < secondSideLeaders; ++i) {
            const std::string id = std::to_string(539 + i);
            s += "click-control " + id + "\n";
            if (i == 1) s += "key ESCAPE\nkey-down ALT\nkey DOWN\nkey-up ALT\n";
            s += i % 2 ? "key DOWN\nkey RETURN\n" : "click-list " + id + " \"j\"\n";
            s += "wait-control " + id + " \"j\" 10000\n";
        }
        s += "windows leaders.txt\nclick-control 1\nwait-window \"Game Options\" 120000\nwait-enabled 1 120000\nclick-control 1\n";
        return s;
    }
    static std::string SayInChat(const std::string& word) {
        std::string s = "click-control 105\nclick-control 107\n";
        for (char c : word) s += std::string("key ") + c + "\n";
        return s + "click-control 108\n";
    }

    // Starts the host, then the joiner once the host's lobby is open (the host's script dumps
    // its windows into `lobbyFile` there).
    void StartBoth(int timeoutSeconds, const std::string& lobbyFile = "lobby.txt") {
        host.Start(HostEnvironment(), timeoutSeconds);
        ASSERT_TRUE(WaitForFile(host.File(lobbyFile), 240)) << ReadAll(host.File("err.txt"));
        joiner.Start(JoinerEnvironment(), timeoutSeconds);
    }
    // From the main menu, the saved game the "Load Game" list shows first (each machine here
    // holds one: its network autosave) is opened.
    static std::string LoadTheSavedGame() {
        return R"(wait-control 103 "&Multiplayer" 120000
click-control 101
wait-window "Load Game"
click-control 11
key DOWN
wait-enabled 1
click-control 1
wait-gone "Load Game"
)";
    }

    Machine host, joiner;
    int port = 0;
};

constexpr const char* kBattle = "Brandy Station - Turn 1";

// A saved game's header keeps the offsets of the blocks the components append: slot 0 the
// landscape's, slot 1 the physical layer's (units on the map), slot 2 the logical layer's, slot 4
// the network block (each machine's names its own player and its part in the session).
std::uint32_t Slot(const std::string& bytes, int slot) {
    std::uint32_t v = 0;
    if (bytes.size() >= static_cast<std::size_t>(slot) * 4 + 4) std::memcpy(&v, bytes.data() + slot * 4, 4);
    return v;
}

// The block that starts at the slot's offset and runs to the next block or the end.
std::string Block(const std::string& bytes, int slot) {
    const std::uint32_t at = Slot(bytes, slot);
    std::uint32_t end = static_cast<std::uint32_t>(bytes.size());
    for (int k = 0; k < 5; ++k)
        if (Slot(bytes, k) > at && Slot(bytes, k) < end) end = Slot(bytes, k);
    return at > 0 && at < end ? bytes.substr(at, end - at) : std::string();
}

// Two blocks hold the same things when they differ only in the file positions they record, which
// move with the length of what comes before them in the file (every such word differs by shift).
bool SameBesidesPositions(const std::string& a, const std::string& b, std::uint32_t shift, std::string& where) {
    if (a.empty() || a.size() != b.size()) {
        where = "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        bool position = false;
        for (std::size_t j = i >= 3 ? i - 3 : 0; j <= i && j + 4 <= a.size() && !position; ++j) {
            std::uint32_t x = 0, y = 0;
            std::memcpy(&x, a.data() + j, 4);
            std::memcpy(&y, b.data() + j, 4);
            position = x - y == shift;
        }
        if (!position) {
            where = "byte " + std::to_string(i);
            return false;
        }
    }
    return true;
}

// The battle's own state in a saved game's logical block, cut into what every machine of a
// network game holds alike and what stays with one machine: the selection record of the unit
// selected here (the local player's), the activation record of a leader (kept by the machine
// whose player commands him; elsewhere he is followed in short), and the game controller's block
// at the end (only the host runs the controller). The block carries no unit kinds, so both
// machines' blocks are walked together, a combat unit taken as one that fires or not until both
// walks reach the leaders and the settings; a machine without the controller ends right there.
class BlockFields {
public:
    explicit BlockFields(const std::string& bytes) : b(&bytes) {}
    std::uint32_t Get(int n) {
        if (!ok || at + n > b->size()) return Fail();
        std::uint32_t v = 0;
        for (int k = n - 1; k >= 0; --k) v = v << 8 | static_cast<unsigned char>((*b)[at + k]);
        at += n;
        return v;
    }
    void Skip(std::size_t n) {
        if (!ok || at + n > b->size()) Fail();
        else at += n;
    }
    void SkipList() { Skip(2 * static_cast<std::size_t>(Get(2))); }
    std::string Since(std::size_t from) const { return b->substr(from, at - from); }
    bool AtEnd() const { return ok && at == b->size(); }
    std::string Rest() const { return at < b->size() ? b->substr(at) : std::string(); }

    bool ok = true;
    std::size_t at = 0;

private:
    std::uint32_t Fail() {
        ok = false;
        return 0;
    }
    const std::string* b;
};

struct SharedState {
    std::vector<std::string> units; // per unit: the fields every machine holds alike
    std::string settings;           // side values, script, combats under way, game options
    std::string controller;         // the game controller's block, where it runs
};

// Every unit's record begins with its place, facing, movement and state, closed by the selection.
bool UnitBase(BlockFields& f, std::string& shared, bool& selected) {
    const std::size_t from = f.at;
    f.Skip(4);
    const std::uint32_t edge = f.Get(4);
    f.Skip(12);
    const std::uint32_t facing = f.Get(4), removed = f.Get(2), chosen = f.Get(2);
    if (!f.ok || edge > 8 || facing > 8 || removed > 1 || chosen > 1) return false;
    shared += f.Since(from).substr(0, 26);
    selected = chosen == 1;
    if (selected) f.Skip(4);
    return f.ok;
}

bool CombatRecord(BlockFields& f, bool fires, std::string& shared) {
    bool selected = false;
    if (!UnitBase(f, shared, selected)) return false;
    std::size_t from = f.at;
    f.Skip(7 * 2 + 4);
    shared += f.Since(from);
    if (selected) {
        f.Skip(2);
        f.SkipList();
        f.SkipList();
    }
    if (fires) {
        from = f.at;
        f.Skip(4);
        shared += f.Since(from);
        if (selected) f.Skip(2);
    }
    return f.ok;
}

bool LeaderRecord(BlockFields& f, std::string& shared) {
    const std::uint32_t active = f.Get(2);
    f.Skip(2);
    if (!f.ok || active > 1) return false;
    if (active) f.Skip(9 * 2);
    const std::size_t from = f.at;
    if (f.Get(2)) f.Skip(4 * 2);
    for (std::uint32_t more = f.Get(2); more && f.ok; more = f.Get(2)) {
        f.Skip(f.Get(2));
        f.Skip(2);
    }
    shared += f.Since(from);
    f.Skip(4);
    f.SkipList();
    bool selected = false;
    return f.ok && UnitBase(f, shared, selected);
}

bool Settings(BlockFields& f, std::string& shared) {
    const std::size_t from = f.at;
    f.Skip(4);
    f.Skip(f.Get(2));
    const std::uint32_t combats = f.Get(2);
    for (std::uint32_t k = 0; k < combats && f.ok; ++k) {
        for (int list = 0; list < 5; ++list) f.SkipList();
        f.Skip(2);
    }
    f.Skip(2 * 4 + 3 * 2);
    shared += f.Since(from);
    return f.ok;
}

// Walks the host's and the joiner's blocks from here; tried remembers the places already known
// to lead nowhere, so that the walk stays linear in the units.
bool WalkBoth(BlockFields host, BlockFields joiner, int leaders, SharedState& h, SharedState& j,
              std::set<std::pair<std::size_t, std::size_t>>& tried) {
    if (!tried.insert({host.at, joiner.at}).second) return false;
    {
        BlockFields hl = host, jl = joiner;
        SharedState hs = h, js = j;
        bool whole = true;
        for (int k = 0; k < leaders && whole; ++k) {
            hs.units.emplace_back();
            js.units.emplace_back();
            whole = LeaderRecord(hl, hs.units.back()) && LeaderRecord(jl, js.units.back());
        }
        if (whole && Settings(hl, hs.settings) && Settings(jl, js.settings) && jl.AtEnd()) {
            hs.controller = hl.Rest();
            h = hs;
            j = js;
            return true;
        }
    }
    for (bool fires : {false, true}) {
        BlockFields hc = host, jc = joiner;
        h.units.emplace_back();
        j.units.emplace_back();
        if (CombatRecord(hc, fires, h.units.back()) && CombatRecord(jc, fires, j.units.back()) &&
            WalkBoth(hc, jc, leaders, h, j, tried))
            return true;
        h.units.pop_back();
        j.units.pop_back();
    }
    return false;
}

// The number of leaders of the battle, from the network block (its leader list names them all).
int NetworkBlockLeaders(const std::string& block) {
    BlockFields f(block);
    f.Skip(4);
    f.Skip(f.Get(2));
    f.Skip(2);
    f.Skip(f.Get(2));
    const std::uint32_t n = f.Get(2);
    return f.ok ? static_cast<int>(n) : -1;
}

// Compares the battle both machines hold: every unit and leader and the game's settings, field by
// field, and the controller's block on the host alone. Empty when they hold the same battle.
std::string CompareSharedState(const std::string& hostSave, const std::string& joinerSave) {
    const int leaders = NetworkBlockLeaders(Block(hostSave, 4));
    if (leaders <= 0 || leaders != NetworkBlockLeaders(Block(joinerSave, 4))) return "no leader count";
    const std::string hostBlock = Block(hostSave, 2), joinerBlock = Block(joinerSave, 2);
    SharedState h, j;
    std::set<std::pair<std::size_t, std::size_t>> tried;
    if (!WalkBoth(BlockFields(hostBlock), BlockFields(joinerBlock), leaders, h, j, tried))
        return "the blocks cannot be walked alike";
    if (h.controller.empty()) return "no game controller on the host";
    for (std::size_t k = 0; k < h.units.size(); ++k)
        if (h.units[k] != j.units[k])
            return "unit record " + std::to_string(k) + " of " + std::to_string(h.units.size()) + " differs";
    if (h.settings != j.settings) return "settings differ";
    return "";
}

// Host and joiner set up a game through the session hub, choose leaders, chat both ways, and save
// the same battle; the host then leaves mid-battle and the joiner is told, keeps the game and ends.
TEST_F(NetworkProgram, SessionHubGame) {
    Write(host, HostToLobby() + HostStartsAndChoosesLeaders() + "wait-window \"" + kBattle + "\" 180000\npause 2000\n" +
                    SayInChat("HELLO") + "pause 20000\nwindows battle.txt\nscreenshot battle.png\npause 30000\nquit\n");
    // The joiner answers once it has the host's line, and stays until the host has gone: the host
    // vanishing mid-battle is shown in a box, and the joiner then ends.
    Write(joiner, JoinerToLobby() + "wait-window \"" + kBattle + "\" 360000\npause 5000\n" + SayInChat("THERE") +
                      "pause 10000\nwindows battle.txt\nscreenshot battle.png\nwait-window \"Communications Error\" 240000\n"
                      "windows gone.txt\nscreenshot gone.png\nclick-control 1\nwait-control 103 \"&Multiplayer\" 120000\n"
                      "windows menu.txt\nquit\n");
    StartBoth(400);
    if (HasFatalFailure()) return;

    // A save made at the same point on each machine: the autosave of the first leader's turn.
    const bool both = WaitForFile(host.File("battle.txt"), 360) && WaitForFile(joiner.File("battle.txt"), 120);
    const std::string hostSave = ReadAll(host.File("data/Autontwk.Vh"));
    const std::string joinerSave = ReadAll(joiner.File("data/Autontwk.Vh"));
    host.Join();
    joiner.Join();
    const std::string hostErr = ReadAll(host.File("err.txt")), joinerErr = ReadAll(joiner.File("err.txt"));
    ASSERT_TRUE(both) << "host:\n" << hostErr << "\njoiner:\n" << joinerErr;
    EXPECT_EQ(host.status, 0) << hostErr;
    EXPECT_EQ(joiner.status, 0) << joinerErr;
    EXPECT_EQ(hostErr.find("input script"), std::string::npos) << hostErr;
    EXPECT_EQ(joinerErr.find("input script"), std::string::npos) << joinerErr;

    // The leaders are split: the second side's boxes all name the joiner.
    for (const ShownWindow& w : ReadWindows(host.File("leaders.txt")))
        if (w.cls == "ComboBox" && w.id >= 539 && w.id <= 548) {
            EXPECT_EQ(w.text, "j") << w.id;
        }
    // Both machines show the battle, and each chat pane holds both lines.
    for (const Machine* m : {&host, &joiner}) {
        SCOPED_TRACE(m->dir);
        bool battle = false;
        for (const ShownWindow& w : ReadWindows(m->File("battle.txt"))) battle = battle || (w.depth == 0 && w.text == kBattle);
        EXPECT_TRUE(battle);
        const std::string pane = ChatPane(m->File("battle.txt"));
        EXPECT_NE(pane.find("h: hello"), std::string::npos) << pane;
        EXPECT_NE(pane.find("j: there"), std::string::npos) << pane;
    }
    // The same battle on both machines: the landscape and every unit where it stands.
    ASSERT_GT(hostSave.size(), 1000u);
    ASSERT_GT(joinerSave.size(), 1000u);
    // Each autosave is named after the battle being fought (it used to name the first of the ten,
    // whatever the lobby chose).
    for (const std::string* save : {&hostSave, &joinerSave}) {
        EXPECT_NE(save->find("Brandy Station; "), std::string::npos);
        EXPECT_EQ(save->find("1st Bull Run"), std::string::npos);
    }
    const std::uint32_t shift = Slot(hostSave, 0) - Slot(joinerSave, 0);
    for (int slot : {0, 1}) {
        std::string where;
        EXPECT_TRUE(SameBesidesPositions(Block(hostSave, slot), Block(joinerSave, slot), shift, where))
            << "block of slot " << slot << " differs: " << where;
    }
    // And the same battle in the logical layer: every unit's and leader's state and the settings.
    EXPECT_EQ(CompareSharedState(hostSave, joinerSave), "");
    // The host's leaving reached the joiner as a message in its window.
    bool told = false;
    for (const ShownWindow& w : ReadWindows(joiner.File("gone.txt"))) told = told || w.text == "Communications Error";
    EXPECT_TRUE(told);
    EXPECT_TRUE(Boxes(hostErr).empty()) << hostErr;
    // The joiner kept the battle where it stood before it told, and went back to the main menu.
    EXPECT_NE(ReadAll(joiner.File("data/Autontwk.Vh")).find("A player left the game"), std::string::npos);
    EXPECT_TRUE(fs::exists(joiner.File("menu.txt")));
}

// The host leaves while the leaders are being chosen: the joiner is told and is back at the menu
// (it used to carry on into the game options and the scenario of a game that no longer was).
TEST_F(NetworkProgram, HostLeavesSetUp) {
    Write(host, HostToLobby() + "wait-enabled 1 180000\nclick-control 1\n"
                                "wait-window \"Select a Player to Control Each Leader\" 240000\npause 2000\nquit\n");
    Write(joiner, JoinerToLobby() + "wait-window \"Communications Error\" 280000\nwindows told.txt\nclick-control 1\n"
                                    "wait-control 103 \"&Multiplayer\" 120000\nwindows menu.txt\nquit\n");
    StartBoth(300);
    if (HasFatalFailure()) return;
    host.Join();
    joiner.Join();
    const std::string joinerErr = ReadAll(joiner.File("err.txt"));
    EXPECT_EQ(host.status, 0);
    EXPECT_EQ(joiner.status, 0) << joinerErr;
    EXPECT_EQ(joinerErr.find("input script"), std::string::npos) << joinerErr;
    // The leaving was told in a box (its text, which names the server, is checked where the
    // component is tested on its own).
    bool told = false;
    for (const ShownWindow& w : ReadWindows(joiner.File("told.txt"))) told = told || w.text == "Communications Error";
    EXPECT_TRUE(told);
    // Back at the main menu, with no dialog of the abandoned set-up left open.
    for (const ShownWindow& w : ReadWindows(joiner.File("menu.txt")))
        if (w.depth == 0) {
            EXPECT_TRUE(w.text == "" || w.text == "Varnhold") << w.text;
        }
}

// The joining machine vanishes mid-battle: the host is told that its last client left, keeps the
// battle in its autosave and is back at the main menu. Both then open their autosaves again and
// continue the battle together (the host's save, made after the joiner had gone, used to record
// one player, so that the joiner could not find the reopened game nor the host start it).
TEST_F(NetworkProgram, JoinerVanishesMidBattleThenBothContinueTheSavedGame) {
    Write(host, HostToLobby() + HostStartsAndChoosesLeaders() + "wait-window \"" + kBattle + "\" 180000\n" +
                    "click-client \"" + kBattle + "\" 45 54\n"
                    "wait-window \"Communications Error\" 240000\nclick-control 1\n"
                    "wait-control 103 \"&Multiplayer\" 120000\nwindows menu.txt\nquit\n");
    Write(joiner, JoinerToLobby() + "wait-window \"" + kBattle + "\" 360000\npause 3000\nquit\n");
    StartBoth(400);
    if (HasFatalFailure()) return;
    host.Join();
    joiner.Join();
    const std::string hostErr = ReadAll(host.File("err.txt"));
    EXPECT_EQ(host.status, 0) << hostErr;
    EXPECT_EQ(joiner.status, 0);
    EXPECT_EQ(hostErr.find("input script"), std::string::npos) << hostErr;
    const std::vector<std::string> boxes = Boxes(hostErr);
    ASSERT_EQ(boxes.size(), 1u) << hostErr;
    EXPECT_NE(boxes[0].find("Communications Error: The last client has left the game."), std::string::npos) << boxes[0];
    const std::string save = ReadAll(host.File("data/Autontwk.Vh"));
    EXPECT_NE(save.find("Brandy Station; A player left the game"), std::string::npos);
    ASSERT_TRUE(fs::exists(host.File("menu.txt")));
    for (const ShownWindow& w : ReadWindows(host.File("menu.txt")))
        if (w.depth == 0) {
            EXPECT_TRUE(w.text == "" || w.text == "Varnhold") << w.text;
        }
    // Both open their saved game again: the host reopens the session and waits in its lobby for
    // the saved game's players, the joiner finds it, the saved leader choice is confirmed, and
    // both are on the map of the continued battle (its caption the host's, relayed). The joiner
    // then leaves for good; the host is told and ends at the menu.
    const std::string continued = kBattle + std::string(" (Autosaved Network Game: Brandy Station; A player left the game)");
    Write(host, LoadTheSavedGame() + "wait-window \"Reconnecting Other Players (Saved Game)\" 120000\nwindows lobby2.txt\n"
                "wait-enabled 1 180000\nclick-control 1\nwait-window \"Select a Player to Control Each Leader\" 240000\n"
                "wait-enabled 1 120000\nclick-control 1\nwait-window \"" + continued + "\" 180000\nwindows battle2.txt\n"
                "wait-window \"Communications Error\" 240000\nclick-control 1\n"
                "wait-control 103 \"&Multiplayer\" 120000\nquit\n");
    Write(joiner, LoadTheSavedGame() + "wait-window \"Locate Remote Game\" 120000\nkey RETURN\n"
                  "wait-window \"" + continued + "\" 360000\nwindows battle2.txt\nquit\n");
    port = FreePort();
    ASSERT_GT(port, 0);
    StartBoth(400, "lobby2.txt");
    if (HasFatalFailure()) return;
    host.Join();
    joiner.Join();
    const std::string hostErr2 = ReadAll(host.File("err.txt")), joinerErr2 = ReadAll(joiner.File("err.txt"));
    EXPECT_EQ(host.status, 0) << hostErr2;
    EXPECT_EQ(joiner.status, 0) << joinerErr2;
    EXPECT_EQ(hostErr2.find("input script"), std::string::npos) << hostErr2;
    EXPECT_EQ(joinerErr2.find("input script"), std::string::npos) << joinerErr2;
    EXPECT_TRUE(Boxes(joinerErr2).empty()) << joinerErr2;
    for (const Machine* m : {&host, &joiner}) {
        SCOPED_TRACE(m->dir);
        bool battle = false;
        for (const ShownWindow& w : ReadWindows(m->File("battle2.txt")))
            battle = battle || (w.depth == 0 && w.text == continued);
        EXPECT_TRUE(battle);
    }
}

// The shortest battle of the ten, chosen on the scenario map by a click into its box there; five
// leaders on the second side, the joiner's, and four on the host's. It ends after its eighth turn.
constexpr const char* kPickShortestBattle = "click-client \"Choose Scenario\" 159 118\n";
constexpr const char* kShortestBattle = "Cedar Mountain - Turn 1";
constexpr int kShortestBattleSecondSideLeaders = 5;
constexpr int kTurnsPlayed = 2;
constexpr int kShortestBattleTurns = 8;

// One machine plays every leader of its own, turn after turn: each of them is finished as soon
// as he is activated, and the overview after each turn is closed, but for the last turn's, which
// is kept as a picture and a window list. The machine that shows it first (the host, whose
// game announces the turn's end) stays a while, so that the other shows it too and both autosaves
// still hold the last activation when the test reads them, then leaves; the other ends once told.
std::string PlayOwnLeadersForSomeTurns(bool host) {
    std::string s;
    for (int turn = 1; turn < kTurnsPlayed; ++turn)
        s += "menu-until 224 101 \"&Army Details\" 600000\nclick-control 1\nwait-gone \"Game Overview\" 120000\n";
    s += "menu-until 224 101 \"&Army Details\" 600000\nwindows overview.txt\nscreenshot overview.png\n";
    return s + (host ? "pause 60000\nquit\n"
                     : "wait-window \"Communications Error\" 240000\nclick-control 1\nwait-control 103 \"&Multiplayer\" 120000\nquit\n");
}

// The rectangle of a top-level window of that caption in a window list; false when none shows.
bool WindowRect(const std::string& windowsFile, const std::string& caption, ShownWindow& found) {
    for (const ShownWindow& w : ReadWindows(windowsFile))
        if (w.depth == 0 && w.text == caption) {
            found = w;
            return true;
        }
    return false;
}

// Whole turns of a battle between the two machines: the host plays the first side's leaders, the
// joiner the second side's, each finishing its own leaders as they come, until both show the last
// turn's overview with the same results, each having saved the same last activation.
TEST_F(NetworkProgram, TurnsPlayedByBothMachinesEndAlike) {
    Write(host, HostToLobby(kPickShortestBattle) + HostStartsAndChoosesLeaders(kShortestBattleSecondSideLeaders) +
                    "wait-window \"" + kShortestBattle + "\" 180000\n" + PlayOwnLeadersForSomeTurns(true));
    Write(joiner, JoinerToLobby() + "wait-window \"" + kShortestBattle + "\" 360000\n" + PlayOwnLeadersForSomeTurns(false));
    StartBoth(600);
    if (HasFatalFailure()) return;
    // The saves made at the same point on each machine, read while both show the overview.
    const bool both = WaitForFile(host.File("overview.txt"), 540) && WaitForFile(joiner.File("overview.txt"), 50);
    const std::string hostSave = ReadAll(host.File("data/Autontwk.Vh"));
    const std::string joinerSave = ReadAll(joiner.File("data/Autontwk.Vh"));
    host.Join();
    joiner.Join();
    const std::string hostErr = ReadAll(host.File("err.txt")), joinerErr = ReadAll(joiner.File("err.txt"));
    ASSERT_TRUE(both) << "host:\n" << hostErr << "\njoiner:\n" << joinerErr;
    EXPECT_EQ(host.status, 0) << hostErr;
    EXPECT_EQ(joiner.status, 0) << joinerErr;
    EXPECT_EQ(hostErr.find("input script"), std::string::npos) << hostErr;
    EXPECT_EQ(joinerErr.find("input script"), std::string::npos) << joinerErr;
    // Nothing went wrong on the way: no box on the host, only the host's leaving on the joiner.
    EXPECT_TRUE(Boxes(hostErr).empty()) << hostErr;
    const std::vector<std::string> joinerBoxes = Boxes(joinerErr);
    ASSERT_EQ(joinerBoxes.size(), 1u) << joinerErr;
    EXPECT_NE(joinerBoxes[0].find("Communications Error: The server has left the game."), std::string::npos) << joinerBoxes[0];

    // Both show the last turn's overview: the same sides, points and targets, drawn alike.
    ShownWindow hostOverview, joinerOverview;
    ASSERT_TRUE(WindowRect(host.File("overview.txt"), "Game Overview", hostOverview));
    ASSERT_TRUE(WindowRect(joiner.File("overview.txt"), "Game Overview", joinerOverview));
    EXPECT_EQ(hostOverview.left, joinerOverview.left);
    EXPECT_EQ(hostOverview.top, joinerOverview.top);
    ASSERT_EQ(hostOverview.right, joinerOverview.right);
    ASSERT_EQ(hostOverview.bottom, joinerOverview.bottom);
    platform::ScreenImage hostPicture, joinerPicture;
    ASSERT_TRUE(platform::LoadPNG(host.File("overview.png"), hostPicture));
    ASSERT_TRUE(platform::LoadPNG(joiner.File("overview.png"), joinerPicture));
    std::size_t differing = 0, total = 0;
    for (int y = std::max(hostOverview.top, 0); y < std::min(hostOverview.bottom, hostPicture.height); ++y)
        for (int x = std::max(hostOverview.left, 0); x < std::min(hostOverview.right, hostPicture.width); ++x) {
            ++total;
            if (hostPicture.At(x, y) != joinerPicture.At(x, y)) ++differing;
        }
    EXPECT_GT(total, 10000u);
    EXPECT_EQ(differing, 0u) << "of " << total;

    // The save at the same point on each machine was made at the same leader's activation, the
    // last of the last turn played.
    ASSERT_GT(hostSave.size(), 1000u);
    ASSERT_GT(joinerSave.size(), 1000u);
    const std::string turn = "Cedar Mountain; Turn #" + std::to_string(kTurnsPlayed) + "; ";
    const std::size_t hostAt = hostSave.find(turn), joinerAt = joinerSave.find(turn);
    ASSERT_NE(hostAt, std::string::npos);
    ASSERT_NE(joinerAt, std::string::npos);
    EXPECT_EQ(hostSave.substr(hostAt, hostSave.find('\t', hostAt) - hostAt),
              joinerSave.substr(joinerAt, joinerSave.find('\t', joinerAt) - joinerAt));
    // Both saves hold the same battle: every unit and leader in the same state, the same settings.
    // (The pictures' blocks are not compared here: each machine's figures move on its own clock.)
    EXPECT_EQ(CompareSharedState(hostSave, joinerSave), "");
}

// One machine plays its own leaders through every turn of the shortest battle to the end-of-game
// dialog, which it keeps as a window list, then opens the game overview from it and keeps that as
// a picture. The host stays a while so that the joiner gets there too, then leaves; the joiner
// ends once told.
std::string PlayOwnLeadersToTheEnd(bool host) {
    std::string s;
    for (int turn = 1; turn < kShortestBattleTurns; ++turn)
        s += "menu-until 224 101 \"&Army Details\" 600000\nclick-control 1\nwait-gone \"Game Overview\" 120000\n";
    s += "menu-until 224 102 \"&View Field\" 600000\npause 1000\nwindows end.txt\nclick-control 101\n"
         "wait-window \"Game Overview\" 120000\npause 1000\nwindows overview.txt\nscreenshot overview.png\n";
    // The joiner, told, leaves from where it stands as the host did: whether its end-of-game
    // dialogs are still up after the box depends on when the host's leaving reaches it, and the
    // way back to the main menu after a host leaves is the mid-battle tests' to check.
    return s + (host ? "pause 60000\nquit\n" : "wait-window \"Communications Error\" 240000\nclick-control 1\npause 2000\nquit\n");
}

// A whole battle between the two machines, each playing its own side's leaders: both reach the
// end-of-game dialog after the last turn and their game overviews there show the same result.
TEST_F(NetworkProgram, ABattlePlayedToItsEndEndsAlikeOnBothMachines) {
    Write(host, HostToLobby(kPickShortestBattle) + HostStartsAndChoosesLeaders(kShortestBattleSecondSideLeaders) +
                    "wait-window \"" + kShortestBattle + "\" 180000\n" + PlayOwnLeadersToTheEnd(true));
    Write(joiner, JoinerToLobby() + "wait-window \"" + kShortestBattle + "\" 360000\n" + PlayOwnLeadersToTheEnd(false));
    StartBoth(1500);
    if (HasFatalFailure()) return;
    host.Join();
    joiner.Join();
    const std::string hostErr = ReadAll(host.File("err.txt")), joinerErr = ReadAll(joiner.File("err.txt"));
    EXPECT_EQ(host.status, 0) << hostErr;
    EXPECT_EQ(joiner.status, 0) << joinerErr;
    EXPECT_EQ(hostErr.find("input script"), std::string::npos) << hostErr;
    EXPECT_EQ(joinerErr.find("input script"), std::string::npos) << joinerErr;
    EXPECT_TRUE(Boxes(hostErr).empty()) << hostErr;
    const std::vector<std::string> joinerBoxes = Boxes(joinerErr);
    ASSERT_EQ(joinerBoxes.size(), 1u) << joinerErr;
    EXPECT_NE(joinerBoxes[0].find("Communications Error: The server has left the game."), std::string::npos) << joinerBoxes[0];

    // Each showed the end-of-game dialog with its three buttons.
    for (Machine* m : {&host, &joiner}) {
        const std::vector<ShownWindow> end = ReadWindows(m->File("end.txt"));
        for (const char* button : {"&Close", "&Overview", "&View Field"}) {
            bool shown = false;
            for (const ShownWindow& w : end) shown = shown || w.text == button;
            EXPECT_TRUE(shown) << button << (m == &host ? " on the host" : " on the joiner");
        }
    }
    // The overview of the ended battle: the same sides, points and targets, drawn alike.
    ShownWindow hostOverview, joinerOverview;
    ASSERT_TRUE(WindowRect(host.File("overview.txt"), "Game Overview", hostOverview));
    ASSERT_TRUE(WindowRect(joiner.File("overview.txt"), "Game Overview", joinerOverview));
    ASSERT_EQ(hostOverview.right - hostOverview.left, joinerOverview.right - joinerOverview.left);
    ASSERT_EQ(hostOverview.bottom - hostOverview.top, joinerOverview.bottom - joinerOverview.top);
    platform::ScreenImage hostPicture, joinerPicture;
    ASSERT_TRUE(platform::LoadPNG(host.File("overview.png"), hostPicture));
    ASSERT_TRUE(platform::LoadPNG(joiner.File("overview.png"), joinerPicture));
    std::size_t differing = 0, total = 0;
    for (int y = 0; y < hostOverview.bottom - hostOverview.top; ++y)
        for (int x = 0; x < hostOverview.right - hostOverview.left; ++x) {
            const int hx = hostOverview.left + x, hy = hostOverview.top + y;
            const int jx = joinerOverview.left + x, jy = joinerOverview.top + y;
            if (hx < 0 || hy < 0 || jx < 0 || jy < 0 || hx >= hostPicture.width || hy >= hostPicture.height ||
                jx >= joinerPicture.width || jy >= joinerPicture.height)
                continue;
            ++total;
            if (hostPicture.At(hx, hy) != joinerPicture.At(jx, jy)) ++differing;
        }
    EXPECT_GT(total, 10000u);
    EXPECT_EQ(differing, 0u) << "of " << total;
}

// A socket of the test that listens on the loopback address and never says a word: the system
// completes every connection to it, and nothing answers. While it lives its port is taken.
struct SilentListener {
    int fd = -1;
    int port = 0;
    SilentListener() {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0) return;
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd, 4) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n) == 0)
            port = ntohs(a.sin_port);
    }
    ~SilentListener() {
        if (fd >= 0) ::close(fd);
    }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
};

// Every text a window dump shows below its top-level windows, joined by blanks: the text of a
// box made of a dialog, whether it stands in one control or is cut into lines.
std::string ShownText(const std::string& windowsFile) {
    std::string all;
    for (const ShownWindow& w : ReadWindows(windowsFile))
        if (w.depth > 0 && !w.text.empty()) all += (all.empty() ? "" : " ") + w.text;
    return all;
}

class NetworkFaults : public RealProgram {};

// A connection that cannot be made is told in a box in the window, and the player is taken back
// to the main menu with nothing left open: a host name that does not resolve, a host that never
// answers, and a port that another program holds when this one offers a game.
TEST_F(NetworkFaults, EachIsToldInTheWindowAndLeadsBackToTheMenu) {
    SilentListener silent;
    ASSERT_GT(silent.port, 0);
    const std::string silentPort = std::to_string(silent.port);
    const std::string toGameChoice = "wait-control 103 \"&Multiplayer\" 120000\nclick-control 103\n"
                                     "wait-window \"Enter Your Name\"\nkey X\nkey RETURN\n"
                                     "wait-window \"Choose Connection Type\"\nkey RETURN\n"
                                     "wait-window \"Choose Game To Join\"\n";
    const std::string locate = "key DOWN\nkey RETURN\nwait-window \"Locate Remote Game\"\nkey RETURN\n";
    const std::string offer = "key RETURN\nwait-window \"Choose Session Name\"\nkey RETURN\n";
    // From the box back to the menu: where the box leaves the player, Escape goes back a step.
    const std::string backToConnectionType = "wait-window \"Choose Connection Type\"\nkey ESCAPE\n";
    struct Case {
        const char* what;
        std::string environment;
        std::string steps;     // from the game choice to the box
        std::string dismiss;   // the box's button that goes on
        std::string afterBox;  // from the box to the main menu
        std::string text;      // what the box says; empty: the question of a dialog box, whose
                               // lines are drawn (and checked where the transport is tested)
    };
    const Case cases[] = {
        {"host name that does not resolve", "VARNHOLD_SESSION_HOST=no-such-host.invalid", locate, "1",
         backToConnectionType, "The host \"no-such-host.invalid\" could not be found."},
        {"host that never answers", "VARNHOLD_SESSION_HOST=127.0.0.1:" + silentPort, locate, "2", backToConnectionType,
         ""},
        {"port in use", "VARNHOLD_SESSION_LOOPBACK=1 VARNHOLD_SESSION_PORT=" + silentPort, offer, "1", "",
         "The game could not be offered: port " + silentPort + " is not free."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::error_code ec;
        fs::remove(File("box.txt"), ec);
        fs::remove(File("menu.txt"), ec);
        WriteScript(toGameChoice + c.steps + "wait-window \"Communications Error\" 120000\nwindows box.txt\n"
                                             "click-control " + c.dismiss + "\n" + c.afterBox +
                    "wait-control 103 \"&Multiplayer\" 120000\nwindows menu.txt\nquit\n");
        const int status = Run("--headless --data data --script script.txt", c.environment, 300);
        const std::string err = Read("err.txt");
        EXPECT_EQ(status, 0) << err;
        EXPECT_EQ(err.find("input script"), std::string::npos) << err;
        // The system's box draws its text; the program notes each box it showed in its error
        // output. A box made of a dialog holds its text in its controls.
        const std::vector<std::string> boxes = Boxes(err);
        if (c.text.empty()) {
            EXPECT_EQ(ShownText(File("box.txt")), "OK Cancel") << "a question with its two answers";
        } else {
            ASSERT_EQ(boxes.size(), 1u) << err;
            EXPECT_NE(boxes[0].find("Communications Error: " + c.text), std::string::npos) << boxes[0];
        }
        // Back at the main menu, with no dialog of the abandoned start left open.
        ASSERT_TRUE(fs::exists(File("menu.txt")));
        for (const ShownWindow& w : ReadWindows(File("menu.txt")))
            if (w.depth == 0) {
                EXPECT_TRUE(w.text == "" || w.text == "Varnhold") << w.text;
            }
    }
}

} // namespace
} // namespace e2e
