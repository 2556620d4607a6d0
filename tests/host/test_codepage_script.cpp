// Text conversion at the host boundary and the script line language.
#include <gtest/gtest.h>

#include "codepage.h"
#include "plugin/ads.h"
#include "script.h"

using namespace drafthost;

TEST(Codepage, ConvertsBothWays) {
  struct Case {
    std::string cp1252, utf8;
  } cases[] = {
      {"abc", "abc"},
      {"Einf\xFCgepunkt w\xE4hlen:", "Einf\xC3\xBCgepunkt w\xC3\xA4hlen:"},
      {"\x80", "\xE2\x82\xAC"},          // euro sign
      {"\x9F", "\xC5\xB8"},              // Y with diaeresis
      {"\x81", "\xC2\x81"},              // undefined in 1252: kept as C1 control
      {"\xDF\xD6", "\xC3\x9F\xC3\x96"},  // sharp s, O umlaut
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cp1252ToUtf8(c.cp1252), c.utf8);
    EXPECT_EQ(utf8ToCp1252(c.utf8), c.cp1252);
  }
}

TEST(Codepage, EveryByteRoundTrips) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
}

TEST(Codepage, UnmappableAndBrokenUtf8BecomeQuestionMarks) {
  EXPECT_EQ(utf8ToCp1252("\xE4\xB8\xAD"), "?");        // CJK character
  EXPECT_EQ(utf8ToCp1252("a\xC3"), "a?");              // truncated sequence
  EXPECT_EQ(utf8ToCp1252("\xC0\xAF"), "??");           // overlong slash
  EXPECT_EQ(utf8ToCp1252("\xED\xA0\x80x"), "???x");    // surrogate
  EXPECT_EQ(utf8ToCp1252("\xF0\x9F\x98\x80!"), "?!");  // emoji
}

TEST(ScriptLines, Classification) {
  EXPECT_EQ(classifyLine("  ; note").kind, ScriptLine::Comment);
  EXPECT_EQ(classifyLine("^C").kind, ScriptLine::Escape);
  EXPECT_EQ(classifyLine("  ").kind, ScriptLine::Enter);
  EXPECT_EQ(classifyLine("").kind, ScriptLine::Enter);
  ScriptLine t = classifyLine("  LINE 0,0 1,1 \r");
  EXPECT_EQ(t.kind, ScriptLine::Text);
  EXPECT_EQ(t.text, "LINE 0,0 1,1");
}

TEST(ScriptLines, LispArguments) {
  std::string error;
  auto call =
      parseLispCall(R"((C:MOXIopenps2 "a \"b\" \\c" 32767 32768 -32768 1.5 3000000000))", &error);
  ASSERT_TRUE(call) << error;
  EXPECT_EQ(call->function, "C:MOXIopenps2");
  ASSERT_EQ(call->args.size(), 6u);
  EXPECT_EQ(call->args[0].code, RTSTR);
  EXPECT_EQ(call->args[0].text, "a \"b\" \\c");
  EXPECT_EQ(call->args[1].code, RTSHORT);
  EXPECT_EQ(call->args[1].integer, 32767);
  EXPECT_EQ(call->args[2].code, RTLONG);
  EXPECT_EQ(call->args[2].integer, 32768);
  EXPECT_EQ(call->args[3].code, RTSHORT);
  EXPECT_EQ(call->args[4].code, RTREAL);
  EXPECT_DOUBLE_EQ(call->args[4].real, 1.5);
  EXPECT_EQ(call->args[5].code, RTREAL);  // beyond 32 bits, as AutoLISP makes it a real

  auto bare = parseLispCall("(C:X)", &error);
  ASSERT_TRUE(bare);
  EXPECT_TRUE(bare->args.empty());
}

TEST(ScriptLines, MalformedLispCallsAreRefused) {
  for (const char* text : {"(", "(C:X", "(C:X \"open)", "(C:X nil)", "(C:X (1))", "()",
                           "(C:X) extra", "(C:X 1e999)", "(C:X inf)"}) {
    std::string error;
    EXPECT_FALSE(parseLispCall(text, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(ScriptLines, Points) {
  Point p{};
  EXPECT_TRUE(parsePoint("1.5,-2", &p));
  EXPECT_EQ(p, (Point{1.5, -2, 0}));
  EXPECT_TRUE(parsePoint("1, 2 ,3", &p));
  EXPECT_EQ(p, (Point{1, 2, 3}));
  for (const char* bad : {"", "1", "1,", ",2", "1,2,3,4", "a,b", "1;2", "nan,1"})
    EXPECT_FALSE(parsePoint(bad, &p)) << bad;
}
