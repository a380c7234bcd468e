#pragma once
// The two global registries.
//
// Named messages: a string such as "LoadGame" gets an event number at run time. Automatic
// numbers run 67, 68, ... while every number in the registry is below 100; once the highest is
// between 100 and 4000 (by counting or by a fixed registration) the next is 4001, and from then
// on the highest plus 1 (never below 67, the fixed events' range). Fixed numbers between 101 and
// 4000 are given with RegisterMessageId (menu commands register under their command numbers). Names compare byte by byte, case
// sensitively. Numbers are not persistent: they depend on the order in which names are first
// used, so names, not numbers, cross to other machines and into files.
//
// Payload types: descriptors (TypeInfoBase, core/type_info.h) by class name, used to write
// payloads to streams and to make them again from a class name. A type's id is the message
// number of its class name. The scalars, string, BusMessage, List<short> and the geometry
// values are registered by the core itself.
#include <cstdint>
#include <string>
#include <string_view>

// The number of name, registering it when new. 0 when the registry is full (65535 reached):
// event 0 is never delivered.
std::uint16_t RegisterMessage(std::string_view name);
// Gives name the fixed number id. When id is taken: true when it has that name, false when it
// belongs to another name; nothing changes then. Otherwise adds (name, id) and answers true.
bool RegisterMessageId(std::uint16_t id, std::string_view name);
// The name of a number; empty for an unknown number (the fixed events 0-65 have none).
std::string MessageName(int number);
// The number RegisterMessage would give a new name now.
std::uint16_t NextMessageId();
// Looks a name up without registering it.
bool FindMessage(std::string_view name, std::uint16_t* number = nullptr);
// Deletes every entry; numbering starts again at 67. The Application's destructor calls it.
void ClearMessageRegistry();
int MessageRegistryCount();
// Tests: the registry's invariants (unique numbers, index agrees with the list).
bool CheckMessageRegistry();

class TypeInfoBase;

// Keeps the descriptor unless one of the same class name is registered: then nothing happens,
// false is returned and the caller keeps its descriptor.
bool RegisterTypeInfo(TypeInfoBase* descriptor);
// By class name; registers the name as a message when it is new. Null when no descriptor.
TypeInfoBase* FindTypeInfo(std::string_view className);
// By class name without registering anything (for names read from outside).
TypeInfoBase* LookUpTypeInfo(std::string_view className);
TypeInfoBase* FindTypeInfoById(std::uint16_t id);
// Deletes every descriptor. The core's own types come back at the next look-up.
void ClearTypeRegistry();
int TypeRegistryCount();
// Changes at every ClearTypeRegistry; a TypeInfo<T> registers again when it differs.
unsigned TypeRegistryGeneration();
