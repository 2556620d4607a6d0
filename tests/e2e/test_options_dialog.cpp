// The options dialog through drafthost: values typed into the dialog reach the
// settings file on OK and nowhere on Cancel, named configurations, pick lists
// with their preselection, dialogs by language, the alerts, and a settings file
// whose untouched lines survive byte for byte.
#include <sys/stat.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "drafthost_run.h"

namespace {

using nlohmann::json;
namespace fs = std::filesystem;

class OptionsDialogE2e : public E2eTest {
 protected:
  // drafthost with extra environment ("NAME=value ...") and extra options.
  HostRun runWith(const std::string& script, const std::string& environment = "",
                  const std::string& options = "") {
    std::ofstream(dir / "script.scr", std::ios::binary) << script;
    std::string cmd = "cd '" + dir.string() + "' && env -u HALDRIX -u HALDRIX_SETUP" +
                      " -u HALDRIX_LANGUAGE HALDRIX_USER='" + (dir / "user").string() + "' " +
                      environment + " '" + binary() + "' --trace trace.jsonl " + options +
                      " script.scr > out.txt 2> err.txt";
    HostRun r;
    int rc = std::system(cmd.c_str());
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = read(dir / "out.txt");
    r.err = read(dir / "err.txt");
    std::istringstream lines(read(dir / "trace.jsonl"));
    std::string line;
    while (std::getline(lines, line)) r.trace.push_back(json::parse(line));
    return r;
  }

  // A copy of the plug-in whose start file points the setup directory at
  // dir/setup (language files still from the sample installation); returns
  // the drafthost option that loads it.
  std::string ownSetup() {
    fs::create_directories(dir / "plug");
    fs::create_directories(dir / "setup");
    fs::copy_file(std::string(DRW_BINARY_DIR) + "/bin/drwlink2.so", dir / "plug" / "drwlink2.so",
                  fs::copy_options::overwrite_existing);
    std::ofstream(dir / "plug" / "start.env")
        << "[ENVIRONS]\nHALDRIX=" << DRW_SOURCE_DIR
        << "/setup\nHALDRIX_SETUP=" << (dir / "setup").string() << "\n";
    return "--plugin '" + (dir / "plug" / "drwlink2.so").string() + "'";
  }
  void writeSetupFile(const std::string& name, const std::string& text) {
    std::ofstream(dir / "setup" / name, std::ios::binary) << text;
  }

  fs::path settingsPath() const { return dir / "user" / "acad2d.cfg"; }
  void writeSettings(const std::string& text) {
    std::ofstream(settingsPath(), std::ios::binary) << text;
  }
  std::string settings() const { return read(settingsPath()); }

  static std::vector<std::string> texts(const HostRun& r, const std::string& fn) {
    std::vector<std::string> v;
    for (const json& call : r.calls(fn)) v.push_back(call["text"]);
    return v;
  }
  // Values the plug-in put into one tile, in call order.
  static std::vector<std::string> tileValues(const HostRun& r, const std::string& key) {
    std::vector<std::string> v;
    for (const json& call : r.calls("ads_set_tile"))
      if (call["key"] == key) v.push_back(call["value"]);
    return v;
  }
  static std::vector<std::string> dialogNamesTried(const HostRun& r) {
    std::vector<std::string> v;
    for (const json& call : r.calls("ads_new_dialog"))
      v.push_back(call["name"].get<std::string>() + (call["rc"] == 5100 ? " ok" : " failed"));
    return v;
  }
  static bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }
};

// Reads a settings file back for checks: blocks and items by name ignoring
// case, values trimmed of blanks (the file format's own reader is not linked here).
class CSConfigLite {
 public:
  explicit CSConfigLite(const std::string& text) {
    std::istringstream in(text);
    std::string line, block;
    while (std::getline(in, line)) {
      line = trim(line);
      if (line.empty() || line[0] == ';' || line[0] == '#') continue;
      if (line[0] == '[' && line.back() == ']') {
        block = lower(trim(line.substr(1, line.size() - 2)));
      } else if (auto eq = line.find('='); eq != std::string::npos) {
        values_[block + "/" + lower(trim(line.substr(0, eq)))] = trim(line.substr(eq + 1));
      }
    }
  }
  bool has(const std::string& block, const std::string& item) const {
    return values_.count(lower(block) + "/" + lower(item)) > 0;
  }
  std::string value(const std::string& block, const std::string& item) const {
    auto it = values_.find(lower(block) + "/" + lower(item));
    return it == values_.end() ? "<missing>" : it->second;
  }

 private:
  static std::string trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t\r"), e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
  }
  static std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  }
  std::map<std::string, std::string> values_;
};

// A DCL file with just the keys the tests use.
std::string miniDialogs(const std::string& header, const std::vector<std::string>& names) {
  std::string s = header + "\n";
  for (const std::string& n : names) {
    s += n + " : dialog {\n  label = \"" + n + "\";\n";
    if (n.rfind("drwlink2_opt", 0) == 0)
      s += "  : edit_box { key = \"lcolor_hidden\"; }\n  : button { key = \"clbut_hidden\"; }\n";
    s += "  : list_box { key = \"vallist\"; }\n  ok_cancel;\n}\n";
  }
  return s;
}

TEST_F(OptionsDialogE2e, OkWritesTheTypedValuesAndTheNextCommandSeesThem) {
  HostRun r = runWith(
      "MOXIoptions\n"
      "~set layer_solidheavy KONTUR\n"
      "~set lcolor_solidheavy rot\n"
      "~set ltype_hatch Mitte\n"
      "~set METAXCHGNAME /tmp/part with blanks.out\n"
      "~action accept\n"
      "MOXIoptions\n"
      "~cancel\n");
  ASSERT_EQ(r.status, 0) << r.err;
  std::string file = settings();
  EXPECT_TRUE(contains(file, "[Layer]\nSolidHeavy=KONTUR\n")) << file;
  EXPECT_TRUE(contains(file, "[LineColor]\nSolidHeavy=rot\n")) << file;
  EXPECT_TRUE(contains(file, "\nHatch=Mitte\n")) << "the hatch linetype tile shows item 15";
  EXPECT_TRUE(contains(file, "MetaFileName=/tmp/part with blanks.out\n")) << file;
  // The second command fills its dialog from the file written by the first.
  EXPECT_EQ(tileValues(r, "layer_solidheavy"), (std::vector<std::string>{"0", "KONTUR"}));
  EXPECT_EQ(tileValues(r, "METAXCHGNAME"),
            (std::vector<std::string>{"c:\\acad2d.out", "/tmp/part with blanks.out"}));
  EXPECT_EQ(tileValues(r, "ltype_hatch"), (std::vector<std::string>{"Continuous", "Mitte"}));
  // Both commands ended normally: command echo back on twice.
  int echoOn = 0;
  for (const json& c : r.calls("ads_command")) echoOn += c["args"][1][1] == "1";
  EXPECT_EQ(echoOn, 2);
  EXPECT_TRUE(r.calls("ads_alert").empty());
}

TEST_F(OptionsDialogE2e, CancelAndARunOutScriptWriteNothing) {
  HostRun r = runWith("MOXIoptions\n~set layer_solidheavy KONTUR\n~cancel\n");
  EXPECT_FALSE(fs::exists(settingsPath()));
  EXPECT_EQ(r.calls("ads_start_dialog").at(0)["status"], 0);

  const std::string before = "[Layer]\nSolidHeavy=Alt\n";
  writeSettings(before);
  r = runWith("MOXIoptions\n~set layer_solidheavy KONTUR\n");  // the script ends here
  EXPECT_EQ(settings(), before);
  EXPECT_EQ(r.calls("ads_start_dialog").at(0)["status"], 0);
}

TEST_F(OptionsDialogE2e, ANamedConfigurationIsSavedEvenWhenTheDialogIsCancelled) {
  HostRun r = runWith(
      "MOXIoptions\n"
      "~set layer_solidheavy KONTUR\n"
      "~set lcolor_hatch 5\n"
      "~action save\n"
      "~set cfgname Mein Satz\n"
      "~action accept\n"
      "~cancel\n");
  ASSERT_EQ(r.status, 0) << r.err;
  CSConfigLite file(settings());
  const std::string block = "config_Mein Satz";
  EXPECT_EQ(file.value(block, "DESC"), "Mein Satz");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"LY_SolidHeavy", "KONTUR"},
      {"LY_SolidLight", "0"},
      {"LY_Hidden", "0"},
      {"LY_Center", "0"},
      {"LY_HeavyDashDot", "0"},
      {"LY_Hatch", "0"},
      {"LY_Cosm", ""},
      {"LT_SolidHeavy", "Continuous"},
      {"LT_SolidLight", "Continuous"},
      {"LT_Hidden", "Verdeckt"},
      {"LT_Center", "Mitte"},
      {"LT_HeavyDashDot", "Strichpunkt"},
      {"LC_SolidHeavy", "7"},
      {"LC_SolidLight", "7"},
      {"LC_Hidden", "7"},
      {"LC_Center", "7"},
      {"LC_HeavyDashDot", "7"},
      {"LC_Hatch", "5"},
      {"LT_Hatch", "Continuous"},
  };
  for (const auto& [item, value] : expected) {
    EXPECT_TRUE(file.has(block, item)) << item;
    EXPECT_EQ(file.value(block, item), value) << item;
  }
  // The main items were not confirmed: they keep their defaults.
  EXPECT_EQ(file.value("Layer", "SolidHeavy"), "0");
  EXPECT_EQ(file.value("LineColor", "Hatch"), "7");

  // The load list shows the name.
  r = runWith("MOXIoptions\n~action load\n~cancel\n~cancel\n");
  EXPECT_EQ(texts(r, "ads_add_list"), std::vector<std::string>{"Mein Satz"});
}

TEST_F(OptionsDialogE2e, ANameThatCannotBeABlockNameIsRefused) {
  // "]" would end the block header early: every later save would add the
  // block again.
  HostRun r = runWith(
      "MOXIoptions\n~action save\n~set cfgname a]b\n~action accept\n"
      "~set cfgname ab\n~action accept\n~action accept\n"
      "MOXIoptions\n~action save\n~set cfgname ab\n~action accept\n~action accept\n");
  EXPECT_EQ(texts(r, "ads_alert"),
            std::vector<std::string>{"Der Name a]b kann nicht gespeichert werden: die Zeichen ] "
                                     "und Zeilenwechsel sind nicht erlaubt."});
  const std::string file = settings();
  EXPECT_EQ(file.find("]b"), std::string::npos) << file;
  const std::size_t first = file.find("[config_ab]\n");
  ASSERT_NE(first, std::string::npos) << file;
  EXPECT_EQ(file.find("[config_ab]", first + 1), std::string::npos) << "one block, saved twice";
}

TEST_F(OptionsDialogE2e, LoadingFillsTheStyleTilesAndLeavesTheExchangeFiles) {
  writeSettings(
      "[XCHG2D]\nMetaFileName=/tmp/a.out\n"
      "[CONFIG_erster]\nDESC=Erster\nLY_SolidHeavy=EINS\n"
      "[config_zweiter]\nDESC=Dialog konnte nicht geladen werden\nLY_SolidHeavy=ZWEI\n"
      "LC_Hidden=3\nLT_Hatch=Verdeckt\n"
      "[other]\nDESC=not listed\n");
  HostRun r = runWith(
      "MOXIoptions\n"
      "~set METAXCHGNAME /tmp/typed.out\n"
      "~action load\n"
      "~set cfglist 1\n"
      "~action accept\n"
      "~action load\n"
      "~action accept\n"  // no selection: the first configuration
      "~action accept\n",
      "HALDRIX_LANGUAGE=english");
  ASSERT_EQ(r.status, 0) << r.err;
  // The list holds the descriptions in file order, translated.
  EXPECT_EQ(texts(r, "ads_add_list"),
            (std::vector<std::string>{"Erster", "Dialog could not be loaded", "Erster",
                                      "Dialog could not be loaded"}));
  EXPECT_EQ(tileValues(r, "layer_solidheavy"), (std::vector<std::string>{"0", "ZWEI", "EINS"}));
  // The hatch linetype only where the configuration has it; missing items read empty.
  EXPECT_EQ(tileValues(r, "ltype_hatch"), (std::vector<std::string>{"Continuous", "Verdeckt"}));
  EXPECT_EQ(tileValues(r, "lcolor_hidden"), (std::vector<std::string>{"7", "3", ""}));
  EXPECT_EQ(tileValues(r, "METAXCHGNAME"), std::vector<std::string>{"/tmp/a.out"});
  CSConfigLite file(settings());
  EXPECT_EQ(file.value("Layer", "SolidHeavy"), "EINS");
  EXPECT_EQ(file.value("XCHG2D", "MetaFileName"), "/tmp/typed.out");
  EXPECT_EQ(file.value("LineType", "Hatch"), "Verdeckt");
}

TEST_F(OptionsDialogE2e, PickListsPreselectTheCurrentValueInAnyCase) {
  std::string plugin = ownSetup();
  writeSetupFile("drwlink2.dcl", read(std::string(DRW_SOURCE_DIR) + "/setup/drwlink2.dcl"));
  writeSetupFile("dxflinecolors.def",
                 "[1]\ndefault=Rot\n[5]\ndefault=Blau\n[6]\ndefault=ROT\n[3]\ndefault=Gruen\n");
  writeSetupFile("dxflinetypes.def", "[a]\ndefault=Continuous\n[b]\ndefault=Verdeckt\n");
  writeSettings("[LineColor]\nHidden=blau\nCenter=rot\n[LineType]\nHidden=verdeckt\n");
  HostRun r = runWith(
      "MOXIoptions\n"
      "~action clbut_hidden\n~action accept\n"  // preselected Blau taken
      "~action clbut_center\n~action accept\n"  // the last match wins: ROT
      "~action ltbut_hidden\n~action accept\n"  // Verdeckt
      "~action clbut_solidheavy\n~cancel\n"     // "7" matches no name: nothing preselected
      "~action clbut_hatch\n~set vallist 3\n~action accept\n"
      "~action accept\n",
      "", plugin);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(tileValues(r, "vallist"), (std::vector<std::string>{"1", "2", "1"}));
  CSConfigLite file(settings());
  EXPECT_EQ(file.value("LineColor", "Hidden"), "Blau");
  EXPECT_EQ(file.value("LineColor", "Center"), "ROT");
  EXPECT_EQ(file.value("LineType", "Hidden"), "Verdeckt");
  EXPECT_EQ(file.value("LineColor", "SolidHeavy"), "7");
  EXPECT_EQ(file.value("LineColor", "Hatch"), "Gruen");
}

TEST_F(OptionsDialogE2e, TheLanguageChoosesTheDialogUnlessTheHeaderExcludesIt) {
  std::string plugin = ownSetup();
  const std::vector<std::string> both = {"drwlink2_opt_german", "drwlink2_opt_english"};
  struct Case {
    std::string header, language;
    std::vector<std::string> tried;
  };
  const std::vector<Case> cases = {
      {"", "GERMAN", {"drwlink2_opt_german ok"}},
      {"// LANGUAGES: english;german", "German", {"drwlink2_opt_german ok"}},
      {"  \n  // LANGUAGES:english;;german \t;", "german", {"drwlink2_opt_german ok"}},
      // Pieces lose trailing blanks only: " german" is not german.
      {"// LANGUAGES: english; german", "german", {"drwlink2_opt_english ok"}},
      {"// LANGUAGES: english;french", "GERMAN", {"drwlink2_opt_english ok"}},
      {"// languages: english;french", "GERMAN", {"drwlink2_opt_german ok"}},
      {"", "French", {"drwlink2_opt_french failed", "drwlink2_opt_english ok"}},
  };
  for (const Case& c : cases) {
    writeSetupFile("drwlink2.dcl", miniDialogs(c.header, both));
    HostRun r = runWith("MOXIoptions\n~cancel\n", "HALDRIX_LANGUAGE=" + c.language, plugin);
    EXPECT_EQ(dialogNamesTried(r), c.tried) << c.header << " / " << c.language;
  }
  // Without HALDRIX_LANGUAGE only the English dialog can be found.
  HostRun r = runWith("MOXIoptions\n~cancel\n", "", plugin);
  EXPECT_EQ(dialogNamesTried(r).back(), "drwlink2_opt_english ok");
}

TEST_F(OptionsDialogE2e, TheSampleDialogFileHasBothLanguages) {
  for (const std::string language : {"german", "english"}) {
    HostRun r = runWith(
        "MOXIoptions\n~action clbut_hidden\n~cancel\n~action ltbut_hatch\n~cancel\n"
        "~action load\n~cancel\n~action save\n~cancel\n~cancel\n",
        "HALDRIX_LANGUAGE=" + language);
    EXPECT_EQ(dialogNamesTried(r),
              (std::vector<std::string>{
                  "drwlink2_opt_" + language + " ok", "drwlink2_color_" + language + " ok",
                  "drwlink2_ltype_" + language + " ok", "drwlink2_load_" + language + " ok",
                  "drwlink2_save_" + language + " ok"}));
    // Every tile the plug-in fills or binds exists.
    for (const std::string fn : {"ads_set_tile", "ads_action_tile", "ads_client_data_tile"})
      for (const json& call : r.calls(fn)) EXPECT_EQ(call["rc"], 5100) << call.dump();
    EXPECT_TRUE(r.calls("ads_alert").empty());
  }
}

TEST_F(OptionsDialogE2e, AMissingFileOrDialogIsReported) {
  std::string plugin = ownSetup();
  const std::string path = (dir / "setup" / "drwlink2.dcl").string();
  HostRun r = runWith("MOXIoptions\n~cancel\n", "", plugin);
  EXPECT_EQ(texts(r, "ads_alert"),
            std::vector<std::string>{"Datei " + path + " wurde nicht gefunden"});
  // The command ended with -1: command echo stays off.
  ASSERT_EQ(r.calls("ads_command").size(), 1u);
  r = runWith("MOXIoptions\n", "HALDRIX_LANGUAGE=english", plugin);
  EXPECT_EQ(texts(r, "ads_alert"), std::vector<std::string>{"File " + path + " was not found"});

  writeSetupFile("drwlink2.dcl", "drwlink2_opt_english : dialog { : edit_box { key = \"x\" }");
  r = runWith("MOXIoptions\n", "", plugin);
  EXPECT_EQ(texts(r, "ads_alert"),
            std::vector<std::string>{"Datei " + path + " wurde nicht gefunden"});

  writeSetupFile("drwlink2.dcl", miniDialogs("", {"drwlink2_load_english"}));
  r = runWith("MOXIoptions\n", "", plugin);
  EXPECT_EQ(texts(r, "ads_alert"), std::vector<std::string>{"Dialog konnte nicht geladen werden"});
  EXPECT_EQ(r.calls("ads_unload_dialog").size(), 1u);

  // A missing pick list keeps the main dialog open.
  writeSetupFile("drwlink2.dcl", miniDialogs("", {"drwlink2_opt_english"}));
  writeSettings("[LineColor]\nHidden=1\n");
  r = runWith("MOXIoptions\n~action clbut_hidden\n~set lcolor_hidden 4\n~action accept\n", "",
              plugin);
  EXPECT_EQ(texts(r, "ads_alert"), std::vector<std::string>{"Dialog konnte nicht geladen werden"});
  EXPECT_EQ(CSConfigLite(settings()).value("LineColor", "Hidden"), "4");
}

TEST_F(OptionsDialogE2e, UntouchedLinesSurviveAnOkByteForByte) {
  const std::vector<std::string> lines = {
      "; settings of the drawing office\r", "[Options]",
      "  InchAllowed =  ja   ; imperial drawings too", "AcadLin=acad.lin", "", "# layers",
      "[ Layer ]", "SolidHeavy = Kontur", "\tSolidLight=  Duenn", "Hidden=Versteckt", "[LineColor]",
      "SolidHeavy   =rot", "[Private]", "Anything = goes ; here", "[XCHG2D]",
      // longer than a tile's first read
      "MetaFileName = /tmp/" + std::string(128, 'x') + ".out"};
  std::string original;
  for (const std::string& l : lines) original += l + "\n";
  original.pop_back();  // the last line has no line end
  writeSettings(original);
  HostRun r =
      runWith("MOXIoptions\n~set layer_hidden Neu\n~set lcolor_hidden gelb\n~action accept\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string after = settings();
  EXPECT_TRUE(contains(after, "[LineColor]")) << after;
  EXPECT_TRUE(contains(after, "Hidden=gelb")) << after;
  // Every original line but the changed one, in order, with its own line end.
  std::size_t at = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string expected = i == 9 ? std::string("Hidden=Neu\n") : lines[i] + "\n";
    if (i + 1 == lines.size()) {
      EXPECT_NE(after.find(lines[i], at), std::string::npos) << lines[i];
      continue;
    }
    std::size_t found = after.find(expected, at);
    ASSERT_NE(found, std::string::npos) << "line " << i << ": " << lines[i] << "\n" << after;
    at = found + expected.size();
  }
  EXPECT_EQ(after.substr(0, 60), original.substr(0, 60));
}

TEST_F(OptionsDialogE2e, AFailedWriteOnOkIsReported) {
  const std::string before = "[Layer]\nSolidHeavy=Alt\n";
  writeSettings(before);
  ::chmod(settingsPath().c_str(), 0444);
  HostRun r = runWith("MOXIoptions\n~set layer_solidheavy Neu\n~action accept\n");
  ::chmod(settingsPath().c_str(), 0644);
  EXPECT_EQ(texts(r, "ads_alert"),
            std::vector<std::string>{"Die Einstellungen konnten nicht in " +
                                     settingsPath().string() + " gespeichert werden!"});
  EXPECT_EQ(settings(), before);
  EXPECT_EQ(r.calls("ads_start_dialog").at(0)["status"], 1) << "the dialog still closes";

  ::chmod(settingsPath().c_str(), 0444);
  r = runWith("MOXIoptions\n~action save\n~set cfgname x\n~action accept\n~cancel\n",
              "HALDRIX_LANGUAGE=english");
  ::chmod(settingsPath().c_str(), 0644);
  EXPECT_EQ(texts(r, "ads_alert"), std::vector<std::string>{"The settings could not be saved in " +
                                                            settingsPath().string() + "!"});
}

}  // namespace
