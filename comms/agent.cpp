#include "comms/agent.h"

#include "comms/serial_io.h"
#include "core/application.h"
#include "platform/msgbox.h"

#include <cstring>

namespace {

void ShowBox(const char* caption, const char* text) {
    if (Application* app = GetApplication()) app->ShowMessage(text, caption, MB_ICONINFORMATION);
}

std::uint32_t Now() {
    Application* app = GetApplication();
    return app ? app->TickCount() : 0;
}

} // namespace

Agent::Agent(const char* name) : Component(name, "Unnamed Agent") {}

void Agent::Attach() { RegisterNamedHandler("CommCancel", OnCommCancel); }

ContainerBase* Agent::OnCommCancel(Component* c, BusMessage, ContainerBase*) {
    Agent* self;
    if (BusReceiver(c, self, "AGENT", __LINE__)) self->cancelRequested = 1;
    return nullptr;
}

void Agent::Run(SerialIO* connection_, SuperString* buffer_, Deleteable* object_) {
    connection = connection_;
    buffer = buffer_;
    object = object_;
    Application* app = GetApplication();
    if (app) app->BeginWait();
    auto finish = [&] {
        if (app) app->EndWait();
        delete object;
        object = nullptr;
        connection = nullptr;
        buffer = nullptr;
    };
    try {
        Execute();
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

template <class Found>
std::int16_t Agent::Wait(const char* haltText, Found found) {
    const std::uint32_t start = Now();
    for (;;) {
        if (buffer) {
            if (std::int16_t r = found()) return r;
        }
        if (cancelRequested || Now() - start > static_cast<std::uint32_t>(SerialIO::kWaitLimit)) break;
        if (!ProcessPending()) throw CommError(haltText, CommError::kHalt);
    }
    cancelRequested = 0;
    return 0;
}

std::int16_t Agent::WaitForStrings(const std::vector<std::string>& texts) {
    std::vector<std::string> copies;
    for (std::size_t i = 0; i < texts.size() && i < 10; ++i) copies.push_back(texts[i].substr(0, 80));
    return Wait("Application Halt", [&]() -> std::int16_t {
        for (std::size_t i = 0; i < copies.size(); ++i)
            if (buffer->Find(copies[i]) >= 0) return static_cast<std::int16_t>(i + 1);
        return 0;
    });
}

std::int16_t Agent::WaitForBytes(const std::vector<char>& bytes) {
    std::size_t n = bytes.size() < 12 ? bytes.size() : 12;
    return Wait("Application halt", [&]() -> std::int16_t {
        for (std::size_t i = 0; i < n; ++i)
            if (buffer->FindByte(bytes[i]) >= 0) return static_cast<std::int16_t>(i + 1);
        return 0;
    });
}

std::int16_t Agent::WaitForLength(std::int32_t n) {
    return Wait("Application Halt", [&]() -> std::int16_t { return buffer->Length() >= n ? 1 : 0; });
}

OutString::OutString(const std::string& text_) : Agent(text_.c_str()), text(text_) {}

void OutString::Execute() {
    if (connection)
        connection->SendString(text.c_str(), static_cast<std::int16_t>(reinterpret_cast<std::uintptr_t>(object) & 0xFFFF));
}

void HandleAgent(SerialIO& c, Agent* agent, BusMessage event) {
    if (!agent) return;
    bool loginRan = false;
    if (dynamic_cast<LoginAgent*>(agent)) {
        if (!c.Open()) return;
        try {
            agent->Run(&c, &c.ReceiveBuffer(), nullptr);
            c.SetTextIn(1);
        } catch (const CommError&) {
            ShowBox("Communications Error", "Unexpected problem during login.  Please try again.");
            c.Close();
            return;
        }
        loginRan = true;
    } else {
        (event.Number() == URGENT_AGENT ? c.urgentAgents : c.normalAgents).push_back(agent);
    }
    if (c.agentRunnerActive || !c.IsConnected()) return;
    if (!(c.normalAgents.size() == 1 || loginRan || c.urgentAgents.size() == 1)) return;

    c.agentRunnerActive = 1;
    while (!c.urgentAgents.empty() || !c.normalAgents.empty()) {
        auto& queue = c.urgentAgents.empty() ? c.normalAgents : c.urgentAgents;
        Agent* next = queue.front();
        try {
            next->Run(&c, &c.ReceiveBuffer(), nullptr);
        } catch (const CommError& error) {
            if (error.Code() == CommError::kHalt) {
                // The program is stopping; nothing more runs, and nothing holds the runner.
                c.agentRunnerActive = 0;
                return;
            }
            ShowBox("Communications Error", "Could not complete action!");
        }
        c.SetTextIn(1);
        // The run may have pumped messages that queued more; the agent is still at the head.
        auto& from = (!c.urgentAgents.empty() && c.urgentAgents.front() == next) ? c.urgentAgents : c.normalAgents;
        if (!from.empty() && from.front() == next) from.pop_front();
        next->DetachFromBus();
        delete next;
    }
    c.agentRunnerActive = 0;
}

void ScrambleText(char* text) {
    if (!text) return;
    for (std::size_t i = 0; i < std::strlen(text); ++i) text[i] = static_cast<char>(static_cast<unsigned char>(text[i]) + 2);
}

void UnscrambleText(char* text) {
    if (!text) return;
    for (std::size_t i = 0; i < std::strlen(text); ++i) text[i] = static_cast<char>(static_cast<unsigned char>(text[i]) - 2);
}
