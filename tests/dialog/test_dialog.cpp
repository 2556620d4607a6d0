// The options dialog inside the host library: the language header, the named
// configurations, the settings file written without disturbing its lines, the
// tile tables, and typing limited by the edit boxes.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "config/environment.h"
#include "dialog/options_dialog.h"
#include "host_fixture.h"
#include "plugin/operations.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(LanguageHeader, ExcludesOnlyLanguagesMissingFromAHeader) {
  struct Case {
    const char* line;
    const char* language;
    bool excluded;
  };
  const Case cases[] = {
      {"// LANGUAGES: english;german", "german", false},
      {"// LANGUAGES: english;german", "GERMAN", false},
      {"// LANGUAGES: english;german", "french", true},
      {"// LANGUAGES:german\r", "german", false},
      {"// LANGUAGES: german", "german", true},  // the piece is " german"
      {"// LANGUAGES:", "german", true},
      {"// languages: english", "german", false},  // no header: exact case only
      {"drwlink2_opt_english : dialog {", "german", false},
      {"", "german", false},
      {"x LANGUAGES:a;;b;", "b", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(languageExcluded(c.line, c.language), c.excluded) << c.line << " / " << c.language;
}

TEST(OptionsTables, PickersFillTheTileOfTheirOwnStyle) {
  std::set<int> items;
  std::set<std::string> keys;
  for (const OptionsTile& t : optionsTiles()) {
    EXPECT_TRUE(keys.insert(t.key).second) << t.key;
    if (t.item) {
      EXPECT_TRUE(items.insert(t.item).second) << t.key;
    }
    if (!t.picker) continue;
    const std::string key = t.key, picker = t.picker;
    const std::string style = key.substr(key.find('_'));
    EXPECT_EQ(picker.substr(picker.find('_')), style);
    EXPECT_EQ(key.rfind("ltype_", 0) == 0, picker.rfind("ltbut_", 0) == 0) << key;
    EXPECT_EQ(key.rfind("lcolor_", 0) == 0, picker.rfind("clbut_", 0) == 0) << key;
  }
  EXPECT_EQ(keys.size(), 22u);
  // Every item shown but the first two options: 3 to 24.
  EXPECT_EQ(items.size(), 22u);
  EXPECT_EQ(*items.begin(), 3);
  EXPECT_EQ(*items.rbegin(), 24);
  // Named configurations store only style tiles, never the exchange files.
  for (const NamedConfigItem& n : namedConfigItems()) {
    EXPECT_TRUE(keys.count(n.tile)) << n.tile;
    EXPECT_EQ(std::string(n.tile).find("XCHG"), std::string::npos);
    EXPECT_EQ(std::string(n.tile).find("SATVERSION"), std::string::npos);
  }
}

class DialogTest : public HostTest {
 protected:
  DialogTest() {
    dir = fs::temp_directory_path() / ("drw_dialog_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ::setenv("HALDRIX_USER", dir.c_str(), 1);
    ::setenv("HALDRIX_SETUP", (std::string(DRW_SOURCE_DIR) + "/setup").c_str(), 1);
    ::setenv("HALDRIX_LANGUAGE", "english", 1);
  }
  ~DialogTest() override { fs::remove_all(dir); }

  fs::path file() const { return dir / "acad2d.cfg"; }
  void load(InterfaceSettings& s) {
    s.loadInterfaceSettings();
    loadStyleDefinitions(s);
    applyLineStyleSettings(s);
  }

  fs::path dir;
};

TEST_F(DialogTest, SavingKeepsTheLinesOfUnchangedItems) {
  const std::string original =
      "; kept\r\n[Layer]\r\n  SolidHeavy =  Kontur  \r\nHidden=Alt\r\n[config_A]\r\n"
      "DESC = A \r\n[LineType]\r\nSolidHeavy=Continuous";
  std::ofstream(file(), std::ios::binary) << original;
  InterfaceSettings s;
  load(s);
  ASSERT_EQ(s.getItem(InterfaceSettings::kLayerSolidHeavy).asString(), "Kontur");
  s.getItem(InterfaceSettings::kLayerHidden).set("Neu");
  ASSERT_EQ(saveSettingsFile(s), 0);
  const std::string after = readFile(file());
  EXPECT_EQ(after.substr(0, after.find("Hidden=")),
            "; kept\r\n[Layer]\r\n  SolidHeavy =  Kontur  \r\n");
  EXPECT_NE(after.find("Hidden=Neu\r\n"), std::string::npos);
  EXPECT_NE(after.find("DESC = A \r\n"), std::string::npos);
  // Items the file did not have are added with their defaults.
  EXPECT_NE(after.find("SolidLight=0"), std::string::npos);
  EXPECT_NE(after.find("MetaFileName=c:\\acad2d.out"), std::string::npos);

  // A second save with nothing changed leaves the file as it is.
  InterfaceSettings again;
  load(again);
  ASSERT_EQ(saveSettingsFile(again), 0);
  EXPECT_EQ(readFile(file()), after);
}

TEST_F(DialogTest, NamedConfigurationsAreFoundInAnyCaseInFileOrder) {
  std::ofstream(file()) << "[Config_b]\n[layer]\n[CONFIG_a]\n[config]\n[xconfig_c]\n[config_]\n";
  InterfaceSettings s;
  load(s);
  EXPECT_EQ(namedConfigBlocks(s), (std::vector<std::string>{"Config_b", "CONFIG_a", "config_"}));
}

TEST_F(DialogTest, TypedValuesStopAtTheEditLimitOfTheTile) {
  const std::string longName(150, 'L');
  answer({"~set layer_solidheavy " + longName, "~action save", "~set cfgname " + longName,
          "~action accept", "~action accept"});
  InterfaceSettings s;
  load(s);
  EXPECT_EQ(runOptionsDialog(s), 1);
  const std::string cut(99, 'L');  // edit_limit = 99 in the sample dialogs
  EXPECT_EQ(s.getItem(InterfaceSettings::kLayerSolidHeavy).asString(), cut);
  EXPECT_EQ(s.getItem("DESC", "config_" + cut).asString(), cut);
  EXPECT_EQ(s.getItem("LY_SolidHeavy", "config_" + cut).asString(), cut);
  EXPECT_NE(readFile(file()).find("[Layer]\nSolidHeavy=" + cut + "\n"), std::string::npos);
}

TEST_F(DialogTest, AMissingDialogFileEndsTheFlowWithMinusOne) {
  ::setenv("HALDRIX_SETUP", dir.c_str(), 1);
  InterfaceSettings s;
  load(s);
  EXPECT_EQ(runOptionsDialog(s), -1);
  EXPECT_NE(out.str().find("** Datei " + dir.string() + "/drwlink2.dcl wurde nicht gefunden"),
            std::string::npos)
      << out.str();
  int id = 0;
  ads_hdlg d = nullptr;
  EXPECT_EQ(openDialog(s, "color", &id, &d), -1);
  EXPECT_FALSE(fs::exists(file())) << "nothing is written";
}

}  // namespace
