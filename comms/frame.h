#pragma once
// The frame that carries one bus message to a peer (little-endian throughout):
//   0xFF | u16 frame length (all of it, both markers included) | i32 kind | u32 sequence |
//   u16 name length N | N name bytes, or for N = 0: i32 event number, i32 kind |
//   u16 class-name length M | M class-name bytes | the payload's own bytes | 0xFE
// Named messages travel by name because ids are given per process; the fixed events 0-65 have
// no name and travel by number. A frame is at most 32767 bytes.
//
// The decoder trusts nothing it reads: every length is checked against what the frame holds, a
// name or a class this process does not know stops it, and the payload must end exactly at the
// end marker.
#include "core/container.h"
#include "core/events.h"

#include <cstdint>
#include <memory>
#include <string>

class TypeInfoBase;

inline constexpr unsigned char kFrameStart = 0xFF;
inline constexpr unsigned char kFrameEnd = 0xFE;
inline constexpr std::int32_t kMaxFrameLength = 32767;
// Markers, length, kind, sequence, the two length words: no frame is shorter.
inline constexpr std::int32_t kMinFrameLength = 16;
inline constexpr std::int32_t kFrameHeaderLength = 3;

// The sequence number the next frame takes (process-wide, from 0), and taking it.
std::uint32_t NextFrameSequence();
std::uint32_t TakeFrameSequence();

enum class FrameStatus {
    kOk,
    kTooLong,        // encoding: over kMaxFrameLength
    kUnknownType,    // encoding: the payload's type is not registered (or there is no payload)
    kDamaged,        // a marker, a length or a field does not hold together
    kUnknownEvent,   // a name this process has never registered, or a number outside 0-65
    kUnknownClass,   // a payload class this process cannot make
    kBadPayload,     // the payload could not be written or read, or did not end at the end marker
};

// Builds the frame of event (its kind taken from the word) with payload and sequence.
FrameStatus EncodeFrame(BusMessage event, const ContainerBase* payload, std::uint32_t sequence, std::string& frame);

struct DecodedFrame {
    std::int32_t kind = 0;
    std::uint32_t sequence = 0;
    bool haveSequence = false; // kind and sequence were read (a request can be answered)
    std::string name;          // empty for the numeric form
    BusMessage event;          // the local id, with the frame's kind in its top bits
    const TypeInfoBase* type = nullptr;
    std::unique_ptr<ContainerBase> payload;
};

// Decodes a whole frame (start marker to end marker). With readPayload false it stops after the
// payload's class (event and type known), so a refused message is not read further.
FrameStatus DecodeFrame(const std::string& frame, DecodedFrame& out, bool readPayload = true);
// Reads the payload of a frame that DecodeFrame(..., false) accepted.
FrameStatus DecodeFramePayload(const std::string& frame, DecodedFrame& out);
