#pragma once
// Small holders of names and texts: ExtractText, which takes a copy out of the two text payloads
// (Container<char *> and Container<const char *>, in core/container.h); QIFBase, the named base
// of every image library; NamedValuePair.
#include "core/container.h"

#include <cstdint>
#include <memory>
#include <string>

// When payload is a Container<char *> or Container<const char *>: stores in out a new array
// holding a copy of its text (the caller frees it with delete[]) and returns true. Any other
// payload, or none, returns false and leaves out untouched. A text payload made from null gives
// an empty text.
bool ExtractText(const ContainerBase* payload, char*& out);
// The same into a string.
bool ExtractText(const ContainerBase* payload, std::string& out);

class QIFBase {
public:
    explicit QIFBase(const char* name_ = "") : libraryName(name_ ? name_ : "") {}
    virtual ~QIFBase() = default;

    std::string GetName() const { return libraryName; }
    void SetName(const char* text) { libraryName = text ? text : ""; }

    // Operations of the image-library template, used by the Application's shared libraries:
    // a new, empty library object of the same class with the given name (the master copy);
    // take over another loaded library of the same class (its tables; the images are shared);
    // delete every image (called on the master when its last user is gone).
    virtual QIFBase* Create(const char* libraryName) = 0;
    virtual void ShareFrom(QIFBase* other) = 0;
    virtual void DeleteImages() = 0;

    // The same as ShareFrom, by the name some callers know it under.
    void CopyFrom(QIFBase* other) { ShareFrom(other); }

private:
    std::string libraryName;
};

// Two 16-bit values with a name (null becomes "int16").
class NamedValuePair {
public:
    NamedValuePair(const char* name_ = nullptr, std::uint16_t first_ = 0, std::uint16_t second_ = 0)
        : first(first_), second(second_), valueName(name_ ? name_ : "int16") {}

    const char* GetName() const { return valueName.c_str(); }
    std::uint16_t First() const { return first; }
    std::uint16_t Second() const { return second; }
    bool operator==(const NamedValuePair&) const = default;

    std::uint16_t first;
    std::uint16_t second;

private:
    std::string valueName;
};
