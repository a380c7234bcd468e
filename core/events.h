#pragma once
// Event words and the fixed events of the bus.
//
// An event word (BusMessage) is 32 bits: bits 0-27 hold the signed event number, bits 28-31 the
// delivery kind. Callers pass words of kind 0 (an event number converts to one); each delivery
// writes its own kind into the word its handlers receive. Numbers 0-65 are the fixed events
// below; every other number belongs to a named message (core/message_registry.h).
#include <cstdint>

// Delivery kinds.
enum DeliveryKind : int {
    KIND_NONE = 0,
    KIND_SEND = 1,          // synchronous send
    KIND_POST_AND_WAIT = 2, // post and wait for the reply
    KIND_POST = 3,          // queued post
};

class BusMessage {
public:
    constexpr BusMessage() = default;
    // From an event number (kind 0). Implicit, so that numbers and named-message ids can be
    // passed wherever an event word is expected.
    constexpr BusMessage(int number) : word(static_cast<std::uint32_t>(number) & 0x0FFFFFFFu) {}

    static constexpr BusMessage FromWord(std::uint32_t word) {
        BusMessage m;
        m.word = word;
        return m;
    }

    // The 28-bit number, sign-extended.
    constexpr int Number() const { return static_cast<std::int32_t>(word << 4) >> 4; }
    // The top four bits, sign-extended as the stream form has them.
    constexpr int Kind() const { return static_cast<std::int32_t>(word) >> 28; }
    constexpr std::uint32_t Word() const { return word; }
    constexpr BusMessage WithKind(int kind) const {
        return FromWord((word & 0x0FFFFFFFu) | (static_cast<std::uint32_t>(kind) << 28));
    }

    // Two event words name the same event when their numbers are equal; the kind is ignored.
    constexpr bool operator==(const BusMessage& o) const { return Number() == o.Number(); }

private:
    std::uint32_t word = 0;
};

// The fixed events. Entry 16's display name is written with a space ("LOGIN FINISHED").
enum BusEvent : int {
    NULL_EVENT = 0, // never delivered
    KEY_UP = 1,
    KEY_DOWN = 2,
    TIMER_CLICK = 3,
    CONNECTION_OPENED = 4,
    CONNECTION_CLOSED = 5,
    STRING_IN = 6,
    STRING_OUT = 7,
    STRING_ECHO = 8,
    DIAL_REQUEST = 9,
    AGENT = 10,
    URGENT_AGENT = 11,
    SET_COMM_PROTOCOL = 12,
    SET_COMM_DESTINATION = 13,
    CONNECT = 14,
    CLOSE_CONNECTION = 15,
    LOGIN_FINISHED = 16,
    DOWNLOAD_DATA = 17,
    UPLOAD_DATA = 18,
    LOAD_SCENARIO = 19,
    BEGIN_LANDSCAPE = 20,
    CREATE_REGION = 21,
    END_LANDSCAPE = 22,
    FIND_REGION = 23,
    LOGICAL_UNIT_CREATED = 24,
    BEGIN_GAME = 25,
    END_GAME = 26,
    LOGICAL_COMMAND = 27,
    LOGICAL_OBJECT_MOVED = 28,
    PHYSICAL_OBJECT_ACTIVATED = 29,
    PHYSICAL_OBJECT_DEACTIVATED = 30,
    CHANGE_UNIT_FACING = 31,
    LOGICAL_OBJECT_SELECTED = 32,
    LOGICAL_OBJECT_DESELECTED = 33,
    LOGICAL_OBJECT_DISABLED = 34,
    LOGICAL_OBJECT_ENABLED = 35,
    SPRITE_CREATED = 36,
    SPRITE_DESTROYED = 37,
    SPRITE_DISABLED = 38,
    SPRITE_ENABLED = 39,
    UPDATE_PHYSICAL_OBJECT = 40,
    POINT_SELECTED = 41,
    POINT_FLYBY = 42,
    REGION_SELECTED = 43,
    REGION_FLYBY = 44,
    HIGHLIGHT_REGION = 45,
    DEHIGHLIGHT_REGION = 46,
    TOGGLE_REGION_HIGHLIGHT = 47,
    HALF_HIGHLIGHT_REGION = 48,
    HALF_DEHIGHLIGHT_REGION = 49,
    TOGGLE_REGION_HALF_HIGHLIGHT = 50,
    SCROLL_TO = 51,
    MAP_OPEN = 52,
    LANDTILE_CREATED = 53,
    VIEW_UPDATE = 54,
    INVALIDATE_LANDSCAPE = 55,
    INVALIDATE_VIEW = 56,
    VIEWPORT_CREATED = 57,
    VIEWPORT_DESTROYED = 58,
    SYSTEM_START = 59,
    CAN_TERMINATE = 60, // handlers are kept by the Application, not by a bus
    ENABLE_MENU_ITEM = 61,
    DISABLE_MENU_ITEM = 62,
    CHECK_MENU_ITEM = 63,
    UNCHECK_MENU_ITEM = 64,
    MESSAGE_RESPONSE = 65,
    NumBusEvents = 66, // the count, no event
};

// Display name of a fixed event 0-66 (entry 66 is "NumBusEvents"); null for any other number.
const char* BusEventName(int number);
