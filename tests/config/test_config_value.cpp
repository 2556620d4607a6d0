// Item values: conversions to and from text, read as the "C" locale does.
#include "config/config_value.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

TEST(ConfigValueRead, AsBool) {
  const struct {
    const char* text;
    bool expected;
  } cases[] = {
      {"yes", true},  {"YES", true},    {"Ja", true},  {"tRuE", true},  {"1", true},
      {"1abc", true}, {" 1", true},     {"+01", true}, {"yes ", false}, {"yesno", false},
      {"0", false},   {"2", false},     {"", false},   {"no", false},   {"-1", false},
      {"jaa", false}, {"false", false}, {"11", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CSConfigValue(c.text).asBool(), c.expected) << '"' << c.text << '"';
  }
}

TEST(ConfigValueRead, AsIntAndAsDouble) {
  const struct {
    const char* text;
    int asInt;
    double asDouble;
  } cases[] = {
      {"42", 42, 42.0},
      {" \t-7x", -7, -7.0},
      {"", 0, 0.0},
      {"abc", 0, 0.0},
      {"+3.75", 3, 3.75},
      {".5", 0, 0.5},
      {"1,5", 1, 1.0},  // the decimal sign is always "."
      {"-2.5e2", -2, -250.0},
      {"0x10", 0, 16.0},
      {"99999999999", INT_MAX, 99999999999.0},
      {"-99999999999", INT_MIN, -99999999999.0},
      {"1e-400", 1, 0.0},
      {"+-1", 0, 0.0},
      {"- 1", 0, 0.0},
  };
  for (const auto& c : cases) {
    const CSConfigValue value(c.text);
    EXPECT_EQ(value.asInt(), c.asInt) << '"' << c.text << '"';
    EXPECT_DOUBLE_EQ(value.asDouble(), c.asDouble) << '"' << c.text << '"';
  }
  EXPECT_EQ(CSConfigValue("1e400").asDouble(), HUGE_VAL);
  EXPECT_EQ(CSConfigValue("-1e400").asDouble(), -HUGE_VAL);
  EXPECT_EQ(CSConfigValue("0.0000000000000000000000001e-400").asDouble(), 0.0);
  EXPECT_EQ(CSConfigValue(std::string(400, '9')).asDouble(), HUGE_VAL);
  EXPECT_EQ(CSConfigValue("-inf").asDouble(), -HUGE_VAL);
  EXPECT_TRUE(std::isnan(CSConfigValue("nan").asDouble()));
}

TEST(ConfigValueRead, ScanReportsWhetherANumberWasThere) {
  int i = 5;
  double d = 5.0;
  EXPECT_FALSE(scanInt("x1", i));
  EXPECT_FALSE(scanDouble("", d));
  EXPECT_EQ(i, 5);
  EXPECT_EQ(d, 5.0);
  EXPECT_TRUE(scanInt(" 12;", i));
  EXPECT_TRUE(scanDouble("1.5e1x", d));
  EXPECT_EQ(i, 12);
  EXPECT_EQ(d, 15.0);
}

TEST(ConfigValueRead, ArraysAndLists) {
  const CSConfigValue value("1.5, 2 ,x,4");
  double d[3] = {};
  EXPECT_EQ(value.asDoubleArray(d, 3), 3);
  EXPECT_EQ(d[0], 1.5);
  EXPECT_EQ(d[1], 2.0);
  EXPECT_EQ(d[2], 0.0);
  int n[10] = {};
  EXPECT_EQ(value.asIntArray(n, 10), 4);
  EXPECT_EQ(n[3], 4);
  float f[2] = {};
  EXPECT_EQ(value.asFloatArray(f, 2), 2);
  EXPECT_EQ(f[0], 1.5f);
  EXPECT_EQ(value.asDoubleArray(nullptr, 3), 0);
  EXPECT_EQ(value.asIntArray(n, 0), 0);
  EXPECT_EQ(CSConfigValue("").asIntArray(n, 10), 0);

  EXPECT_EQ(CSConfigValue("1;\"2;5\";;3").asRealList(';'),
            (std::vector<double>{1.0, 2.0, 0.0, 3.0}));
  EXPECT_EQ(CSConfigValue("7|x|-2").asIntList('|'), (std::vector<int>{7, 0, -2}));
  EXPECT_EQ(CSConfigValue("a, 'b,c' ,,d").asStringList(',', '\''),
            (std::vector<std::string>{"a", "b,c", "", "d"}));
  EXPECT_TRUE(CSConfigValue("").asStringList(',', 0).empty());
}

TEST(ConfigValueWrite, TextsWritten) {
  const struct {
    const char* name;
    void (*write)(CSConfigValue&);
    const char* expected;
  } cases[] = {
      {"set", [](CSConfigValue& v) { v.set("abc"); }, "abc"},
      {"set null", [](CSConfigValue& v) { v.set(static_cast<const char*>(nullptr)); }, ""},
      {"append", [](CSConfigValue& v) { v.append("+x"); }, "old+x"},
      {"setBool true", [](CSConfigValue& v) { v.setBool(true); }, "YES"},
      {"setBool false", [](CSConfigValue& v) { v.setBool(false); }, "NO"},
      {"setInt", [](CSConfigValue& v) { v.setInt(-5); }, "-5"},
      {"setDouble 2", [](CSConfigValue& v) { v.setDouble(3.14159, 2); }, "3.14"},
      {"setDouble 0", [](CSConfigValue& v) { v.setDouble(2.5, 0); }, "2"},
      {"setDouble negative digits", [](CSConfigValue& v) { v.setDouble(1.0 / 3, -1); }, "0.333333"},
      {"setDouble large", [](CSConfigValue& v) { v.setDouble(1e20, 1); },
       "100000000000000000000.0"},
      {"setDouble negative", [](CSConfigValue& v) { v.setDouble(-0.25, 3); }, "-0.250"},
      {"setDoubleArray",
       [](CSConfigValue& v) {
         const double a[] = {1, 2.5};
         v.setDoubleArray(a, 2, 1);
       },
       "1.0,2.5"},
      {"setFloatArray",
       [](CSConfigValue& v) {
         const float a[] = {0.5f};
         v.setFloatArray(a, 1, 2);
       },
       "0.50"},
      {"setIntArray",
       [](CSConfigValue& v) {
         const int a[] = {1, -2, 3};
         v.setIntArray(a, 3);
       },
       "1,-2,3"},
      {"setIntArray null", [](CSConfigValue& v) { v.setIntArray(nullptr, 3); }, ""},
      {"setIntList",
       [](CSConfigValue& v) {
         v.setIntList({4, 5});
       },
       "4,5"},
      {"setDoubleList",
       [](CSConfigValue& v) {
         v.setDoubleList({0.1, 2}, 2);
       },
       "0.10,2.00"},
      {"setStringList quoted",
       [](CSConfigValue& v) {
         v.setStringList({"a", "b \"c\""}, ';', '"');
       },
       "\"a\";\"b \"c\"\""},
      {"setStringList plain",
       [](CSConfigValue& v) {
         v.setStringList({"a", "", "b"}, ',', 0);
       },
       "a,,b"},
  };
  for (const auto& c : cases) {
    CSConfigValue value("old");
    EXPECT_FALSE(value.isModified());
    c.write(value);
    EXPECT_EQ(value.asString(), c.expected) << c.name;
    EXPECT_TRUE(value.isModified()) << c.name;
  }
}

TEST(ConfigValueWrite, FormatFixedMatchesPrintf) {
  for (double v : {0.0, -0.0, 1.5, 2.675, 123456.789, 1e-7, -1e300}) {
    for (int digits : {0, 1, 3, 6, 15}) {
      char expected[512];
      std::snprintf(expected, sizeof expected, "%.*f", digits, v);
      EXPECT_EQ(formatFixed(v, digits), expected) << v << " " << digits;
    }
  }
  EXPECT_EQ(formatFixed(1.0, 1200).size(), 1202u);
}

TEST(ConfigValueWrite, ModifiedFlagOnly) {
  CSConfigValue value("x");
  value.setModified(true);
  EXPECT_TRUE(value.isModified());
  EXPECT_EQ(value.asString(), "x");
  value.setModified(false);
  EXPECT_FALSE(value.isModified());
}

}  // namespace
