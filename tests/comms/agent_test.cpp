// Agents queued on a connection and the order the runner takes them in.
#include "comms/agent.h"
#include "comms/serial_io.h"
#include "comms_support.h"

#include <functional>

namespace {

std::vector<std::string> g_ran;

class TextIO : public SerialIO {
public:
    TextIO() : SerialIO(0, "text") {}
    bool canOpen = true;
    std::string sent;
    std::int16_t Open() override {
        if (!canOpen) return 0;
        MarkOpen();
        return 1;
    }
    std::int16_t Close() override {
        connected = 0;
        return 1;
    }
    void Receive() override {}
    std::int16_t SetProtocol() override { return 1; }
    std::int16_t SendBytes(const char* data, std::int32_t length, std::int16_t) override {
        sent.append(data, static_cast<std::size_t>(length));
        return 1;
    }
};

// Logs its run and then does what the test asked.
struct Step : Agent {
    std::function<void(Step*)> body;
    explicit Step(const char* name, std::function<void(Step*)> body_ = nullptr) : Agent(name), body(std::move(body_)) {}
    void Execute() override {
        g_ran.push_back(GetName());
        if (body) body(this);
    }
};

struct LoggedLogin : LoginAgent {
    void Execute() override { g_ran.push_back("login"); }
};

class AgentTest : public CommsFixture {
protected:
    void SetUp() override {
        CommsFixture::SetUp();
        g_ran.clear();
        io.AttachToBus(&bus);
        sender.AttachToBus(&bus);
    }
    void TearDown() override {
        sender.DetachFromBus();
        io.DetachFromBus();
        CommsFixture::TearDown();
    }
    void Hand(Agent* a, BusMessage event = AGENT) {
        Container<Agent*> p(a);
        sender.Post(event, &p);
    }
    Bus bus{"Agents"};
    TextIO io;
    Recorder sender;
};

TEST_F(AgentTest, AnUrgentAgentGoesBeforeTheNormalOnesStillQueued) {
    io.Open();
    // The first agent's run hands over two normal agents and an urgent one, as messages
    // arriving during its waits would; the runner is busy, so they are only queued.
    Hand(new Step("first", [this](Step*) {
        Hand(new Step("second"));
        Hand(new Step("third"));
        Hand(new Step("urgent"), URGENT_AGENT);
    }));
    EXPECT_EQ(g_ran, (std::vector<std::string>{"first", "urgent", "second", "third"}));
}

TEST_F(AgentTest, QueuedAgentsWaitForTheConnectionAndOutStringSends) {
    Hand(new OutString("ATDT 555\r"));
    EXPECT_TRUE(io.sent.empty()); // not connected: queued only
    LoggedLogin login;
    Hand(&login);                 // opens, runs at once, then the queue runs
    EXPECT_EQ(g_ran, std::vector<std::string>{"login"});
    EXPECT_EQ(io.sent, "ATDT 555\r");
}

TEST_F(AgentTest, ALoginOnAConnectionThatWillNotOpenRunsNothing) {
    io.canOpen = false;
    LoggedLogin login;
    Hand(&login);
    EXPECT_TRUE(g_ran.empty());
    EXPECT_TRUE(io.sent.empty());
}

TEST_F(AgentTest, AFailingAgentIsReportedAndTheNextStillRuns) {
    io.Open();
    Hand(new Step("first", [this](Step*) {
        Hand(new Step("after"));
        throw CommError("Timeout", CommError::kTimeout);
    }));
    EXPECT_EQ(g_ran, (std::vector<std::string>{"first", "after"}));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Communications Error: Could not complete action!"});
}

TEST_F(AgentTest, AnAgentsWaitSearchesTheConnectionsBufferAndHonoursCancel) {
    io.Open();
    io.AppendReceived("CONNECT 9600", 12);
    std::int16_t found = -1, cancelled = -1;
    Hand(new Step("wait", [&](Step* self) {
        found = self->WaitForStrings({"BUSY", "connect"});
        self->AttachToBus(&bus);
        sender.PostNamedEvent("CommCancel");
        cancelled = self->WaitForLength(100);
    }));
    EXPECT_EQ(found, 2);
    EXPECT_EQ(cancelled, 0);
}

TEST_F(AgentTest, TextOutOnAConnectionThatWillNotOpenIsSaidAndStillHandedOn) {
    io.canOpen = false;
    io.SetNoEcho(0);
    sender.Listen(STRING_ECHO);
    Container<char*> text("hello\r");
    sender.Post(STRING_OUT, &text);
    EXPECT_EQ(Boxes(), std::vector<std::string>{
                           "Communications: You have not connected properly.\nCommunications may not work as expected."});
    EXPECT_EQ(io.sent, "hello\r");
    ASSERT_EQ(sender.seen.size(), 1u);
    EXPECT_EQ(sender.seen[0].payload, "hello\r");
}

TEST(Scramble, ShiftsByTwoAndBack) {
    char text[] = "abc";
    ScrambleText(text);
    EXPECT_STREQ(text, "cde");
    UnscrambleText(text);
    EXPECT_STREQ(text, "abc");
    char wraps[] = "\xfe" "x";
    ScrambleText(wraps); // 0xFE becomes NUL and ends the text
    EXPECT_EQ(wraps[0], '\0');
    EXPECT_EQ(wraps[1], 'x');
}

} // namespace
