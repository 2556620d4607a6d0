// The DCL reader, the dialog lines of scripts and the host's dialog functions.
#include <filesystem>
#include <fstream>

#include "dcl.h"
#include "host_fixture.h"
#include "script.h"

namespace {

using drafthost::DclFile;
using drafthost::parseDcl;

std::vector<std::string> keysOf(const DclFile& file, const std::string& dialog) {
  std::vector<std::string> keys;
  for (const auto& t : file.dialog(dialog)->tiles) keys.push_back(t.key + ":" + t.type);
  return keys;
}

TEST(DclReader, FindsDialogsAndTheKeysOfTheirTiles) {
  const std::string text = R"(// LANGUAGES: english
/* a prototype */ cfg_list : list_box { width = 30; }
@include "base.dcl";
first : dialog {
  label = "First \"one\"";
  : row { : edit_box { key = "name"; label = "Name"; value = "x;y"; } spacer; }
  : cfg_list { key = "items"; }
  : popup_list { key = "choice"; }
  named : button { key = "go"; is_default = true; }
  : edit_box { key = "name"; }  // second use of a key: the first counts
  ok_cancel_help;
}
second : dialog { ok_only; }
)";
  std::string error;
  auto file = parseDcl(text, &error);
  ASSERT_TRUE(file) << error;
  ASSERT_EQ(file->dialogs.size(), 2u);
  EXPECT_EQ(file->dialogs[0].label, "First \"one\"");
  EXPECT_EQ(
      keysOf(*file, "first"),
      (std::vector<std::string>{"name:edit_box", "items:list_box", "choice:popup_list", "go:button",
                                "accept:button", "cancel:button", "help:button"}));
  EXPECT_EQ(file->dialog("first")->tile("name")->value, "x;y");
  EXPECT_TRUE(file->dialog("first")->tile("items")->isList());
  EXPECT_EQ(keysOf(*file, "second"), std::vector<std::string>{"accept:button"});
  EXPECT_EQ(file->dialog("First"), nullptr) << "names are exact";
  EXPECT_EQ(file->dialog("cfg_list"), nullptr) << "a prototype is no dialog";
}

TEST(DclReader, BrokenFilesAreRefusedWithTheLine) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"d : dialog {", "line 1: expected '}'"},
      {"d : dialog { }\n}", "line 2: expected a definition"},
      {"d : dialog {\n label = \"open", "line 2: unterminated string"},
      {"d : dialog { /* open", "unterminated comment"},
      {"d : dialog { key = \"a\" }", "expected ';'"},
      {"d : dialog { : edit_box { key = ; } }", "expected a value"},
      {"d dialog { }", "expected ':'"},
      {"d : dialog { $ }", "unexpected character '$'"},
      {"d : dialog { key \"a\"; }", "expected '=', ';' or ':' after key"},
      {std::string(200, ':'), "expected a definition"},
  };
  for (const auto& [text, problem] : cases) {
    std::string error;
    EXPECT_FALSE(parseDcl(text, &error)) << text;
    EXPECT_NE(error.find(problem), std::string::npos) << text << " -> " << error;
  }
  std::string deep = "d : dialog {";
  for (int i = 0; i < 10000; ++i) deep += ": row {";
  std::string error;
  EXPECT_FALSE(parseDcl(deep, &error));
  EXPECT_NE(error.find("nested too deeply"), std::string::npos);
  EXPECT_TRUE(parseDcl("", &error)) << "an empty file holds no dialogs";
}

TEST(DialogLines, SetActionAndCancel) {
  struct Case {
    std::string line;
    bool ok;
    drafthost::DialogInput::Kind kind;
    std::string key, value;
  };
  using K = drafthost::DialogInput;
  const std::vector<Case> cases = {
      {"~set layer KONTUR", true, K::Set, "layer", "KONTUR"},
      {"  ~set  name  two words ", true, K::Set, "name", " two words "},
      {"~set name", true, K::Set, "name", ""},
      {"~action accept", true, K::Action, "accept", ""},
      {"~action  accept  ", true, K::Action, "accept", ""},
      {"~cancel", true, K::Cancel, "", ""},
      {"~cancel now", false, K::Cancel, "", ""},
      {"~action", false, K::Cancel, "", ""},
      {"~action a b", false, K::Cancel, "", ""},
      {"~set", false, K::Cancel, "", ""},
      {"~ok", false, K::Cancel, "", ""},
      {"~", false, K::Cancel, "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(drafthost::isDialogLine(c.line));
    std::string error;
    auto in = drafthost::parseDialogLine(c.line, &error);
    ASSERT_EQ(in.has_value(), c.ok) << c.line;
    if (!in) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_EQ(in->kind, c.kind) << c.line;
    EXPECT_EQ(in->key, c.key) << c.line;
    EXPECT_EQ(in->value, c.value) << c.line;
  }
  EXPECT_FALSE(drafthost::isDialogLine("set x ~"));
}

// What the callbacks saw.
struct Clicks {
  std::vector<std::string> seen;  // "key=value@data"
  ads_hdlg child = nullptr;       // started from a callback
  int childStatus = -1;
  int doneStatus = DLGOK;
};
Clicks g_clicks;

void record(ads_callback_packet* p) {
  g_clicks.seen.push_back(std::string(p->tile) + "=" + p->value + "@" +
                          (p->client_data ? static_cast<const char*>(p->client_data) : "-"));
}
void recordAndClose(ads_callback_packet* p) {
  record(p);
  ads_done_dialog(p->dialog, g_clicks.doneStatus);
}
void openChild(ads_callback_packet* p) {
  record(p);
  if (g_clicks.child) ads_start_dialog(g_clicks.child, &g_clicks.childStatus);
}

class DialogFunctions : public HostTest {
 protected:
  DialogFunctions() {
    g_clicks = Clicks{};
    path =
        std::filesystem::temp_directory_path() / ("drw_dcl_" + std::to_string(::getpid()) + ".dcl");
    std::ofstream(path) << R"(main : dialog {
  : edit_box { key = "name"; value = "start"; }
  : list_box { key = "items"; }
  : button { key = "more"; }
  ok_cancel;
}
child : dialog { : edit_box { key = "field"; } ok_cancel; }
)";
    EXPECT_EQ(ads_load_dialog(path.c_str(), &id), RTNORM);
  }
  ~DialogFunctions() override {
    ads_unload_dialog(id);
    std::filesystem::remove(path);
  }

  ads_hdlg open(const char* name) {
    ads_hdlg d = nullptr;
    EXPECT_EQ(ads_new_dialog(name, id, nullptr, &d), RTNORM);
    return d;
  }
  std::string get(ads_hdlg d, const char* key, int size = 100) {
    std::vector<char> buffer(static_cast<std::size_t>(size) + 1, '#');
    if (ads_get_tile(d, key, buffer.data(), size) != RTNORM) return "<error>";
    return buffer.data();
  }
  int start(ads_hdlg d) {
    int status = -1;
    EXPECT_EQ(ads_start_dialog(d, &status), RTNORM);
    return status;
  }

  std::filesystem::path path;
  int id = -1;
};

TEST_F(DialogFunctions, UnreadableFilesAndUnknownDialogsFail) {
  int other = 7;
  EXPECT_EQ(ads_load_dialog("/nonexistent/x.dcl", &other), RTERROR);
  EXPECT_LT(other, 0);
  EXPECT_EQ(ads_load_dialog(nullptr, &other), RTERROR);
  std::ofstream(path.string() + ".bad") << "main : dialog {";
  EXPECT_EQ(ads_load_dialog((path.string() + ".bad").c_str(), &other), RTERROR);
  std::filesystem::remove(path.string() + ".bad");

  ads_hdlg d = reinterpret_cast<ads_hdlg>(1);
  EXPECT_EQ(ads_new_dialog("missing", id, nullptr, &d), RTERROR);
  EXPECT_EQ(d, nullptr);
  EXPECT_EQ(ads_new_dialog("main", id + 100, nullptr, &d), RTERROR);
  EXPECT_EQ(ads_unload_dialog(id + 100), RTERROR);
  // Calls on a handle the host never gave out are refused, not followed.
  int dummy = 0;
  ads_hdlg bogus = &dummy;
  EXPECT_EQ(ads_set_tile(bogus, "name", "x"), RTERROR);
  EXPECT_EQ(ads_start_dialog(bogus, nullptr), RTERROR);
  EXPECT_EQ(ads_done_dialog(nullptr, 1), RTERROR);
}

TEST_F(DialogFunctions, TilesKeepValuesAndReadsAreCut) {
  ads_hdlg d = open("main");
  EXPECT_EQ(get(d, "name"), "start") << "the value attribute";
  EXPECT_EQ(ads_set_tile(d, "name", "abcdefghij"), RTNORM);
  EXPECT_EQ(get(d, "name", 5), "abcd");
  EXPECT_EQ(get(d, "name", 1), "");
  EXPECT_EQ(get(d, "name", 0), "<error>");
  EXPECT_EQ(get(d, "nokey"), "<error>");
  EXPECT_EQ(ads_set_tile(d, "nokey", "x"), RTERROR);
  EXPECT_EQ(ads_action_tile(d, "nokey", record), RTERROR);
  EXPECT_EQ(ads_client_data_tile(d, "nokey", nullptr), RTERROR);
}

TEST_F(DialogFunctions, ListsAreFilledInOrder) {
  ads_hdlg d = open("main");
  EXPECT_EQ(ads_add_list("early"), RTERROR) << "no list started";
  EXPECT_EQ(ads_end_list(), RTERROR);
  EXPECT_EQ(ads_start_list(d, "name", LIST_NEW, 0), RTERROR) << "not a list";
  EXPECT_EQ(ads_start_list(d, "items", 9, 0), RTERROR);
  ASSERT_EQ(ads_start_list(d, "items", LIST_NEW, 0), RTNORM);
  EXPECT_EQ(ads_start_list(d, "items", LIST_NEW, 0), RTERROR) << "one list at a time";
  for (const char* s : {"a", "b", "c"}) EXPECT_EQ(ads_add_list(s), RTNORM);
  EXPECT_EQ(ads_end_list(), RTNORM);
  ASSERT_EQ(ads_start_list(d, "items", LIST_CHANGE, 2), RTNORM);
  EXPECT_EQ(ads_add_list("C"), RTNORM);
  EXPECT_EQ(ads_add_list("D"), RTERROR) << "past the end";
  EXPECT_EQ(ads_end_list(), RTNORM);
  ASSERT_EQ(ads_start_list(d, "items", LIST_APPEND, 0), RTNORM);
  EXPECT_EQ(ads_add_list("e"), RTNORM);
  EXPECT_EQ(ads_end_list(), RTNORM);
  // A script selects by index within the list only.
  answer({"~set items 4", "~set items -1", "~set items x", "~set items 3", "~action accept"});
  EXPECT_EQ(ads_action_tile(d, "accept", recordAndClose), RTNORM);
  EXPECT_EQ(start(d), DLGOK);
  EXPECT_EQ(g_clicks.seen, std::vector<std::string>{"accept=@-"});
  EXPECT_NE(out.str().find("items takes an index from 0 to 3"), std::string::npos);
}

TEST_F(DialogFunctions, ScriptLinesDriveTheDialogAndNestedOnes) {
  ads_hdlg d = open("main");
  g_clicks.child = open("child");
  char mainData[] = "main-data";
  ads_client_data_tile(d, "more", mainData);
  ads_action_tile(d, "more", openChild);
  ads_action_tile(g_clicks.child, "accept", recordAndClose);
  g_clicks.doneStatus = 7;
  answer({"~set name typed value", "; a comment", "", "LINE 0,0 1,1", "~bogus", "~set nokey 1",
          "~action more", "~set field inner", "~action accept", "~action accept"});
  EXPECT_EQ(start(d), DLGOK) << "accept without a callback is OK";
  EXPECT_EQ(g_clicks.seen, (std::vector<std::string>{"more=@main-data", "accept=@-"}));
  EXPECT_EQ(g_clicks.childStatus, 7);
  EXPECT_EQ(host.drawing.lastMain(), 0u) << "command lines are not run while a dialog is open";
  EXPECT_NE(out.str().find("[main] ~set name typed value"), std::string::npos);
  EXPECT_NE(out.str().find("no tile nokey"), std::string::npos);
  // The handle is gone once the dialog has closed.
  EXPECT_EQ(ads_set_tile(d, "name", "x"), RTERROR);
}

TEST_F(DialogFunctions, CancelAndTheEndOfInputCloseWithZero) {
  ads_hdlg d = open("main");
  answer({"~set name x", "~cancel", "~action accept"});
  EXPECT_EQ(start(d), DLGCANCEL);
  EXPECT_EQ(input.lines.size(), 1u) << "the dialog reads no further than its ~cancel";

  d = open("main");
  input.lines.clear();
  answer({"~set name x"});
  EXPECT_EQ(start(d), DLGCANCEL);

  d = open("main");
  answer({"~action cancel"});
  EXPECT_EQ(start(d), DLGCANCEL);
}

TEST_F(DialogFunctions, UnloadDropsDialogsNeverStarted) {
  ads_hdlg d = open("main");
  int second = -1;
  ASSERT_EQ(ads_load_dialog(path.c_str(), &second), RTNORM);
  ads_hdlg e = nullptr;
  ASSERT_EQ(ads_new_dialog("child", second, nullptr, &e), RTNORM);
  EXPECT_EQ(ads_unload_dialog(second), RTNORM);
  EXPECT_EQ(ads_set_tile(e, "field", "x"), RTERROR);
  EXPECT_EQ(ads_set_tile(d, "name", "x"), RTNORM) << "other files' dialogs stay";
}

TEST_F(DialogFunctions, DialogLinesWithoutADialogAreRefused) {
  host.commandLine("~action accept");
  EXPECT_NE(out.str().find("; error: no dialog is open"), std::string::npos);
}

TEST_F(DialogFunctions, CallsAreTraced) {
  std::ostringstream trace;
  host.trace = &trace;
  ads_hdlg d = open("main");
  ads_set_tile(d, "name", "v");
  answer({"~action accept"});
  start(d);
  host.trace = nullptr;
  EXPECT_NE(trace.str().find(R"({"fn":"ads_new_dialog","name":"main","id":)"), std::string::npos);
  EXPECT_NE(trace.str().find(R"("fn":"ads_set_tile","dialog":)"), std::string::npos);
  EXPECT_NE(trace.str().find(R"("status":1,"rc":5100)"), std::string::npos);
}

}  // namespace
