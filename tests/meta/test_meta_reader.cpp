// The metafile syntax: tokens, nesting, numbers, escapes and every error text.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>

#include "meta/hooks.h"
#include "meta/reader.h"
#include "meta_test_support.h"

using metatest::dump;
using metatest::parse;

// --- Nesting and separators

struct ShapeCase {
  const char* text;
  const char* tree;
};

class ReaderShape : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ReaderShape, BuildsTree) {
  auto p = parse(GetParam().text);
  EXPECT_EQ(p->error, "");
  EXPECT_EQ(dump(p->first), GetParam().tree);
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, ReaderShape,
    ::testing::Values(ShapeCase{"KEY{1}", "KEY{1}"}, ShapeCase{"KEY { 1 }", "KEY{1}"},
                      ShapeCase{"POINT { 1.5, -2 }", "POINT{1.5 -2}"},
                      ShapeCase{"A { x } { y }", "A{y x}"},
                      ShapeCase{"A { x } { y } { z w }", "A{z w y x}"}, ShapeCase{"A{}B", "A B"},
                      ShapeCase{"A\"s\"B", "A \"s\" B"}, ShapeCase{"\"s\" { 1 }", "\"s\"{1}"},
                      ShapeCase{"1 { 2 }", "1{2}"},
                      ShapeCase{"A { B { C { 1 } } } D", "A{B{C{1}}} D"},
                      ShapeCase{"\t\r\n ,A,,B\n", "A B"},
                      ShapeCase{"x-1.2 _a A.B+C point", "x-1.2 _a A.B+C point"}));

TEST(Reader, EmptyInputIsNoTreeAndNoError) {
  for (const char* text : {"", "  \n\t, \r\n"}) {
    auto p = parse(text);
    EXPECT_EQ(p->first, nullptr);
    EXPECT_EQ(p->error, "");
  }
}

TEST(Reader, NodesCarryTheirLine) {
  auto p = parse("A {\n 1\n\n \"two\nlines\" B }");
  const metaTreeC* a = p->first;
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->value.line, 1);
  EXPECT_EQ(a->value.column(), 0);
  EXPECT_EQ(a->firstChild->value.line, 2);
  // Line breaks inside strings are not counted.
  EXPECT_EQ(a->firstChild->next->value.line, 4);
  EXPECT_EQ(a->firstChild->next->next->value.line, 4);
}

TEST(Reader, IdentifiersAreCaseSensitive) {
  auto p = parse("point POINT");
  ASSERT_NE(p->first, nullptr);
  EXPECT_TRUE(p->first->isIdent("point"));
  EXPECT_FALSE(p->first->isIdent("POINT"));
}

// --- Numbers

struct NumberCase {
  const char* word;
  double value;
};

class ReaderNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ReaderNumber, ReadsAsStrtodDoes) {
  auto p = parse(GetParam().word);
  ASSERT_NE(p->first, nullptr) << p->error;
  ASSERT_TRUE(p->first->value.isNumber());
  double expected = GetParam().value;
  EXPECT_EQ(p->first->value.number(), expected);
  EXPECT_EQ(std::signbit(p->first->value.number()), std::signbit(expected));
  // Same as the C library in the "C" locale.
  EXPECT_EQ(std::strtod(GetParam().word, nullptr), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, ReaderNumber,
    ::testing::Values(NumberCase{"10", 10.0}, NumberCase{".5", 0.5}, NumberCase{"+5", 5.0},
                      NumberCase{"-0.5", -0.5}, NumberCase{"1e3", 1000.0},
                      NumberCase{"-1.5e-3", -1.5e-3}, NumberCase{"5.", 5.0},
                      NumberCase{"1E+2", 100.0}, NumberCase{"-0", -0.0}, NumberCase{"0.1", 0.1},
                      NumberCase{"00012.5e-1", 1.25},
                      NumberCase{"1e400", std::numeric_limits<double>::infinity()},
                      NumberCase{"-1e400", -std::numeric_limits<double>::infinity()},
                      NumberCase{"1e-400", 0.0}, NumberCase{"0.000001e-320", 0.0},
                      NumberCase{"4.9e-324", 4.9e-324},
                      NumberCase{"179769313486231570000e288", 1.7976931348623157e308}));

class ReaderBadNumber : public ::testing::TestWithParam<const char*> {};

TEST_P(ReaderBadNumber, FailsWithTheWord) {
  auto p = parse(std::string("A { ") + GetParam() + " }");
  EXPECT_EQ(p->first, nullptr);
  EXPECT_EQ(p->error, std::string("value invalid :") + GetParam());
}

INSTANTIATE_TEST_SUITE_P(Grammar, ReaderBadNumber,
                         ::testing::Values("1.2.3", "-", "+", ".", "1e", "1e+", "0x10", "1-2",
                                           "1.5e3.0", "-inf", "+nan", "1_000", "1e5x", "--1",
                                           "-.e1", "5a"));

TEST(ReaderNumberLocale, CommaLocaleStillReadsPoint) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  std::string saved = old ? old : "C";
  bool switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "de_DE");
  auto p = parse("1.5");
  ASSERT_NE(p->first, nullptr);
  EXPECT_EQ(p->first->value.number(), 1.5);
  // The reader leaves the locale as it found it.
  if (switched) {
    EXPECT_STRNE(std::setlocale(LC_NUMERIC, nullptr), "C");
  }
  std::setlocale(LC_ALL, saved.c_str());
}

// --- Strings

struct EscapeCase {
  const char* text;
  const char* value;
};

class ReaderEscape : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(ReaderEscape, Decodes) {
  auto p = parse(GetParam().text);
  ASSERT_NE(p->first, nullptr) << p->error;
  EXPECT_TRUE(p->first->value.isString());
  EXPECT_EQ(p->first->value.text(), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, ReaderEscape,
    ::testing::Values(EscapeCase{R"("a\"b")", "a\"b"}, EscapeCase{R"("a\\b")", "a\\b"},
                      EscapeCase{R"("\q")", "q"}, EscapeCase{R"("x\ny")", "x\ny"},
                      EscapeCase{R"("\r\t")", "\r\t"}, EscapeCase{R"("a\\")", "a\\"},
                      EscapeCase{"\"two\nlines\"", "two\nlines"},
                      EscapeCase{"\"{;}#\x80\xfe\"", "{;}#\x80\xfe"}, EscapeCase{"\"\"", ""}));

TEST(ReaderString, QuoteAfterTwoBackslashesEnds) {
  auto p = parse(R"("a\\" B)");
  EXPECT_EQ(dump(p->first), "\"a\\\" B");
}

TEST(ReaderString, QuotedTextsReadBackUnchanged) {
  const std::string texts[] = {"",
                               "plain",
                               "tab\there",
                               "two\nlines\r",
                               "say \"hi\"",
                               "back\\slash\\",
                               std::string("nul\0byte", 8),
                               "\x80\xfe\\\""};
  for (const std::string& t : texts) {
    const std::string q = metaQuoteString(t);
    auto p = parse(q);
    ASSERT_NE(p->first, nullptr) << q;
    EXPECT_EQ(p->first->value.text(), t) << q;
  }
  EXPECT_EQ(metaQuoteString("a\tb\"c\\"), R"("a\tb\"c\\")");
}

TEST(ReaderString, MayHoldNulBytes) {
  auto p = parse(std::string("\"a\0b\"", 5));
  ASSERT_NE(p->first, nullptr);
  EXPECT_EQ(p->first->value.text(), std::string("a\0b", 3));
}

TEST(ReaderString, LongStringsReadWhole) {
  std::string big(1 << 20, 'x');
  auto p = parse("\"" + big + "\"");
  ASSERT_NE(p->first, nullptr);
  EXPECT_EQ(p->first->value.text().size(), big.size());
}

// --- Errors

struct ErrorCase {
  std::string text;
  const char* error;
  int line;
};

// GoogleTest would otherwise print the case as raw bytes, padding included,
// which valgrind rightly reports as uninitialised.
void PrintTo(const ErrorCase& c, std::ostream* os) {
  *os << '"' << c.text << "\" -> " << c.error << " in line " << c.line;
}

class ReaderError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ReaderError, NoTreeAndTheText) {
  auto p = parse(GetParam().text);
  EXPECT_EQ(p->first, nullptr);
  EXPECT_EQ(p->error, GetParam().error);
  EXPECT_EQ(p->errorLine, GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ReaderError,
    ::testing::Values(ErrorCase{"A ; B", "ill seperator char", 1},
                      ErrorCase{"A = 1", "ill seperator char", 1},
                      ErrorCase{"A\n#", "ill seperator char", 2},
                      ErrorCase{std::string("A\0B", 3), "ill seperator char", 1},
                      ErrorCase{"A { \x80 }", "ill seperator char", 1},
                      ErrorCase{"A { \"open", "ill char in string", 1},
                      ErrorCase{"A \"x\xff\" B", "ill char in string", 1},
                      ErrorCase{"A \"x\\", "ill char in string", 1},
                      ErrorCase{"{ A }", "section without key found", 1},
                      ErrorCase{"A { { B } }", "section without key found", 1},
                      ErrorCase{"A }", "section count wrong", 1},
                      ErrorCase{"A { B } }", "section count wrong", 1},
                      ErrorCase{"A { B {\n 1 }", "section count wrong", 2},
                      ErrorCase{"A { B \xff } C", "section count wrong", 1},
                      ErrorCase{"A { 1.2.3 }", "value invalid :1.2.3", 1},
                      ErrorCase{"A \xff B", "eof fail", 1},
                      ErrorCase{"A {1} \xff\xff", "eof fail", 1},
                      // An error in the very last byte still discards everything.
                      ErrorCase{"A { B { 1 2 3 } C { \"x\" } } ;", "ill seperator char", 1}));

TEST(ReaderEndMark, TrailingMarkEndsTheFile) {
  auto p = parse("A { 1 }\xff");
  EXPECT_EQ(p->error, "");
  EXPECT_EQ(dump(p->first), "A{1}");
}

// --- Files

TEST(ReadMetaFile, ReadsFileAndOwnsIt) {
  std::string path = std::string(DRW_BINARY_DIR) + "/test_meta_reader_file.mf";
  {
    std::ofstream f(path, std::ios::binary);
    f << "FIGURE { NAME { \"F\" } }\nSECOND";
  }
  metaObjectC doc = readMetaFile(path, true);
  ASSERT_TRUE(doc.isValid());
  EXPECT_TRUE(doc.isOwned());
  EXPECT_EQ(doc.keyName(), "FIGURE");
  EXPECT_EQ(doc.attr("NAME").getString(), "F");
  EXPECT_TRUE(doc.node()->next->isIdent("SECOND"));
  std::remove(path.c_str());
}

TEST(ReadMetaFile, MissingFileGivesEmptyView) {
  metaObjectC doc = readMetaFile("/nonexistent/dir/file.mf", true);
  EXPECT_FALSE(doc.isValid());
  metaTreeReaderC reader;
  EXPECT_FALSE(reader.open("/nonexistent/dir/file.mf"));
  EXPECT_EQ(reader.read(true), nullptr);
  EXPECT_EQ(reader.errorText(), "");
}

TEST(ReadMetaFile, FileLargerThanOneChunk) {
  std::string path = std::string(DRW_BINARY_DIR) + "/test_meta_reader_big.mf";
  {
    std::ofstream f(path, std::ios::binary);
    f << "L {";
    for (int i = 0; i < 100000; ++i) f << " P { " << i << ".5 -" << i << " }";
    f << " }";
  }
  metaObjectC doc = readMetaFile(path, true);
  ASSERT_TRUE(doc.isValid());
  EXPECT_EQ(doc.childCount(), 100000u);
  // Words cut by the read chunks must come out whole.
  int i = 0;
  for (metaTreeC* pt : doc.childNodes()) {
    double p[2];
    bool found = false;
    metaObjectC(pt).readPoint2d(p, &found);
    ASSERT_TRUE(found) << i;
    ASSERT_EQ(p[0], i + 0.5) << i;
    ASSERT_EQ(p[1], -i) << i;
    ++i;
  }
  std::remove(path.c_str());
}

// --- Size: nothing recurses

TEST(ReaderDepth, MillionNestedBlocksParseAndFree) {
  const int n = 1000000;
  std::string text;
  text.reserve(4 * n + 8);
  for (int i = 0; i < n; ++i) text += "A{";
  text += "1";
  text.append(n, '}');
  auto p = parse(text);
  ASSERT_NE(p->first, nullptr) << p->error;
  EXPECT_EQ(p->first->subtreeCount(), static_cast<std::size_t>(n) + 1);
  metaTreeC* copy = p->first->copy();
  EXPECT_EQ(copy->subtreeCount(), static_cast<std::size_t>(n) + 1);
  metaTreeC::destroy(copy);
}

TEST(ReaderDepth, MillionNestedBlocksLeftOpenFail) {
  std::string text;
  for (int i = 0; i < 1000000; ++i) text += "A{";
  auto p = parse(text);
  EXPECT_EQ(p->first, nullptr);
  EXPECT_EQ(p->error, "section count wrong");
}

TEST(ReaderDepth, MillionSiblingsParseAndFree) {
  std::string text;
  for (int i = 0; i < 1000000; ++i) text += "A ";
  auto p = parse("R { " + text + "}" + text);
  ASSERT_NE(p->first, nullptr);
  EXPECT_EQ(p->first->childCount(), 1000000u);
  EXPECT_EQ(p->first->chainCount(), 1000001u);
}

// The conversion must agree bit for bit with strtod in the "C" locale, on the
// fast path (few digits, small exponents) and off it.
TEST(ReaderNumber, AgreesWithStrtodOnRandomLiterals) {
  std::mt19937 rng(7);
  auto digits = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('0' + rng() % 10);
    return s;
  };
  for (int i = 0; i < 200000; ++i) {
    std::string w;
    if (rng() % 3 == 0) w += (rng() % 2) ? '-' : '+';
    w += digits(static_cast<int>(rng() % 12));
    if (rng() % 2) w += '.' + digits(static_cast<int>(rng() % 20));
    if (w.find_first_of("0123456789") == std::string::npos) w += '7';
    if (rng() % 3 == 0) {
      w += (rng() % 2) ? 'e' : 'E';
      if (rng() % 2) w += (rng() % 2) ? '-' : '+';
      w += std::to_string(rng() % (rng() % 4 == 0 ? 400 : 30));
    }
    double got = -12345.0;
    ASSERT_TRUE(metaParseNumber(w.data(), w.size(), got)) << w;
    double want = std::strtod(w.c_str(), nullptr);
    ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << w << " " << got << " " << want;
  }
}

TEST(ReaderDepth, DeepTreeWithReferenceCopiesWithoutRecursion) {
  const int n = 200000;
  std::string text;
  for (int i = 0; i < n; ++i) text += "A{";
  text += "MOREF { REFTRG { 2 } }";
  text.append(n, '}');
  metaObjectC doc = readMetaBuffer(text.data(), text.size(), true);
  ASSERT_TRUE(doc.isValid());
  metaObjectC copy(doc);
  metaTreeC* moref = copy.node();
  while (moref->firstChild) moref = moref->firstChild;
  moref = moref->parent->parent;  // value <- REFTRG <- MOREF
  ASSERT_TRUE(moref->isIdent("MOREF"));
  EXPECT_EQ(metaObjectRefC(moref).target(), copy.node()->firstChild);
}

// A reference at every level of a deep chain: resolving must not climb to the
// top for each one (that would be quadratic).
TEST(ReaderDepth, ReferencesAtEveryLevelOfADeepChain) {
  const int n = 50000;
  std::string text;
  for (int i = 0; i < n; ++i) text += "A{MOREF{REFTRG{1}}";
  text.append(n, '}');
  metaObjectC doc = readMetaBuffer(text.data(), text.size(), true);
  ASSERT_TRUE(doc.isValid());
  int resolved = 0;
  metaWalkPreOrder(doc.node(), true, [&](metaTreeC* node) {
    if (node->isIdent("MOREF") && metaObjectRefC(node).target() == doc.node()) ++resolved;
  });
  EXPECT_EQ(resolved, n);
}
