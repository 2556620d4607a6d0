// Item values: conversions to and from text, read and written as the "C" locale does.
#include "config/config_value.h"

#include <climits>
#include <cmath>
#include <functional>

#include "config/steps.h"

using namespace cfgtest;

namespace {

TEST(ConfigValue, AsBool) {
  const struct {
    const char* text;
    bool expected;
  } cases[] = {{"Ja", true},     {"tRuE", true}, {"YES", true}, {" +01x", true}, {"yes ", false},
               {"yesno", false}, {"jaa", false}, {"11", false}, {"-1", false},   {"", false}};
  for (const auto& c : cases) EXPECT_EQ(CSConfigValue(c.text).asBool(), c.expected) << c.text;
}

// Each text read as an int and as a double; "1,5" shows the decimal sign is always ".".
TEST(ConfigValue, Numbers) {
  const struct {
    const char* text;
    int asInt;
    double asDouble;
  } cases[] = {
      {" \t-7x", -7, -7}, {"abc", 0, 0},        {"+3.75", 3, 3.75},     {".5", 0, 0.5},
      {"1,5", 1, 1},      {"-2.5e2", -2, -250}, {"0x1A.8p1", 0, 53},    {"0x.8", 0, 0.5},
      {"0xg", 0, 0},      {"+-1", 0, 0},        {"- 1", 0, 0},          {"-inf", 0, -HUGE_VAL},
      {"1e-400", 1, 0},   {"0.01e-400", 0, 0},  {"1e400", 1, HUGE_VAL}, {"-1e+400", -1, -HUGE_VAL},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CSConfigValue(c.text).asInt(), c.asInt) << c.text;
    EXPECT_DOUBLE_EQ(CSConfigValue(c.text).asDouble(), c.asDouble) << c.text;
  }
  // Out of range: ints saturate, doubles overflow to HUGE_VAL or underflow to 0.
  EXPECT_TEXT((Text() << textToInt("9999999999") << " " << textToInt("-9999999999")),
              "2147483647 -2147483648");
  EXPECT_EQ(textToDouble("0x1p99999"), HUGE_VAL);
  EXPECT_EQ(textToDouble("0x0.01p-1080"), 0.0);
  EXPECT_EQ(textToDouble(std::string(400, '9')), HUGE_VAL);
  EXPECT_TRUE(std::isnan(CSConfigValue("nan").asDouble()));
  // Without a number the scans say so and leave the target alone.
  int i = 5;
  double d = 5;
  EXPECT_TEXT((Text() << scanInt("x1", i) << scanDouble("", d) << i << scanInt(" 12;", i) << i
                      << scanDouble("1.5e1x", d) << (d == 15)),
              "--5+12++");
}

TEST(ConfigValue, ArraysAndLists) {
  const CSConfigValue value("1.5, 2 ,x,4");
  double d[3] = {};
  int n[10] = {};
  float f[2] = {};
  EXPECT_TEXT((Text() << value.asDoubleArray(d, 3) << (d[0] == 1.5 && d[1] == 2 && d[2] == 0)
                      << value.asIntArray(n, 10) << n[0] << n[1] << n[2] << n[3]
                      << value.asFloatArray(f, 2) << (f[0] == 1.5f && f[1] == 2)),
              "3+412042+");
  EXPECT_EQ(value.asDoubleArray(nullptr, 3) + value.asIntArray(n, 0) + value.asFloatArray(f, -1) +
                CSConfigValue("").asIntArray(n, 10),
            0);
  EXPECT_EQ(CSConfigValue("1;\"2;5\";;3").asRealList(';'), (std::vector<double>{1, 2, 0, 3}));
  EXPECT_EQ(CSConfigValue("7|x|-2").asIntList('|'), (std::vector<int>{7, 0, -2}));
  EXPECT_EQ(CSConfigValue("a, 'b,c' ,,d").asStringList(',', '\''), (Names{"a", "b,c", "", "d"}));
}

// The text a write leaves in a value that held "old"; every write marks it modified.
std::string written(const std::function<void(CSConfigValue&)>& write) {
  CSConfigValue value("old");
  write(value);
  return value.isModified() ? value.asString() : "<not marked modified>";
}

TEST(ConfigValue, Writes) {
  const double doubles[] = {1, 2.5};
  const float floats[] = {0.5f};
  const int ints[] = {1, -2, 3};
  const std::vector<int> intList{4, 5};
  const std::vector<double> doubleList{0.1, 2};
  const Names texts{"a", "", "b\"c"};
  expectSteps({
      {"setDouble rounds", written([](auto& v) { v.setDouble(3.14159, 2); }), "3.14"},
      {"setDouble, negative digits", written([](auto& v) { v.setDouble(1.0 / 3, -1); }),
       "0.333333"},
      {"setDoubleArray", written([&](auto& v) { v.setDoubleArray(doubles, 2, 1); }), "1.0,2.5"},
      {"setFloatArray", written([&](auto& v) { v.setFloatArray(floats, 1, 2); }), "0.50"},
      {"setIntArray", written([&](auto& v) { v.setIntArray(ints, 3); }), "1,-2,3"},
      {"setIntArray null", written([](auto& v) { v.setIntArray(nullptr, 3); }), ""},
      {"setIntList", written([&](auto& v) { v.setIntList(intList); }), "4,5"},
      {"setDoubleList", written([&](auto& v) { v.setDoubleList(doubleList, 2); }), "0.10,2.00"},
      {"quoted strings", written([&](auto& v) { v.setStringList(texts, ';', '"'); }),
       "\"a\";\"\";\"b\"c\""},
      {"plain strings", written([&](auto& v) { v.setStringList(texts, ',', 0); }), "a,,b\"c"},
      {"no separator", written([&](auto& v) { v.setStringList(texts, 0, 0); }), "ab\"c"},
      // Beyond the digits a double holds printf pads with zeros; infinity has none.
      {"many digits", formatFixed(1.0, 1200), "1." + std::string(1200, '0')},
      {"infinity", formatFixed(-HUGE_VAL, 1200), "-inf"},
  });
}

}  // namespace
