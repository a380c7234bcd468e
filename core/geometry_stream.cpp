#include "core/geometry_stream.h"

// Each reader fills a copy and hands it over only when every field was there.
SuperString& operator<<(SuperString& s, const Point& v) { return s << v.x << v.y; }
SuperString& operator>>(SuperString& s, Point& v) {
    Point r;
    s >> r.x >> r.y;
    if (!s.Failed()) v = r;
    return s;
}

SuperString& operator<<(SuperString& s, const Dim& v) { return s << v.width << v.height; }
SuperString& operator>>(SuperString& s, Dim& v) {
    Dim r;
    s >> r.width >> r.height;
    if (!s.Failed()) v = r;
    return s;
}

SuperString& operator<<(SuperString& s, const Box& v) { return s << v.x << v.y << v.width << v.height; }
SuperString& operator>>(SuperString& s, Box& v) {
    Box r;
    s >> r.x >> r.y >> r.width >> r.height;
    if (!s.Failed()) v = r;
    return s;
}

SuperString& operator<<(SuperString& s, const Point3D& v) { return s << v.x << v.y << v.z; }
SuperString& operator>>(SuperString& s, Point3D& v) {
    Point3D r;
    s >> r.x >> r.y >> r.z;
    if (!s.Failed()) v = r;
    return s;
}

SuperString& operator<<(SuperString& s, const Point4& v) { return s << v.x << v.y << v.z << static_cast<int>(v.fourth); }
SuperString& operator>>(SuperString& s, Point4& v) {
    Point4 r;
    int fourth = 0;
    s >> r.x >> r.y >> r.z >> fourth;
    r.fourth = fourth;
    if (!s.Failed()) v = r;
    return s;
}

SuperString& operator<<(SuperString& s, const DateTime& v) {
    return s << v.year << v.month << v.day << v.hour << v.minute;
}
SuperString& operator>>(SuperString& s, DateTime& v) {
    DateTime r;
    s >> r.year >> r.month >> r.day >> r.hour >> r.minute;
    if (!s.Failed()) v = r;
    return s;
}
