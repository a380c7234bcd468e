#pragma once
// Payloads: every event and named message carries its data as a heap object of class
// Container<T>, seen by the bus through ContainerBase. The bus clones a payload for each receiver
// that must keep one; whoever receives a pointer from Clone, from a delivery's result or from a
// stream reader owns it and deletes it.
//
// The type id of a payload is the named-message id of its type's name (core/type_name.h), so
// payload types and named messages share one number space.
#include "core/message_registry.h"
#include "core/type_name.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

class ContainerBase {
public:
    virtual ~ContainerBase() = default;
    // A new copy, owned by the caller.
    virtual ContainerBase* Clone() const = 0;
    virtual std::uint16_t TypeId() const = 0;
    virtual std::string TypeName() const = 0;
};

template <class T>
class Container : public ContainerBase {
public:
    Container() = default;
    explicit Container(const T& v) : value(v) {}
    explicit Container(T&& v) : value(std::move(v)) {}

    Container* Clone() const override { return new Container(value); }
    // Looked up at each call, so that it always matches the registry as it stands.
    std::uint16_t TypeId() const override { return RegisterMessage(TypeNameOf<T>()); }
    std::string TypeName() const override { return TypeNameOf<T>(); }

    void Get(T& out) const { out = value; }
    T* Value() { return &value; }
    const T* Value() const { return &value; }

private:
    T value{};
};

// Copies the value out of a Container<T>; false (out untouched) for null or another type.
template <class T>
bool ExtractData(const ContainerBase* payload, T& out) {
    auto* c = dynamic_cast<const Container<T>*>(payload);
    if (!c) return false;
    out = *c->Value();
    return true;
}

// The value held by a Container<T> in place; null for null or another type.
template <class T>
T* PayloadValue(ContainerBase* payload) {
    auto* c = dynamic_cast<Container<T>*>(payload);
    return c ? c->Value() : nullptr;
}
template <class T>
const T* PayloadValue(const ContainerBase* payload) {
    auto* c = dynamic_cast<const Container<T>*>(payload);
    return c ? c->Value() : nullptr;
}

// The two text payloads hold a pointer to a text that the container owns: it copies the text
// when made and when cloned, and frees it when destroyed.
template <>
class Container<char*> : public ContainerBase {
public:
    explicit Container(const char* text = nullptr) : value(Copy(text)) {}
    Container(const Container& o) : ContainerBase(), value(Copy(o.value)) {}
    Container& operator=(const Container& o) {
        if (this != &o) {
            char* fresh = Copy(o.value);
            delete[] value;
            value = fresh;
        }
        return *this;
    }
    ~Container() override { delete[] value; }

    Container* Clone() const override { return new Container(*this); }
    std::uint16_t TypeId() const override { return RegisterMessage(TypeNameOf<char*>()); }
    std::string TypeName() const override { return TypeNameOf<char*>(); }

    // The container's own copy (null when made from null); it lives as long as the container.
    char* Text() const { return value; }
    void Get(char*& out) const { out = value; }
    char** Value() { return &value; }
    char* const* Value() const { return &value; }

private:
    static char* Copy(const char* source) {
        if (!source) return nullptr;
        std::size_t n = std::char_traits<char>::length(source);
        char* copy = new char[n + 1];
        std::char_traits<char>::copy(copy, source, n + 1);
        return copy;
    }

    char* value;
};

template <>
class Container<const char*> : public ContainerBase {
public:
    explicit Container(const char* text = nullptr) : inner(text) { value = inner.Text(); }
    Container(const Container& o) : ContainerBase(), inner(o.inner) { value = inner.Text(); }
    Container& operator=(const Container& o) {
        inner = o.inner;
        value = inner.Text();
        return *this;
    }

    Container* Clone() const override { return new Container(*this); }
    std::uint16_t TypeId() const override { return RegisterMessage(TypeNameOf<const char*>()); }
    std::string TypeName() const override { return TypeNameOf<const char*>(); }

    const char* Text() const { return value; }
    void Get(const char*& out) const { out = value; }
    const char** Value() { return &value; }
    const char* const* Value() const { return &value; }

private:
    Container<char*> inner;
    const char* value;
};
