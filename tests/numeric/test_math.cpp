// numeric: the bits each function must give on every system, and on Linux
// closeness to the C library over a spread of arguments.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <random>

#include "numeric/math.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Bit for bit; a NaN expected stands for any NaN. Where a result is the
// correctly rounded one, glibc gives it too: all of these but tan(1e22), where
// glibc's is one ulp lower.
void expectBits(double got, double want, const char* fn, const char* name) {
  if (std::isnan(want))
    EXPECT_TRUE(std::isnan(got)) << fn << ", " << name << ": " << got;
  else
    EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(want))
        << fn << ", " << name << ": " << std::hexfloat << got << " for " << want;
}

struct Case {
  const char* name;
  double want, a, b = 0;  // want = f(a) or f(a, b)
};

void expectCases(const char* fn, double (*f)(double, double), std::initializer_list<Case> cases) {
  for (const Case& c : cases) expectBits(f(c.a, c.b), c.want, fn, c.name);
}

}  // namespace

// pi/2 and the multiples of pi are the doubles nearest them: the results are
// how far those lie from the true angle, which the reduction must keep.
TEST(NumericMath, SinCosTan) {
  const struct {
    const char* name;
    double x, sin, cos, tan;
  } cases[] = {
      {"zero", 0.0, 0.0, 1.0, 0.0},
      {"minus zero", -0.0, -0.0, 1.0, -0.0},
      {"tiny", 0x1p-30, 0x1p-30, 1.0, 0x1p-30},
      {"pi/4", 0x1.921fb54442d18p-1, 0x1.6a09e667f3bccp-1, 0x1.6a09e667f3bcdp-1,
       0x1.fffffffffffffp-1},
      {"pi/2", 0x1.921fb54442d18p+0, 1.0, 0x1.1a62633145c07p-54, 0x1.d02967c31cdb5p+53},
      {"pi", 0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53, -1.0, -0x1.1a62633145c07p-53},
      {"3 pi/2", 0x1.2d97c7f3321d2p+2, -1.0, -0x1.a79394c9e8a0ap-53, 0x1.3570efd768923p+52},
      {"-2 pi", -0x1.921fb54442d18p+2, 0x1.1a62633145c07p-52, 1.0, 0x1.1a62633145c07p-52},
      {"1000 pi", 0x1.88b2f704a9409p+11, -0x1.69e20a6f0f0efp-42, 1.0, -0x1.69e20a6f0f0efp-42},
      {"1.570796", 1.570796, 0x1.ffffffffffe1fp-1, 0x1.5ee4b2791a5b8p-22, 0x1.7589ba74a3b15p+21},
      {"3.141592", 3.141592, 0x1.5ee4b2791a46fp-21, -0x1.ffffffffff87cp-1, -0x1.5ee4b2791a995p-21},
      {"-1e6", -1e6, 0x1.6664b2568d867p-2, 0x1.df9df9906d32cp-1, 0x1.7e9768ab734cp-2},
      {"1e22", 1e22, -0x1.b453ab76bf397p-1, 0x1.0be2cef01c8f4p-1, -0x1.a0f79c1b6b258p+0},
      {"1e308", 1e308, 0x1.d0472b6b4d936p-2, -0x1.c859a523ff229p-1, -0x1.047282056e683p-1},
      {"NaN", kNaN, kNaN, kNaN, kNaN},
      {"-inf", -kInf, kNaN, kNaN, kNaN},
  };
  for (const auto& c : cases) {
    expectBits(numeric::sin(c.x), c.sin, "sin", c.name);
    expectBits(numeric::cos(c.x), c.cos, "cos", c.name);
    expectBits(numeric::tan(c.x), c.tan, "tan", c.name);
  }
}

TEST(NumericMath, AtanAtan2AcosHypot) {
  expectCases("atan", [](double x, double) { return numeric::atan(x); },
              {{"minus zero", -0.0, -0.0},
               {"tiny", 0x1p-30, 0x1p-30},
               {"0.5", 0x1.dac670561bb4fp-2, 0.5},
               {"-1", -0x1.921fb54442d18p-1, -1.0},
               {"2.4375", 0x1.2e75728833a54p+0, 2.4375},
               {"1e308", 0x1.921fb54442d18p+0, 1e308},
               {"-inf", -0x1.921fb54442d18p+0, -kInf},
               {"NaN", kNaN, kNaN}});
  expectCases("atan2", numeric::atan2,
              {{"first quadrant", 0x1.921fb54442d18p-1, 1.0, 1.0},
               {"second quadrant", 0x1.2d97c7f3321d2p+1, 1.0, -1.0},
               {"third quadrant", -0x1.2d97c7f3321d2p+1, -1.0, -1.0},
               {"fourth quadrant", -0x1.921fb54442d18p-1, -1.0, 1.0},
               {"-0 +0", -0.0, -0.0, 0.0},
               {"+0 -0", 0x1.921fb54442d18p+1, 0.0, -0.0},
               {"-0 -0", -0x1.921fb54442d18p+1, -0.0, -0.0},
               {"down", -0x1.921fb54442d18p+0, -1.0, 0.0},
               {"x = 1", 0x1.dac670561bb4fp-2, 0.5, 1.0},
               {"steep", 0x1.921fb54442d18p+0, 1e300, 1e-300},
               {"flat behind", 0x1.921fb54442d18p+1, 1e-300, -1e300},
               {"along +inf", -0.0, -1.0, kInf},
               {"-inf -inf", -0x1.2d97c7f3321d2p+1, -kInf, -kInf},
               {"NaN", kNaN, 1.0, kNaN}});
  expectCases("acos", [](double x, double) { return numeric::acos(x); },
              {{"1", 0.0, 1.0},
               {"-1", 0x1.921fb54442d18p+1, -1.0},
               {"minus zero", 0x1.921fb54442d18p+0, -0.0},
               {"-0.5", 0x1.0c152382d7366p+1, -0.5},
               {"0.9999999", 0x1.d4effc851e7f2p-12, 0.9999999},
               {"above 1", kNaN, 1.0000001},
               {"NaN", kNaN, kNaN}});
  expectCases("hypot", numeric::hypot,
              {{"3 4", 5.0, -3.0, 4.0},
               {"huge", 0x1.92c80954c51f5p+1023, 1e308, 1e308},
               {"huge and tiny", 0x1.7e43c8800759cp+996, 1e300, 1e-300},
               {"subnormals", 0x0.0292991fdae04p-1022, 1e-310, 2e-310},
               {"inf and NaN", kInf, kNaN, -kInf},
               {"NaN", kNaN, kNaN, 1.0}});
}

#ifndef _WIN32
// Within an ulp of glibc over every magnitude and sign: a slip in porting a
// constant or a step shows here.
TEST(NumericMath, WithinAnUlpOfGlibc) {
  std::mt19937_64 gen(20240607);
  std::uniform_real_distribution<double> angle(-10, 10), unit(-1, 1), exponent(-300, 308);
  auto anySize = [&] { return std::copysign(std::pow(10.0, exponent(gen)), unit(gen)); };
  int failures = 0;
  auto check = [&](const char* fn, double got, double want, double a, double b = 0) {
    const bool near = std::isnan(want) ? std::isnan(got)
                                       : got == want || got == std::nextafter(want, kInf) ||
                                             got == std::nextafter(want, -kInf);
    if (!near && ++failures <= 10)
      ADD_FAILURE() << fn << '(' << std::hexfloat << a << ", " << b << "): " << got << " for "
                    << want;
  };
  for (int i = 0; i < 100000; ++i) {
    const double a = i % 2 ? angle(gen) : anySize(), b = anySize(), u = unit(gen);
    check("sin", numeric::sin(a), std::sin(a), a);
    check("cos", numeric::cos(a), std::cos(a), a);
    check("tan", numeric::tan(a), std::tan(a), a);
    check("atan", numeric::atan(b), std::atan(b), b);
    check("atan2", numeric::atan2(a, b), std::atan2(a, b), a, b);
    check("acos", numeric::acos(u), std::acos(u), u);
    check("hypot", numeric::hypot(a, b), std::hypot(a, b), a, b);
  }
  EXPECT_EQ(failures, 0);
}
#endif
