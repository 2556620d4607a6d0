// Trigonometry and hypot with the same bits on every system we build for.
//
// The C libraries disagree in the last bit: MinGW's sin and cos run on the x87
// unit, whose reduction by pi/2 goes wrong near its multiples, and atan2
// differs from glibc's by an ulp. A drawing written by the Linux and the
// Windows build must give the same DXF file, so geometry calls these instead:
// one port of musl's (FreeBSD msun's, Sun fdlibm's) double-precision code,
// plain IEEE double arithmetic only, every result within an ulp of the exact
// one. NaN, infinities and signed zeros come out as from the C functions.
#pragma once

namespace numeric {

double sin(double x);
double cos(double x);
double tan(double x);
double atan(double x);
// The angle of the point (x, y), in [-pi, pi].
double atan2(double y, double x);
double acos(double x);
// sqrt(x*x + y*y) without overflow or underflow on the way.
double hypot(double x, double y);

}  // namespace numeric
