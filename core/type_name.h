#pragma once
// The name of a type as payload class names and list streams spell it: the class or enumeration
// name ("CBtask", "NATION"), template arguments in angle brackets ("List<short>"), a pointer as
// the pointee's name followed by " *" ("Sprite *"), std::string as "string". Names cross to other
// machines and into files, so they must not depend on the build; specialise TypeNameTraits for a
// type whose name must differ from its C++ spelling.
#include <string>
#include <typeinfo>

// From the run-time type information's mangled name to the form above.
std::string NormalizeTypeName(const char* mangledName);

template <class T>
struct TypeNameTraits {
    static std::string Name() { return NormalizeTypeName(typeid(T).name()); }
};

template <class T>
const std::string& TypeNameOf() {
    static const std::string name = TypeNameTraits<T>::Name();
    return name;
}
