// The framed connection over an in-memory pipe: the relay lists, the reader that cuts frames out
// of the received bytes, and requests answered across the pipe.
#include "comms/frame.h"
#include "comms/serial_io.h"
#include "comms_support.h"

namespace {

// A transport whose bytes go straight into the peer's receive buffer (or are only kept when it
// has no peer).
class PipeIO : public SerialIO {
public:
    explicit PipeIO(const char* name) : SerialIO(1, name) {}
    PipeIO* peer = nullptr;
    std::string sent;
    int closes = 0;

    std::int16_t Open() override {
        MarkOpen();
        return 1;
    }
    std::int16_t Close() override {
        ++closes;
        connected = 0;
        return 1;
    }
    void Receive() override {}
    std::int16_t SetProtocol() override { return 1; }
    std::int16_t SendBytes(const char* data, std::int32_t length, std::int16_t) override {
        sent.append(data, static_cast<std::size_t>(length));
        if (peer) peer->Feed(std::string(data, static_cast<std::size_t>(length)));
        return 1;
    }
    void Feed(const std::string& bytes) {
        AppendReceived(bytes.data(), static_cast<std::int32_t>(bytes.size()));
        ReceiveFrames(bytes.c_str());
    }
    void MarkClosed() { connected = 0; }
};

std::string FrameOf(const char* name, ContainerBase* payload, int kind = KIND_POST) {
    std::string frame;
    EncodeFrame(BusMessage(RegisterMessage(name)).WithKind(kind), payload, 77, frame);
    return frame;
}

class SerialIOTest : public CommsFixture {
protected:
    void SetUp() override {
        CommsFixture::SetUp();
        busA = std::make_unique<Bus>("A");
        busB = std::make_unique<Bus>("B");
        a = std::make_unique<PipeIO>("a");
        b = std::make_unique<PipeIO>("b");
        a->peer = b.get();
        b->peer = a.get();
        a->AttachToBus(busA.get());
        b->AttachToBus(busB.get());
        a->Open();
        b->Open();
        atA.AttachToBus(busA.get());
        atB.AttachToBus(busB.get());
    }
    void TearDown() override {
        atA.DetachFromBus();
        atB.DetachFromBus();
        a.reset();
        b.reset();
        busA.reset();
        busB.reset();
        ResponseList().clear();
        CommsFixture::TearDown();
    }
    std::unique_ptr<Bus> busA, busB;
    std::unique_ptr<PipeIO> a, b;
    Recorder atA, atB;
};

TEST_F(SerialIOTest, OnlyListedMessagesCrossAndArriveUnderTheLocalName) {
    TypeInfo<std::string> text;
    a->ForwardMessage("Hello", text);
    b->AcceptMessage("Hello", text);
    a->ForwardMessage("NotAccepted", text);
    atB.Listen("Hello");
    atB.Listen("NotAccepted");
    atB.Listen("NotForwarded");

    Container<std::string> p(std::string("hi there"));
    atA.PostNamed("Hello", &p);
    atA.PostNamed("NotAccepted", &p);
    atA.PostNamed("NotForwarded", &p);
    // The right name with another payload type is another entry of the list.
    Container<short> other(1);
    atA.PostNamed("Hello", &other);

    ASSERT_EQ(atB.seen.size(), 1u);
    EXPECT_EQ(atB.seen[0].event, RegisterMessage("Hello"));
    EXPECT_EQ(atB.seen[0].payload, "hi there");
    // Two frames left a: "Hello" and "NotAccepted".
    EXPECT_EQ(std::count(a->sent.begin(), a->sent.end(), static_cast<char>(kFrameEnd)) >= 2, true);
}

TEST_F(SerialIOTest, ForwardedUnderTwoTypesIsSentOnceForEachEntry) {
    a->ForwardMessage("Twice", TypeInfo<std::string>());
    a->ForwardMessage("Twice", TypeInfo<short>());
    a->ForwardMessage("Twice", TypeInfo<short>()); // equal entry: not added again
    b->AcceptMessage("Twice", TypeInfo<std::string>());
    atB.Listen("Twice");
    Container<std::string> p(std::string("x"));
    atA.PostNamed("Twice", &p);
    EXPECT_EQ(atB.Count(RegisterMessage("Twice")), 2);
}

TEST_F(SerialIOTest, AMessageBothForwardedAndAcceptedIsNotSentBack) {
    for (PipeIO* c : {a.get(), b.get()}) {
        c->ForwardMessage("Echo", TypeInfo<std::string>());
        c->AcceptMessage("Echo", TypeInfo<std::string>());
    }
    atA.Listen("Echo");
    atB.Listen("Echo");
    Container<std::string> p(std::string("once"));
    atA.PostNamed("Echo", &p);
    EXPECT_EQ(atB.Count(RegisterMessage("Echo")), 1);
    EXPECT_EQ(atA.Count(RegisterMessage("Echo")), 1); // its own post only
    EXPECT_TRUE(b->sent.empty());
    // And b forwards again afterwards.
    atB.PostNamed("Echo", &p);
    EXPECT_EQ(atA.Count(RegisterMessage("Echo")), 2);
}

TEST_F(SerialIOTest, RequestsWaitForTheAnswersOfTheOtherPlayers) {
    a->ForwardMessage("Ask", TypeInfo<std::string>());
    b->AcceptMessage("Ask", TypeInfo<std::string>());
    atB.Listen("Ask");
    atB.reply = "answer";
    Container<std::string> p(std::string("q"));

    // Over a socket nobody is counted: the request returns at once, without an answer.
    a->SetResponsesAwaited(0);
    EXPECT_EQ(atA.SendNamed("Ask", &p), nullptr);
    ResponseList().clear();

    // With one other player the answer comes back to the asker.
    a->SetResponsesAwaited(2);
    std::unique_ptr<ContainerBase> r(atA.SendNamed("Ask", &p));
    ASSERT_NE(PayloadValue<std::string>(r.get()), nullptr);
    EXPECT_EQ(*PayloadValue<std::string>(r.get()), "answer");
    EXPECT_TRUE(ResponseList().empty());
    EXPECT_EQ(atB.seen.back().kind, KIND_SEND);

    // An answer to nothing that waits is not kept: a peer cannot fill the list.
    Container<MessageResponse> stray(MessageResponse(123456, new Container<std::string>(std::string("junk"))));
    std::string frame;
    ASSERT_EQ(EncodeFrame(MESSAGE_RESPONSE, &stray, 9, frame), FrameStatus::kOk);
    a->Feed(frame);
    EXPECT_TRUE(ResponseList().empty());
}

TEST_F(SerialIOTest, ARequestThePeerRefusesIsReleasedByAnEmptyAnswer) {
    a->ForwardMessage("Refused", TypeInfo<std::string>());
    atB.Listen("Refused");
    atB.reply = "never";
    a->SetResponsesAwaited(2);
    Container<std::string> p(std::string("q"));
    EXPECT_EQ(atA.SendNamed("Refused", &p), nullptr);
    EXPECT_TRUE(atB.seen.empty());
    EXPECT_TRUE(ResponseList().empty());
}

TEST_F(SerialIOTest, ARequestEndsWhenTheConnectionCloses) {
    a->ForwardMessage("Lost", TypeInfo<std::string>());
    a->peer = nullptr; // nobody will ever answer
    a->SetResponsesAwaited(2);
    Container<std::string> p(std::string("q"));
    // No answer can come over a closed connection; the wait must not outlive it.
    a->MarkClosed();
    EXPECT_EQ(atA.SendNamed("Lost", &p), nullptr);
}

TEST_F(SerialIOTest, TheReaderSkipsGarbageAndHandlesEveryFrameOfAPiece) {
    b->AcceptMessage("Piece", TypeInfo<std::string>());
    atB.Listen("Piece");
    Container<std::string> one(std::string("one")), two(std::string("two"));
    // Garbage (with a 0xFF whose length is no frame's) before two frames in one piece, and the
    // start of a third after them.
    std::string third = FrameOf("Piece", &one);
    std::string piece = Bytes("01 02 ff 02 00 03") + FrameOf("Piece", &one) + FrameOf("Piece", &two) + third.substr(0, 1);
    b->Feed(piece);
    ASSERT_EQ(atB.seen.size(), 2u);
    EXPECT_EQ(atB.seen[0].payload, "one");
    EXPECT_EQ(atB.seen[1].payload, "two");
    // The start of the third stays, and the rest completes it.
    EXPECT_EQ(b->ReceiveBuffer().Length(), 1);
    b->Feed(third.substr(1));
    ASSERT_EQ(atB.seen.size(), 3u);
    EXPECT_EQ(b->ReceiveBuffer().Length(), 0);
}

TEST_F(SerialIOTest, APartialFrameWaitsForItsRestAcrossPieces) {
    b->AcceptMessage("Split", TypeInfo<std::string>());
    atB.Listen("Split");
    Container<std::string> p(std::string("reassembled"));
    std::string frame = FrameOf("Split", &p);
    for (std::size_t cut : {std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(10), frame.size() - 1}) {
        atB.seen.clear();
        b->Feed(frame.substr(0, cut)); // the wait for the rest gives up after its time
        EXPECT_TRUE(atB.seen.empty()) << cut;
        b->Feed(frame.substr(cut));
        ASSERT_EQ(atB.seen.size(), 1u) << cut;
        EXPECT_EQ(atB.seen[0].payload, "reassembled");
    }
}

TEST_F(SerialIOTest, DamagedAndUnknownFramesAreDroppedAndTheNextIsRead) {
    b->AcceptMessage("Good", TypeInfo<std::string>());
    atB.Listen("Good");
    Container<std::string> p(std::string("good"));
    std::string good = FrameOf("Good", &p);
    std::string unknownClass = good;
    unknownClass[unknownClass.size() - 8] = 'x'; // "strinx"
    std::string badEnd = good;
    badEnd.back() = 0;
    std::string shortPayload = good;
    shortPayload[shortPayload.size() - 7] = 5; // the text claims more bytes than the frame holds
    // A length beyond any frame and one below any: the reader neither waits for nor keeps them.
    std::string giant = Bytes("ff 00 80 ff 05 00");
    b->Feed(unknownClass + badEnd + shortPayload + giant + good);
    ASSERT_EQ(atB.seen.size(), 1u);
    EXPECT_EQ(atB.seen[0].payload, "good");
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
}

TEST_F(SerialIOTest, AFrameOfAnImpossibleKindIsReportedAndDropped) {
    b->AcceptMessage("Odd", TypeInfo<std::string>());
    atB.Listen("Odd");
    Container<std::string> p(std::string("odd"));
    std::string frame = FrameOf("Odd", &p);
    frame[3] = 7;
    platform::QueueMessageBoxAnswer(IDYES); // even "abort" must not let a peer end the program
    b->Feed(frame + FrameOf("Odd", &p));
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_NE(platform::ShownMessageBox(0).text.find("Communications message-type error"), std::string::npos);
    EXPECT_EQ(atB.seen.size(), 1u);
}

TEST_F(SerialIOTest, TextModePostsWhatArrivesAndTheWaitsFindIt) {
    // A text-mode connection: same pipe, framed mode off.
    struct TextIO : PipeIO {
        TextIO() : PipeIO("t") { framedMode = 0; }
    } t;
    Bus bus("T");
    t.AttachToBus(&bus);
    Recorder r;
    r.AttachToBus(&bus);
    r.Listen(STRING_IN);
    t.Feed("login: ");
    ASSERT_EQ(r.seen.size(), 1u);
    EXPECT_EQ(r.seen[0].payload, "login: ");
    // Found at once, and again: a wait removes nothing.
    EXPECT_EQ(t.WaitForStrings(0, {"password", "LOGIN"}), 2);
    EXPECT_EQ(t.WaitForStrings(0, {"password", "LOGIN"}), 2);
    EXPECT_EQ(t.WaitForBytes(0, {'x', ':'}), 2);
    // Not there: gives up after its time and reports 0.
    DWORD before = GetTickCount();
    EXPECT_EQ(t.WaitForStrings(0, {"password"}), 0);
    EXPECT_GT(GetTickCount() - before, static_cast<DWORD>(SerialIO::kWaitLimit));
    r.DetachFromBus();
}

TEST_F(SerialIOTest, CommCancelEndsAWaitAtOnce) {
    struct Canceller : Component {
        Canceller() : Component("Canceller") {}
    } c;
    c.AttachToBus(busB.get());
    c.PostNamedEvent("CommCancel");
    DWORD before = GetTickCount();
    EXPECT_EQ(b->WaitForLength(0, 100), 0);
    EXPECT_LT(GetTickCount() - before, 100u);
    EXPECT_EQ(b->CancelRequested(), 0);
}

TEST_F(SerialIOTest, OpeningPostsTheConnectionEventWithNameAndValue) {
    Bus bus("O");
    Recorder r;
    r.AttachToBus(&bus);
    struct Seen : Component {
        ConnectionInfo info;
        int count = 0;
        Seen() : Component("Seen") {}
        static ContainerBase* On(Component* c, BusMessage, ContainerBase* p) {
            auto* self = static_cast<Seen*>(c);
            ++self->count;
            ExtractData(p, self->info);
            return nullptr;
        }
    } seen;
    seen.AttachToBus(&bus);
    seen.RegisterHandler(CONNECTION_OPENED, Seen::On);
    PipeIO c("named");
    c.SetConnectionValue(42);
    c.AttachToBus(&bus);
    c.Open();
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.info, (ConnectionInfo{"named", 42}));
    c.DetachFromBus();
    r.DetachFromBus();
    seen.DetachFromBus();
}

} // namespace
