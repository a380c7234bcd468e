#pragma once
// Agents: small scripted conversations over a text-mode connection (send a text, wait for one
// of the expected answers). They reach a connection as the payload of AGENT or URGENT_AGENT;
// the connection queues them, owns them from then on, and runs them one at a time, urgent ones
// first. A LoginAgent is run at once after the connection has been opened, and stays its
// sender's.
#include "core/component.h"
#include "core/super_string.h"

#include <cstdint>
#include <string>
#include <vector>

class SerialIO;

// Whatever is handed to an agent's run; deleted when the run ends.
class Deleteable {
public:
    virtual ~Deleteable() = default;
};

class Agent : public Deleteable, public Component {
public:
    explicit Agent(const char* name = nullptr);

    // Stores the three, runs Execute between the application's BeginWait and EndWait, deletes
    // the object and clears the three again; an exception from Execute passes on.
    void Run(SerialIO* connection, SuperString* buffer, Deleteable* object);

    // The connection's waits on the buffer of the run, with the agent's own cancel flag, without
    // BeginWait and EndWait.
    virtual std::int16_t WaitForStrings(const std::vector<std::string>& texts);
    virtual std::int16_t WaitForBytes(const std::vector<char>& bytes);
    virtual std::int16_t WaitForLength(std::int32_t n);
    virtual void Attach();
    virtual void Execute() = 0;
    void Connect() final { Attach(); }

    std::int16_t OptionFlag() const { return optionFlag; }
    void SetOptionFlag(std::int16_t v) { optionFlag = v; }
    std::int16_t CancelRequested() const { return cancelRequested; }

protected:
    template <class Found>
    std::int16_t Wait(const char* haltText, Found found);

    std::int16_t optionFlag = 1;
    SuperString* buffer = nullptr;
    SerialIO* connection = nullptr;
    Deleteable* object = nullptr;
    std::int16_t cancelRequested = 0;

private:
    static ContainerBase* OnCommCancel(Component* c, BusMessage e, ContainerBase* p);
};

// Sends its one text; its component name is the text.
class OutString : public Agent {
public:
    explicit OutString(const std::string& text);
    void Execute() override;
    const std::string& Text() const { return text; }

private:
    std::string text;
};

// Recognised by the runner: opened and run at once. Carries no conversation of its own here.
class LoginAgent : public Agent {
public:
    explicit LoginAgent(const char* name = nullptr) : Agent(name) {}
    void Execute() override {}
};

// The runner, called by the connection's handler of AGENT and URGENT_AGENT.
void HandleAgent(SerialIO& connection, Agent* agent, BusMessage event);

// Shift every character of a C string by 2 (and back), in place, modulo 256; a character that
// becomes NUL ends the text there.
void ScrambleText(char* text);
void UnscrambleText(char* text);
