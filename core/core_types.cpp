// The payload types the core itself can write and read: scalars, strings, event words, lists of
// shorts and the geometry values.
#include "core/geometry_stream.h"
#include "core/list.h"
#include "core/type_info.h"

#include <string>

void RegisterCoreTypes() {
    TypeInfo<short>::Register();
    TypeInfo<unsigned short>::Register();
    TypeInfo<int>::Register();
    TypeInfo<unsigned int>::Register();
    TypeInfo<long>::Register();
    TypeInfo<unsigned long>::Register();
    TypeInfo<char>::Register();
    TypeInfo<unsigned char>::Register();
    TypeInfo<float>::Register();
    TypeInfo<double>::Register();
    TypeInfo<std::string>::Register();
    TypeInfo<BusMessage>::Register();
    TypeInfo<List<short>>::Register();
    TypeInfo<Point>::Register();
    TypeInfo<Dim>::Register();
    TypeInfo<Box>::Register();
    TypeInfo<Point3D>::Register();
    TypeInfo<Point4>::Register();
}
