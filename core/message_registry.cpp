// Invariants: every entry's number is unique; the name index maps each name to the number of its
// first entry; the number index maps each number to its entry's name; highest is the largest
// number held. The type registry holds at most one descriptor per class name.
#include "core/message_registry.h"

#include "core/list.h"
#include "core/type_info.h"

#include <map>
#include <unordered_map>

void RegisterCoreTypes();

namespace {

struct RegisteredMessage {
    std::string name;
    std::uint16_t id;
};

struct StringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

struct MessageRegistry {
    List<RegisteredMessage*> entries;
    std::unordered_map<std::string, std::uint16_t, StringHash, std::equal_to<>> byName;
    std::unordered_map<std::uint16_t, const std::string*> byId;
    std::uint32_t highest = 0;
};

// Both registries live to the end of the process and are never destroyed, so that components
// and payloads destroyed during static destruction can still use them.
MessageRegistry& messages() {
    static auto* registry = new MessageRegistry;
    return *registry;
}

struct TypeRegistry {
    List<TypeInfoBase*> entries;
    std::map<std::string, TypeInfoBase*, std::less<>> byName;
    unsigned generation = 1;
    unsigned coreTypesIn = 0;
};

TypeRegistry& typesRaw() {
    static auto* registry = new TypeRegistry;
    return *registry;
}

// The registry with the core's own types in it.
TypeRegistry& types() {
    TypeRegistry& t = typesRaw();
    if (t.coreTypesIn != t.generation) {
        t.coreTypesIn = t.generation;
        RegisterCoreTypes();
    }
    return t;
}

void append(MessageRegistry& r, std::string_view name, std::uint16_t id) {
    auto* entry = new RegisteredMessage{std::string(name), id};
    r.entries.AddTail(entry);
    r.byName.emplace(entry->name, id);
    r.byId.emplace(id, &entry->name);
    if (id > r.highest) r.highest = id;
}

} // namespace

std::uint16_t NextMessageId() {
    auto& r = messages();
    if (r.entries.IsEmpty()) return 67;
    std::uint32_t h = r.highest;
    if (h >= 100 && h <= 4000) h = 4000;
    // A name never gets the number of a fixed event, whatever was registered below 67.
    if (h < 66) h = 66;
    return h >= 0xFFFF ? 0 : static_cast<std::uint16_t>(h + 1);
}

std::uint16_t RegisterMessage(std::string_view name) {
    auto& r = messages();
    auto it = r.byName.find(name);
    if (it != r.byName.end()) return it->second;
    std::uint16_t id = NextMessageId();
    if (id == 0) return 0;
    append(r, name, id);
    return id;
}

bool RegisterMessageId(std::uint16_t id, std::string_view name) {
    auto& r = messages();
    auto it = r.byId.find(id);
    if (it != r.byId.end()) return *it->second == name;
    append(r, name, id);
    return true;
}

std::string MessageName(int number) {
    if (number < 0 || number > 0xFFFF) return {};
    auto& r = messages();
    auto it = r.byId.find(static_cast<std::uint16_t>(number));
    return it == r.byId.end() ? std::string() : *it->second;
}

bool FindMessage(std::string_view name, std::uint16_t* number) {
    auto& r = messages();
    auto it = r.byName.find(name);
    if (it == r.byName.end()) return false;
    if (number) *number = it->second;
    return true;
}

void ClearMessageRegistry() {
    auto& r = messages();
    r.byName.clear();
    r.byId.clear();
    RegisteredMessage* entry;
    while (r.entries.RemoveHead(entry)) delete entry;
    r.highest = 0;
}

int MessageRegistryCount() { return messages().entries.Count(); }

bool CheckMessageRegistry() {
    auto& r = messages();
    if (!r.entries.Check()) return false;
    std::map<std::uint16_t, int> seen;
    std::uint32_t highest = 0;
    for (Item<RegisteredMessage*>* i = r.entries.Head(); i; i = i->next) {
        const RegisteredMessage* e = i->value;
        if (++seen[e->id] > 1) return false;
        auto byId = r.byId.find(e->id);
        if (byId == r.byId.end() || *byId->second != e->name) return false;
        auto byName = r.byName.find(e->name);
        if (byName == r.byName.end()) return false;
        if (e->id > highest) highest = e->id;
    }
    return highest == r.highest && r.byId.size() == seen.size();
}

bool RegisterTypeInfo(TypeInfoBase* descriptor) {
    if (!descriptor) return false;
    auto& t = types();
    std::string name = descriptor->TypeName();
    if (t.byName.count(name)) return false;
    RegisterMessage(name);
    t.byName.emplace(name, descriptor);
    t.entries.AddTail(descriptor);
    return true;
}

TypeInfoBase* LookUpTypeInfo(std::string_view className) {
    auto& t = types();
    auto it = t.byName.find(className);
    return it == t.byName.end() ? nullptr : it->second;
}

TypeInfoBase* FindTypeInfo(std::string_view className) {
    RegisterMessage(className);
    return LookUpTypeInfo(className);
}

TypeInfoBase* FindTypeInfoById(std::uint16_t id) {
    std::string name = MessageName(id);
    return name.empty() ? nullptr : LookUpTypeInfo(name);
}

void ClearTypeRegistry() {
    auto& t = typesRaw();
    TypeInfoBase* descriptor;
    while (t.entries.RemoveHead(descriptor)) delete descriptor;
    t.byName.clear();
    ++t.generation;
}

int TypeRegistryCount() { return types().entries.Count(); }

unsigned TypeRegistryGeneration() { return typesRaw().generation; }
