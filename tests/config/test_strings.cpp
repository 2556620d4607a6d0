#include "config/environment.h"
#include "config/strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Fields = std::vector<std::string>;

TEST(StripChars, EachEndAndBoth) {
  struct Case {
    const char* text;
    const char* set;
    int which;
    const char* expected;
  } cases[] = {
      {"  a b  ", " ", StripLeading, "a b  "},
      {"  a b  ", " ", StripTrailing, "  a b"},
      {"  a b  ", " ", StripBoth, "a b"},
      {"xyxaxy", "xy", StripBoth, "a"},
      {"xyxy", "xy", StripBoth, ""},
      {"xyxy", "xy", StripLeading, ""},
      {"", " ", StripBoth, ""},
      {"abc", "", StripBoth, "abc"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(stripChars(c.text, c.set, c.which), c.expected) << c.text << " " << c.which;
}

TEST(ReplaceAll, ReplacementIsNeverSearchedAgain) {
  EXPECT_EQ(replaceAll("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(replaceAll("abcabc", "abc", "x"), "xx");
  EXPECT_EQ(replaceAll("abab", "ab", ""), "");
  EXPECT_EQ(replaceAll("text", "", "x"), "text");
  EXPECT_EQ(replaceAll("%DIR%/a/%dir%", "%Dir%", "/d", true), "/d/a//d");
  EXPECT_EQ(replaceAll("%DIR%/a/%dir%", "%Dir%", "/d", false), "%DIR%/a/%dir%");
  // From a start position on only; a start beyond the end changes nothing.
  EXPECT_EQ(replaceAll("a-a-a", "a", "b", false, 1), "a-b-b");
  EXPECT_EQ(replaceAll("a-a-a", "a", "b", false, 99), "a-a-a");
}

TEST(ReplaceAll, ManyHitsStayFast) {
  std::string text(200000, 'a');
  std::string out = replaceAll(text, "a", "bc");
  EXPECT_EQ(out.size(), 400000u);
  EXPECT_EQ(out.substr(0, 4), "bcbc");
}

TEST(SlashConversion, SlashesAndTrailingJunk) {
  EXPECT_EQ(toBackslashes("C:/a\\b/"), "C:\\a\\b");
  EXPECT_EQ(toForwardSlashes("C:\\a/b\\ \r\n\t"), "C:/a/b");
  EXPECT_EQ(toForwardSlashes("\\\\srv\\share"), "//srv/share");
  EXPECT_EQ(toForwardSlashes("/"), "");
  EXPECT_EQ(toBackslashes(""), "");
}

TEST(NormalizePath, DotsAndEmptyComponents) {
  struct Case {
    const char* path;
    const char* expected;
  } cases[] = {
      {"a/./b//c/", "a/b/c"},
      {"a\\b\\..\\c", "a/c"},
      {"/a/b/../c", "/a/c"},
      {"/a/../b", "/b"},  // the root survives folding
      {"../a/b", "../a/b"},
      {"a/../../b", "../b"},
      {"//srv/cad/./lib", "//srv/cad/lib"},
      {"C:\\data\\..\\tmp", "C:/tmp"},
      {"C:/../x", "C:/../x"},  // the drive is not folded away
      {"./.", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(normalizePath(c.path), c.expected) << c.path;
}

TEST(MakeAbsolutePath, JoinsExpandsAndNormalises) {
  clearVariableOverrides();
  setVariableOverride("CFGCORE_DIR", "/opt/h");
  EXPECT_EQ(makeAbsolutePath("C:\\base\\", "sub/../f.cfg", false), "C:/base/f.cfg");
  EXPECT_EQ(makeAbsolutePath("/base", "/abs/./f", false), "/abs/f");
  EXPECT_EQ(makeAbsolutePath("/base", "\\abs\\f", false), "/abs/f");
  EXPECT_EQ(makeAbsolutePath("/base", "D:x", false), "D:x");
  EXPECT_EQ(makeAbsolutePath("", "rel/f", false), "rel/f");
  EXPECT_EQ(makeAbsolutePath("/", "etc/f", false), "/etc/f");
  EXPECT_EQ(makeAbsolutePath("\\", "etc", false), "/etc");
  EXPECT_EQ(makeAbsolutePath("/base", "$CFGCORE_DIR/f", false), "/opt/h/f");
  EXPECT_EQ(makeAbsolutePath("/base", "$(CFGCORE_DIR)x", false), "/opt/hx");
  // An undefined variable stays as written.
  EXPECT_EQ(makeAbsolutePath("/base", "$CFGCORE_UNDEFINED_X/f", false),
            "/base/$CFGCORE_UNDEFINED_X/f");
  clearVariableOverrides();
}

TEST(MakeAbsolutePath, ExpandAgainResolvesVariablesTheBaseBrought) {
  clearVariableOverrides();
  setVariableOverride("CFGCORE_R", "/root");
  EXPECT_EQ(makeAbsolutePath("$CFGCORE_R", "f", false), "$CFGCORE_R/f");
  EXPECT_EQ(makeAbsolutePath("$CFGCORE_R", "f", true), "/root/f");
  clearVariableOverrides();
}

TEST(ListContains, PiecesTrimmedAtTheEndOnly) {
  EXPECT_TRUE(listContains("b", "a;b;c", false));
  EXPECT_TRUE(listContains("b", "a;b \t\r\n;c", false));
  EXPECT_FALSE(listContains("b", "a; b;c", false));
  EXPECT_FALSE(listContains("B", "a;b;c", false));
  EXPECT_TRUE(listContains("B", "a;b;c", true));
  EXPECT_FALSE(listContains("", "a;;c", false));
  EXPECT_FALSE(listContains("", "a; ;c", false));
  EXPECT_FALSE(listContains("a", "", false));
  EXPECT_TRUE(listContains("c", ";;c", false));
}

TEST(SplitFields, Cases) {
  struct Case {
    std::string text;
    char separator;
    char quote;
    bool skipEmpty;
    Fields expected;
  } cases[] = {
      {"", ',', '"', false, {}},
      {",", ',', '"', false, {""}},
      {",", ',', '"', true, {}},
      {"a, b ,c", ',', '"', false, {"a", "b", "c"}},
      {"a,,b", ',', '"', false, {"a", "", "b"}},
      {"a,,b", ',', '"', true, {"a", "b"}},
      {"a, ,,b,", ',', '"', true, {"a", "b"}},
      {"a,", ',', '"', false, {"a"}},
      {"\"x, y\",z", ',', '"', false, {"x, y", "z"}},
      {"  \" x \"  ,z", ',', '"', false, {" x ", "z"}},
      {"\"say \"\"hi\"\"\"", ',', '"', false, {"say \"hi\""}},
      {"\"\",a", ',', '"', true, {"", "a"}},
      {"a,\"\"", ',', '"', false, {"a", ""}},
      {"\"open, never closed", ',', '"', false, {"open, never closed"}},
      {"a\"b,c", ',', '"', false, {"a\"b", "c"}},
      {"\"x, y\",z", ',', 0, false, {"\"x", "y\"", "z"}},
      {"\tone\t;\ttwo", ';', 0, false, {"one", "two"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(splitFields(c.text, c.separator, c.quote, c.skipEmpty), c.expected) << c.text;
}

TEST(CompareReals, RelativeToleranceOfTheFirstValue) {
  struct Case {
    double a, b;
    int expected;
  } cases[] = {
      {0, 5e-9, 0},         {0, 2e-8, -1},          {0, -2e-8, 1},
      {100, 100.0005, 0},   {100, 100.002, -1},     {100, 99.998, 1},
      {-100, -100.0005, 0}, {1e-6, 1.000001e-6, 0}, {1, 1, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(compareReals(c.a, c.b), c.expected) << c.a << " " << c.b;
  EXPECT_EQ(compareRealsWithin(1.0, 1.5, 0.5), 0);
  EXPECT_EQ(compareRealsWithin(1.0, 1.6, 0.5), -1);
  EXPECT_EQ(compareRealsWithin(2.0, 1.0, 0.5), 1);
}

TEST(SmallHelpers, IntegersAndCase) {
  EXPECT_EQ(intToString(0), "0");
  EXPECT_EQ(intToString(-42), "-42");
  EXPECT_EQ(intToString(2147483647), "2147483647");
  EXPECT_EQ(toLower("AbC/Ä"), "abc/Ä");
  EXPECT_TRUE(equalsIgnoringCase("C:/Data", "c:/dATA"));
  EXPECT_FALSE(equalsIgnoringCase("abc", "abcd"));
}

}  // namespace
