// Text conversion at the host boundary, the script line language, the DCL
// reader and the host's dialog functions.
#include <cstdio>
#include <fstream>
#include <tuple>

#include "codepage.h"
#include "dcl.h"
#include "host_fixture.h"
#include "script.h"

using namespace drafthost;

namespace {

TEST(Codepage, ConvertsBothWaysAndEveryByteRoundTrips) {
  // Umlauts, the euro sign, Y with diaeresis, sharp s, and 0x81, which 1252
  // leaves undefined: kept as the C1 control.
  const std::string cp1252 = "Einf\xFCge w\xE4hlen: \x80\x9F\xDF\x81",
                    utf8 = "Einf\xC3\xBCge w\xC3\xA4hlen: \xE2\x82\xAC\xC5\xB8\xC3\x9F\xC2\x81";
  EXPECT_EQ(cp1252ToUtf8(cp1252), utf8);
  EXPECT_EQ(utf8ToCp1252(utf8), cp1252);
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
  // A CJK character, an overlong slash, a surrogate, an emoji, a lead byte
  // without its continuation and a truncated sequence: each byte that is no
  // character becomes '?'.
  EXPECT_EQ(utf8ToCp1252("\xE4\xB8\xAD \xC0\xAF \xED\xA0\x80 \xF0\x9F\x98\x80 \xC3( a\xC3"),
            "? ?? ??? ? ?( a?");
}

TEST(ScriptLines, ClassificationPointsAndNumbers) {
  EXPECT_EQ(classifyLine("  ; note").kind, ScriptLine::Comment);
  EXPECT_EQ(classifyLine("^C").kind, ScriptLine::Escape);
  EXPECT_EQ(classifyLine(" \t ").kind, ScriptLine::Enter);
  EXPECT_EQ(classifyLine("  LINE 0,0 1,1 \r").text, "LINE 0,0 1,1");
  Point p{};
  EXPECT_TRUE(parsePoint("1, 2 ,3", &p) && p == (Point{1, 2, 3}));
  EXPECT_TRUE(parsePoint("1.5,-2", &p) && p == (Point{1.5, -2, 0}));
  for (const char* bad : {"", "1", "1,", ",2", "1,2,3,4", "a,b", "1;2", "nan,1", "1e999,0"})
    EXPECT_FALSE(parsePoint(bad, &p)) << bad;
  long long n = 0;
  for (const char* bad : {"", "-", "1.0", "99999999999999999999", "12x"})
    EXPECT_FALSE(parseInteger(bad, &n)) << bad;
}

TEST(ScriptLines, LispCallsTakeStringsIntegersAndReals) {
  std::string error;
  auto call =
      parseLispCall(R"((C:MOXIopenps2 "a \"b\" \\c" 32767 32768 -32768 1.5 3000000000))", &error);
  ASSERT_TRUE(call) << error;
  std::ostringstream args;
  for (const Group& g : call->args) {
    if (g.code == RTSTR) args << " str:" << g.text;
    if (g.code == RTSHORT || g.code == RTLONG) args << (g.code == RTLONG ? " long:" : " short:");
    if (g.code == RTSHORT || g.code == RTLONG) args << g.integer;
    if (g.code == RTREAL) args << " real:" << g.real;
  }
  EXPECT_EQ(call->function + args.str(),
            "C:MOXIopenps2 str:a \"b\" \\c short:32767 long:32768 short:-32768 real:1.5 real:3e+09")
      << "beyond 32 bits a number is a real, as AutoLISP makes it";
  EXPECT_TRUE(parseLispCall("(C:X)", &error)->args.empty());
  for (const char* text : {"", "(", "(C:X", "(C:X \"open)", "(C:X nil)", "(C:X (1))", "()",
                           "(C:X) extra", "(C:X 1e999)", "(C:X inf)"}) {
    error.clear();
    EXPECT_FALSE(parseLispCall(text, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(ScriptLines, DialogLinesSetActOrCancel) {
  const char* kinds[] = {"set", "action", "cancel"};
  // Each line, then what it asks for, or "refused".
  for (const char* c :
       {"~set layer KONTUR|set layer=KONTUR", "  ~set  name  two words |set name= two words ",
        "~set name|set name=", "~action  accept  |action accept=", "~cancel|cancel =",
        "~cancel now|refused", "~action|refused", "~action a b|refused", "~set|refused",
        "~ok|refused", "~|refused"}) {
    const std::string line = std::string(c).substr(0, std::string(c).find('|'));
    std::string error;
    auto in = parseDialogLine(line, &error);
    EXPECT_EQ(in ? kinds[in->kind] + (" " + in->key) + "=" + in->value : "refused",
              std::string(c).substr(line.size() + 1))
        << line;
    EXPECT_EQ(error.empty(), in.has_value()) << line;
    EXPECT_TRUE(isDialogLine(line)) << line;
  }
  EXPECT_FALSE(isDialogLine("set x ~"));
}

TEST(DclReader, RefusesBrokenFilesWithTheLineAndReadsSoundOnes) {
  std::string deep = "d : dialog {";
  for (int i = 0; i < 10000; ++i) deep += ": row {";
  const std::pair<std::string, std::string> cases[] = {
      {"d : dialog {", "line 1: expected '}'"},
      {"d : dialog { }\n}", "line 2: expected a definition"},
      {"d : dialog {\n label = \"open", "line 2: unterminated string"},
      {"d : dialog { /* open", "unterminated comment"},
      {"d : dialog { key = \"a\" }", "expected ';'"},
      {"d : dialog { : edit_box { key = ; } }", "expected a value"},
      {"d dialog { }", "expected ':'"},
      {"d : { }", "expected a tile type"},
      {"@include base;", "expected a file name"},
      {"d : dialog { $ }", "unexpected character '$'"},
      {"d : dialog { key \"a\"; }", "expected '=', ';' or ':' after key"},
      {"d : dialog { \"a\"; }", "expected an attribute or a tile"},
      {std::string(200, ':'), "expected a definition"},
      {deep, "nested too deeply"},
  };
  for (const auto& [text, problem] : cases) {
    std::string error;
    EXPECT_FALSE(parseDcl(text, &error)) << text.substr(0, 40);
    EXPECT_NE(error.find(problem), std::string::npos) << text.substr(0, 40) << " -> " << error;
  }
  std::string error;
  EXPECT_TRUE(parseDcl("", &error)) << "an empty file holds no dialogs";
  const auto file = parseDcl("d : dialog { : edit_box { key = \"k\"; value = \"v;w\"; } }", &error);
  EXPECT_EQ(file->dialog("d")->tile("k")->value, "v;w");
  EXPECT_EQ(file->dialog("d")->tile("K"), nullptr) << "keys are exact";
  EXPECT_EQ(file->dialog("D"), nullptr) << "names are exact";
}

// The calls a program makes, in order, each with the code it must get back.
TEST_F(HostTest, DialogFunctionsRefuseWhatDoesNotExistAndFillListsInOrder) {
  const std::string path = ::testing::TempDir() + "drw_" + std::to_string(::getpid()) + ".dcl";
  std::ofstream(path) << "main : dialog { : edit_box { key = \"name\"; value = \"start\"; }\n"
                         "  : list_box { key = \"items\"; } ok_cancel; }";
  int id = -1;
  ads_hdlg d = nullptr, none = &id;
  char value[8] = "#######";
  const std::tuple<const char*, int, int> calls[] = {
      {"a sound file", ads_load_dialog(path.c_str(), &id), RTNORM},
      {"a dialog the file lacks", ads_new_dialog("missing", id, nullptr, &d), RTERROR},
      {"a handle never given out", ads_set_tile(none, "name", "x"), RTERROR},
      {"a dialog", ads_new_dialog("main", id, nullptr, &d), RTNORM},
      {"a read cut to the buffer", ads_get_tile(d, "name", value, 4), RTNORM},
      {"no room at all", ads_get_tile(d, "name", value, 0), RTERROR},
      {"an unknown key", ads_set_tile(d, "nokey", "x"), RTERROR},
      {"an item before a list", ads_add_list("early"), RTERROR},
      {"ending no list", ads_end_list(), RTERROR},
      {"a list in an edit box", ads_start_list(d, "name", LIST_NEW, 0), RTERROR},
      {"an unknown operation", ads_start_list(d, "items", 9, 0), RTERROR},
      {"a new list", ads_start_list(d, "items", LIST_NEW, 0), RTNORM},
      {"a second list at once", ads_start_list(d, "items", LIST_NEW, 0), RTERROR},
      {"item a", ads_add_list("a"), RTNORM},
      {"its end", ads_end_list(), RTNORM},
      {"changing from item 0", ads_start_list(d, "items", LIST_CHANGE, 0), RTNORM},
      {"item 0", ads_add_list("A"), RTNORM},
      {"past the end", ads_add_list("C"), RTERROR},
      {"its end", ads_end_list(), RTNORM},
      {"appending", ads_start_list(d, "items", LIST_APPEND, 0), RTNORM},
      {"item 1", ads_add_list("b"), RTNORM},
      {"its end", ads_end_list(), RTNORM},
  };
  for (const auto& [name, got, want] : calls) EXPECT_EQ(got, want) << name;
  EXPECT_EQ(std::string(value), "sta");
  // A script picks by index within the list only; accept without a callback is OK.
  answer({"~set items 2", "~set items -1", "~set items x", "~set items 1", "~action accept"});
  int status = -1;
  EXPECT_EQ(ads_start_dialog(d, &status), RTNORM);
  EXPECT_EQ(status, DLGOK);
  EXPECT_NE(out.str().find("items takes an index from 0 to 1"), std::string::npos);
  // Unloading drops the file's dialogs that were never started.
  ads_new_dialog("main", id, nullptr, &d);
  EXPECT_EQ(ads_unload_dialog(id), RTNORM);
  EXPECT_EQ(ads_set_tile(d, "name", "x"), RTERROR);
  std::remove(path.c_str());
}

}  // namespace
