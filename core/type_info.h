#pragma once
// Payload type descriptors. Each payload type T that is written to streams has one registered
// TypeInfo<T>, found by class name; it writes and reads a T, or a Container<T>, through T's own
// stream operators (operator<< and operator>> between SuperString and T), so the stream form of
// a payload is the stream form of its value.
//
// Register a type once at start-up with a static object in a source file that is certainly
// linked into the program (a static library drops files nothing refers to):
//     static const TypeInfo<LeaderInfo> leaderInfoType(RegisterType);
// or call TypeInfo<LeaderInfo>::Register() from a start-up routine.
#include "core/container.h"
#include "core/message_registry.h"
#include "core/super_string.h"
#include "core/type_name.h"

#include <cstdint>
#include <string>
#include <typeinfo>
#include <utility>

class TypeInfoBase {
public:
    virtual ~TypeInfoBase() = default;
    // The payload's value in T's stream form; a payload of another type writes nothing and
    // marks the stream.
    virtual void WritePayload(SuperString& s, ContainerBase* payload) const = 0;
    // A new payload filled from the stream, owned by the caller; null (stream marked) when the
    // stream ran out.
    virtual ContainerBase* ReadPayload(SuperString& s) const = 0;
    virtual std::uint16_t TypeId() const = 0;
    virtual std::string TypeName() const = 0;

    // The same for a bare value, used by the lists' stream forms without knowing T.
    virtual const std::type_info& ValueType() const = 0;
    virtual void WriteValue(SuperString& s, const void* value) const = 0;
    virtual bool ReadValue(SuperString& s, void* value) const = 0;

    // Descriptors are equal when their ids are.
    bool operator==(const TypeInfoBase& o) const { return TypeId() == o.TypeId(); }
};

struct RegisterTypeTag {};
inline constexpr RegisterTypeTag RegisterType{};

template <class T>
class TypeInfo : public TypeInfoBase {
public:
    // Makes the object only.
    TypeInfo() = default;
    // Registers T (once; again after the type registry has been cleared).
    explicit TypeInfo(RegisterTypeTag) { Register(); }

    static void Register() {
        static unsigned registeredIn = 0;
        unsigned now = TypeRegistryGeneration();
        if (registeredIn == now) return;
        registeredIn = now;
        RegisterMessage(TypeNameOf<T>());
        auto* descriptor = new TypeInfo<T>;
        if (!RegisterTypeInfo(descriptor)) delete descriptor;
    }

    void WritePayload(SuperString& s, ContainerBase* payload) const override {
        const T* value = PayloadValue<T>(payload);
        if (!value) {
            s.SetFailed();
            return;
        }
        Write(s, *value);
    }

    ContainerBase* ReadPayload(SuperString& s) const override {
        T value = Read(s);
        if (s.Failed()) return nullptr;
        return new Container<T>(std::move(value));
    }

    std::uint16_t TypeId() const override { return RegisterMessage(TypeNameOf<T>()); }
    std::string TypeName() const override { return TypeNameOf<T>(); }

    void Write(SuperString& s, const T& value) const { s << value; }
    T Read(SuperString& s) const {
        T value{};
        s >> value;
        return value;
    }

    const std::type_info& ValueType() const override { return typeid(T); }
    void WriteValue(SuperString& s, const void* value) const override { Write(s, *static_cast<const T*>(value)); }
    bool ReadValue(SuperString& s, void* value) const override {
        *static_cast<T*>(value) = Read(s);
        return !s.Failed();
    }
};
