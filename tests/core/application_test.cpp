#include "bus_support.h"
#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using ApplicationTest = AppFixture;

ContainerBase* Refuse(Component* c, BusMessage e, ContainerBase* p) {
    static_cast<Probe*>(c)->Record(e, p, "");
    return new Container<short>(0);
}
ContainerBase* Agree(Component* c, BusMessage e, ContainerBase* p) {
    static_cast<Probe*>(c)->Record(e, p, "");
    return new Container<short>(1);
}

TEST_F(ApplicationTest, CanTerminateAsksEveryHandler) {
    EXPECT_EQ(app->CanTerminate(), 1);
    Probe refuser, agreer, silent;
    for (Probe* p : {&refuser, &agreer, &silent}) p->AttachToBus(app.get());
    refuser.RegisterHandler(CAN_TERMINATE, Refuse);
    agreer.RegisterHandler(CAN_TERMINATE, Agree);
    silent.RegisterHandler(CAN_TERMINATE, Probe::Handle); // answers null: no objection
    EXPECT_EQ(app->CanTerminate(), 0);
    EXPECT_EQ(refuser.calls, 1);
    EXPECT_EQ(agreer.calls, 1);
    EXPECT_EQ(silent.calls, 1);
    EXPECT_EQ(agreer.lastEvent.Number(), CAN_TERMINATE);
    EXPECT_EQ(agreer.lastEvent.Kind(), KIND_NONE);
    refuser.RegisterHandler(CAN_TERMINATE, Refuse);
    refuser.UnregisterHandler(CAN_TERMINATE, Refuse); // removes every equal registration
    EXPECT_EQ(app->CanTerminate(), 1);
}

TEST_F(ApplicationTest, ATerminateHandlerRemovedWhileAskingIsNotAsked) {
    auto later = std::make_unique<Probe>();
    Probe first;
    first.AttachToBus(app.get());
    later->AttachToBus(app.get());
    first.RegisterHandler(CAN_TERMINATE, Probe::Handle);
    later->RegisterHandler(CAN_TERMINATE, Refuse);
    first.action = [&](Probe*, BusMessage, ContainerBase*) {
        later.reset();
        return nullptr;
    };
    EXPECT_EQ(app->CanTerminate(), 1);
    EXPECT_EQ(app->TerminateHandlerCount(), 1);
}

class Library : public QIFBase {
public:
    static inline int alive = 0;
    static inline int imagesDeleted = 0;
    explicit Library(const char* name, bool open = true) : QIFBase(name), opened(open) {
        ++alive;
        if (opened && GetApplication()) GetApplication()->OpenQIF(this);
    }
    ~Library() override {
        if (opened && GetApplication()) GetApplication()->CloseQIF(this);
        --alive;
    }
    QIFBase* Create(const char* name) override { return new Library(name, false); }
    void ShareFrom(QIFBase* other) override { master = other; }
    void DeleteImages() override { ++imagesDeleted; }
    QIFBase* master = nullptr;
    bool opened;
};

TEST_F(ApplicationTest, UsersOfOneLibraryShareItsMaster) {
    Library::imagesDeleted = 0;
    int before = Library::alive;
    {
        Library a("Infantry"), b("Infantry"), c("Cavalry");
        EXPECT_EQ(a.master, b.master);
        EXPECT_NE(a.master, c.master);
        EXPECT_EQ(app->QIFUseCount("Infantry"), 3);
        EXPECT_EQ(Library::alive, before + 5); // three users, two masters
    }
    EXPECT_EQ(app->QIFUseCount("Infantry"), 0);
    EXPECT_EQ(Library::imagesDeleted, 2);
    EXPECT_EQ(Library::alive, before);
    Library stray("Never opened", false);
    app->CloseQIF(&stray); // not open: nothing
}

TEST_F(ApplicationTest, TheApplicationEndsWithItsLibrariesAndRegistry) {
    auto* lib = new Library("Artillery");
    RegisterMessage("SomethingUsed");
    app.reset();
    EXPECT_EQ(GetApplication(), nullptr);
    EXPECT_EQ(RegisterMessage("FirstAfterwards"), 67);
    delete lib; // its master went with the Application
    app = std::make_unique<BasicApp>();
}

TEST_F(ApplicationTest, BusyStateAndWaitCursor) {
    HCURSOR hourglass = reinterpret_cast<HCURSOR>(0x1234);
    app->SetWaitCursor(hourglass);
    EXPECT_TRUE(app->IsIdle());
    app->BeginWait();
    EXPECT_FALSE(app->IsIdle());
    EXPECT_EQ(app->CurrentCursor(), hourglass);
    app->EndWait();
    EXPECT_TRUE(app->IsIdle());
    EXPECT_EQ(app->CurrentCursor(), hourglass);
}

TEST_F(ApplicationTest, PumpingStopsAtACloseOrQuitRequestAndLeavesIt) {
    Probe p;
    p.AttachToBus(app.get());
    EXPECT_EQ(p.ProcessPending(), 1);
    PostMessage(nullptr, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.ProcessPending(), 0);
    EXPECT_EQ(platform::PendingMessageCount(), 1u); // back in the queue for the main loop
    MSG msg;
    PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE);
    PostQuitMessage(3);
    EXPECT_EQ(app->PumpMessage(), 0);
    EXPECT_EQ(GetMessage(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(ApplicationTest, WaitForFlagPumpsUntilTheFlagOrTheTimeOut) {
    Probe waiter, setter;
    waiter.AttachToBus(app.get());
    setter.AttachToBus(app.get());
    std::int16_t flag = 0;
    EXPECT_EQ(waiter.WaitForFlag(flag, 50), 0); // idle pumping moves the virtual clock

    setter.RegisterNamedHandler("Done", Probe::Handle);
    setter.action = [&](Probe*, BusMessage, ContainerBase*) {
        flag = 1;
        return nullptr;
    };
    // A task waiting in the queue (posted while a drain runs) sets the flag when pumped.
    waiter.RegisterNamedHandler("Kick", Probe::Handle);
    waiter.action = [&](Probe* self, BusMessage, ContainerBase*) {
        self->PostNamedEvent("Done");
        EXPECT_EQ(self->WaitForFlag(flag, 1000), 1);
        return nullptr;
    };
    setter.PostNamedEvent("Kick");
    EXPECT_EQ(flag, 1);
}

TEST_F(ApplicationTest, StringTableTextsAndQuit) {
    EXPECT_EQ(app->LoadResourceString(128), "Click on Finish to go back.");
    EXPECT_EQ(app->LoadResourceString(130), "Click on Finish to end deployment.");
    EXPECT_EQ(app->LoadResourceString(9999), "");
    EXPECT_TRUE(app->IsRunning());
    app->Quit();
    EXPECT_FALSE(app->IsRunning());
}

TEST_F(ApplicationTest, DeliverOperationsWorkOnBusesOnly) {
    Probe plain, receiver;
    receiver.AttachToBus(app.get());
    receiver.RegisterHandler(KEY_UP, Probe::Handle);
    receiver.action = Reply(8);
    ContainerBase* result = nullptr;
    EXPECT_EQ(plain.DeliverSend(KEY_UP, nullptr, &plain, result), 0);
    EXPECT_EQ(app->DeliverSend(KEY_UP, nullptr, &plain, result), 1);
    std::unique_ptr<ContainerBase> owned(result);
    EXPECT_EQ(CountedValue(result), 8);
    EXPECT_EQ(app->DeliverPost(KEY_UP, nullptr, &plain), 1);
    EXPECT_EQ(receiver.calls, 2);
}

} // namespace
