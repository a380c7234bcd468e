#pragma once
// Stream forms of the geometry values and of DateTime: their fields in order, each i16 as two
// bytes (the fourth value of Point4 as four).
#include "core/date_time.h"
#include "core/geometry.h"
#include "core/super_string.h"

SuperString& operator<<(SuperString& s, const Point& v);
SuperString& operator>>(SuperString& s, Point& v);
SuperString& operator<<(SuperString& s, const Dim& v);
SuperString& operator>>(SuperString& s, Dim& v);
SuperString& operator<<(SuperString& s, const Box& v);
SuperString& operator>>(SuperString& s, Box& v);
SuperString& operator<<(SuperString& s, const Point3D& v);
SuperString& operator>>(SuperString& s, Point3D& v);
SuperString& operator<<(SuperString& s, const Point4& v);
SuperString& operator>>(SuperString& s, Point4& v);
SuperString& operator<<(SuperString& s, const DateTime& v);
SuperString& operator>>(SuperString& s, DateTime& v);
