// The metafile syntax: tokens, nesting, numbers, escapes, every error text and
// inputs nested far too deep for recursion. (Reading files in chunks is pinned
// by the end-to-end import of huge files.)
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "meta/hooks.h"
#include "meta_test_support.h"

using metatest::dump;
using metatest::parse;
using namespace std::string_literals;

// One table for what parses and what fails: a failure keeps no tree at all.
TEST(Reader, TreesErrorTextsAndLines) {
  const struct {
    const char* name;
    std::string text;
    const char* tree;
    const char* error;
    int line;
  } cases[] = {
      {"braces need no spaces", "KEY{1}", "KEY{1}", "", 0},
      {"later blocks go in front", "A { x } { y } { z w }", "A{z w y x}", "", 0},
      {"empty block", "A{}B", "A B", "", 0},
      {"keys of any kind", "A\"s\"B \"t\" { 1 } 1 { 2 }", "A \"s\" B \"t\"{1} 1{2}", "", 0},
      {"separators", "\t\r\n ,A,,B\n", "A B", "", 0},
      {"separators only", "  \n\t, \r\n", "", "", 0},
      {"word bytes", "x-1.2 _a A.B+C point", "x-1.2 _a A.B+C point", "", 0},
      {"end mark as the last byte", "A { 1 }\xff", "A{1}", "", 0},
      {"escapes", R"("a\"b" "a\\" B "\q" "x\ny" "\r\t" "")",
       "\"a\"b\" \"a\\\" B \"q\" \"x\ny\" \"\r\t\" \"\"", "", 0},
      {"other bytes in strings", "\"2\nlines {;}#\x80\xfe\"", "\"2\nlines {;}#\x80\xfe\"", "", 0},
      {"semicolon", "A ; B", "", "ill seperator char", 1},
      {"hash on line 2", "A\n#", "", "ill seperator char", 2},
      {"NUL byte", std::string("A\0B", 3), "", "ill seperator char", 1},
      {"high byte outside strings", "A { \x80 }", "", "ill seperator char", 1},
      {"error in the very last byte", "A { B { 1 } C { \"x\" } } ;", "", "ill seperator char", 1},
      {"open string", "A { \"open", "", "ill char in string", 1},
      {"end mark in a string", "A \"x\xff\" B", "", "ill char in string", 1},
      {"backslash at the end", "A \"x\\", "", "ill char in string", 1},
      {"end mark after a backslash", "A \"x\\\xff\"", "", "ill char in string", 1},
      {"block without key", "{ A }", "", "section without key found", 1},
      {"block right after a block", "A { { B } }", "", "section without key found", 1},
      {"one close too many", "A { B } }", "", "section count wrong", 1},
      {"unclosed, seen on line 2", "A { B {\n 1 }", "", "section count wrong", 2},
      {"end mark inside a block", "A { B \xff } C", "", "section count wrong", 1},
      {"number with two points", "A {\n 1.2.3 }", "", "value invalid :1.2.3", 2},
      {"end mark with bytes after it", "A {1} \xff B", "", "eof fail", 1},
  };
  for (const auto& c : cases) {
    auto p = parse(c.text);
    EXPECT_EQ(dump(p->first) + "|" + p->error + "|" + std::to_string(p->errorLine),
              c.tree + ("|"s + c.error) + "|" + std::to_string(c.line))
        << c.name;
  }
  auto p = parse("A {\n 1\n\n \"two\nlines\" B }");  // line breaks in strings do not count
  const metaTreeC* one = p->first->firstChild;
  EXPECT_TRUE(p->first->value.line == 1 && one->value.line == 2 && one->value.column() == 0 &&
              one->next->value.line == 4 && one->next->next->value.line == 4);
}

// Numbers follow one exact grammar and give the same bits as strtod in the
// "C" locale: exact fast path, long mantissas, overflow and underflow.
TEST(Reader, NumbersAsStrtodReadsThem) {
  for (const char* word : {"10",
                           ".5",
                           "+5",
                           "-0.5",
                           "-1.5e-3",
                           "5.",
                           "1E+2",
                           "-0",
                           "00012.5e-1",
                           "1e-400",
                           "0.000001e-320",
                           "4.9e-324",
                           "-1e400",
                           "9007199254740993",
                           "179769313486231570000e288",
                           "0.1000000000000000055511151231257827",
                           "0.0",
                           "000",
                           "000123456789012345",
                           "0012345678901234.5",
                           "0.00000000000000000000123456789012345",
                           "12345678901234567890",
                           "1000000000000000000000000000000000000000000000000000000000000000001",
                           "0.000123456789012345e-3",
                           "-00.0012345e25"}) {
    auto p = parse(word);
    ASSERT_TRUE(p->first && p->first->value.isNumber()) << word;
    const double got = p->first->value.number(), want = std::strtod(word, nullptr);
    EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0) << word << " " << got << " " << want;
  }
  for (const char* word : {"-", "+", ".", "1e", "1e+", "0x10", "1-2", "1.5e3.0", "-inf", "+nan",
                           "1_000", "1e5x", "--1", "-.e1", "5a"}) {
    EXPECT_EQ(parse(std::string("A { ") + word + " }")->error,
              std::string("value invalid :") + word);
  }
  // Random literals on and off the fast path (few digits, small exponents).
  std::mt19937 rng(7);
  for (int i = 0; i < 200000; ++i) {
    std::string w = rng() % 3 ? "" : rng() % 2 ? "-" : "+";
    for (unsigned n = rng() % 12; n > 0; --n) w += static_cast<char>('0' + rng() % 10);
    if (rng() % 2) {
      w += '.';
      for (unsigned n = rng() % 20; n > 0; --n) w += static_cast<char>('0' + rng() % 10);
    }
    if (w.find_first_of("0123456789") == std::string::npos) w += '7';
    if (rng() % 3 == 0) {
      w += rng() % 3 == 0 ? "e" : rng() % 2 ? "E-" : "e+";
      w += std::to_string(rng() % (rng() % 4 ? 30 : 400));
    }
    double got = -1, want = std::strtod(w.c_str(), nullptr);
    ASSERT_TRUE(metaParseNumber(w.data(), w.size(), got)) << w;
    ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << w << " " << got << " " << want;
  }
}

TEST(Reader, QuotedTextsReadBackUnchanged) {
  const std::string text = "\ttab\n\r \"quote\" back\\slash\\ nul\0 \x80\xfe"s;
  EXPECT_EQ(metaQuoteString(text), R"("\ttab\n\r \"quote\" back\\slash\\ nul)"s + "\0 \x80\xfe\""s);
  EXPECT_EQ(parse(metaQuoteString(text))->first->value.text(), text);
}

// A million nested blocks parse, copy and free without recursion, and the
// same left open fail cleanly; a reference deep down resolves and copies.
TEST(Reader, DeepNestingNeverRecurses) {
  const int n = 1000000;
  std::string open;
  for (int i = 0; i < n; ++i) open += "A{";
  auto p = parse(open + "1" + std::string(n, '}'));
  ASSERT_NE(p->first, nullptr);
  EXPECT_EQ(metaObjectC(p->first->copy(), true).node()->subtreeCount(), n + 1u);
  EXPECT_EQ(parse(open)->error, "section count wrong");

  open = open.substr(0, 400000) + "MOREF { REFTRG { 2 } }" + std::string(200000, '}');
  metaObjectC doc = readMetaBuffer(open.data(), open.size(), true);
  metaObjectC deep(doc);
  metaTreeC* moref = deep.node();
  while (moref->firstChild) moref = moref->firstChild;
  moref = moref->parent->parent;  // value <- REFTRG <- MOREF
  ASSERT_TRUE(moref->isIdent("MOREF"));
  EXPECT_EQ(metaObjectRefC(moref).target(), deep.node()->firstChild);
}
