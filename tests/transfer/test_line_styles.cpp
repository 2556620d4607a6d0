// Line-style settings: keyword aliases, colour texts, the definition files and
// the per-style lists filled from the settings.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/environment.h"
#include "plugin/interface_settings.h"
#include "plugin/operations.h"
#include "transfer/line_styles.h"

namespace fs = std::filesystem;

namespace {

class LineStylesTest : public ::testing::Test {
 protected:
  LineStylesTest() {
    dir = fs::temp_directory_path() / ("drw_line_styles_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    setVariableOverride("HALDRIX_SETUP", dir.string());
    setVariableOverride("HALDRIX_USER", dir.string());
    setVariableOverride("HALDRIX_LANGUAGE", "english");
  }
  ~LineStylesTest() override {
    clearVariableOverrides();
    fs::remove_all(dir);
  }

  void write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
  }

  // Settings read from the given acad2d.cfg text, definitions loaded, styles applied.
  void load(const std::string& settingsText) {
    write("acad2d.cfg", settingsText);
    settings.loadInterfaceSettings();
    loadStyleDefinitions(settings);
    applyLineStyleSettings(settings);
  }

  fs::path dir;
  InterfaceSettings settings;
};

const char kColours[] =
    "[1]\ndefault=rot\nenglish=red\n\n"
    "[3]\ndefault=gr\xfcn\nenglish=green\nenglish2= lime \n"
    "[x]\ndefault=kein\n"       // no number: colour 0
    "[5]\nenglish=\nfrench=\n"  // no name at all: skipped
    "[7]\ndefault=wei\xdf\n";

TEST_F(LineStylesTest, DefinitionFilesInTheCurrentLanguage) {
  write("dxflinetypes.def",
        "[A]\ndefault=Verdeckt\nenglish=HIDDEN\n[B]\ndefault=Mitte\n[C]\ngerman=Strich\n");
  write("dxflinecolors.def", kColours);
  load("");
  EXPECT_EQ(settings.linetypeDefinitions(), (std::vector<std::string>{"HIDDEN", "Mitte"}));
  auto& colours = settings.colourDefinitions();
  ASSERT_EQ(colours.size(), 4u);
  EXPECT_EQ(colours[0].name, "red");
  EXPECT_EQ(colours[0].allNames, "rot;red;");
  EXPECT_EQ(colours[1].number, 3);
  EXPECT_EQ(colours[1].allNames, "gr\xfcn;green;lime;");
  EXPECT_EQ(colours[2].name, "kein");
  EXPECT_EQ(colours[2].number, 0);
  EXPECT_EQ(colours[3].name, "wei\xdf");

  setVariableOverride("HALDRIX_LANGUAGE", "german");
  loadStyleDefinitions(settings);
  EXPECT_EQ(settings.linetypeDefinitions(),
            (std::vector<std::string>{"Verdeckt", "Mitte", "Strich"}));
  EXPECT_EQ(settings.colourDefinitions()[0].name, "rot");
}

TEST_F(LineStylesTest, MissingDefinitionFilesLeaveEmptyLists) {
  load("");
  EXPECT_TRUE(settings.linetypeDefinitions().empty());
  EXPECT_TRUE(settings.colourDefinitions().empty());
  EXPECT_EQ(colourFromText(settings, "rot"), 0);
  EXPECT_EQ(colourFromText(settings, "4"), 4);
}

TEST_F(LineStylesTest, KeywordsAndAliases) {
  load("[BYNAME]\nBYBLOCK=VONBLOCK,PARBLOC\n");
  struct Case {
    const char* text;
    const char* result;
  } cases[] = {
      {"vonlayer", "BYLAYER"}, {"ByLayer", "BYLAYER"},     {"VONBLOCK", "BYBLOCK"},
      {"parbloc", "BYBLOCK"},  {"Mitte", "Mitte"},         {"", ""},
      {"PAR", "PAR"},          {"vonblock ", "vonblock "},
  };
  for (const Case& c : cases) EXPECT_EQ(normalizeByKeyword(settings, c.text), c.result) << c.text;
}

TEST_F(LineStylesTest, ByLayerWinsWhenAWordIsAnAliasOfBoth) {
  load("[BYNAME]\nBYBLOCK=BEIDE\nBYLAYER=BEIDE,VONLAYER\n");
  EXPECT_EQ(normalizeByKeyword(settings, "beide"), "BYLAYER");
}

TEST_F(LineStylesTest, ColourTexts) {
  write("dxflinecolors.def", kColours);
  load("");
  struct Case {
    const char* text;
    int colour;
  } cases[] = {
      {"BYLAYER", 256}, {"VONBLOCK", 0}, {"12", 12},     {"rot", 1},  {"ROT", 1}, {"Red", 1},
      {"LIME", 3},      {"gr\xfcn", 3},  {"unknown", 0}, {"kein", 0}, {"", 0},  // BYBLOCK rather
                                                                                // than the first
                                                                                // definition's
                                                                                // colour
  };
  for (const Case& c : cases) EXPECT_EQ(colourFromText(settings, c.text), c.colour) << c.text;
}

TEST_F(LineStylesTest, StyleListsFromTheSettings) {
  write("dxflinecolors.def", kColours);
  load(
      "[Layer]\nSolidHeavy=Kontur\nHatch=Schraffur\nCosm=Hilfe\n"
      "[LineType]\nCenter=vonlayer\nHatch=VONBLOCK\n"
      "[LineColor]\nSolidLight=rot\nHatch=green\n");
  EXPECT_EQ(settings.styleLayers(), (std::vector<std::string>{"Kontur", "0", "0", "0", "0"}));
  EXPECT_EQ(
      settings.styleLinetypes(),
      (std::vector<std::string>{"Continuous", "Continuous", "Verdeckt", "BYLAYER", "Strichpunkt"}));
  EXPECT_EQ(settings.styleColours(), (std::vector<int>{7, 1, 7, 7, 7}));
  EXPECT_EQ(settings.hatchLayer(), "Schraffur");
  EXPECT_EQ(settings.hatchLinetype(), "BYBLOCK");
  EXPECT_EQ(settings.hatchColour(), 3);
  EXPECT_EQ(settings.cosmeticLayer(), "Hilfe");
  EXPECT_EQ(settings.styleLayer(1), "0");
  EXPECT_EQ(settings.styleLinetype(3), "BYLAYER");
  EXPECT_EQ(settings.styleColour(1), 1);
  EXPECT_EQ(settings.styleLayer(5), "0");
  EXPECT_EQ(settings.styleLinetype(-1), "CONTINUOUS");
  EXPECT_EQ(settings.styleColour(5), 7);

  // Applying again rebuilds the lists instead of appending to them.
  applyLineStyleSettings(settings);
  EXPECT_EQ(settings.styleLayers().size(), 5u);
}

}  // namespace
