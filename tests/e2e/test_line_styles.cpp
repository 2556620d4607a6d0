// Line styles through drafthost with the sample installation: layers and
// linetypes made before a 2D import, the host commands that make them, the
// alerts that stop a command, colour words and keyword aliases.
#include "drafthost_run.h"

namespace {

class LineStylesE2e : public E2eTest {
 protected:
  // The ads_command argument lists of the commands that make styles.
  static json text(const std::string& s) { return json::array({5005, s}); }
  static json load(const std::string& linetype) {
    return json::array(
        {text("_.linetype"), text("_load"), text(linetype), text("acad.lin"), text("")});
  }
  static json newLayer(const std::string& name) {
    return json::array({text("_.layer"), text("_new"), text(name), text("")});
  }
  static json layerLinetype(const std::string& linetype, const std::string& name) {
    return json::array({text("_.layer"), text("_ltype"), text(linetype), text(name), text("")});
  }
  static json layerColour(int colour, const std::string& name) {
    return json::array({text("_.layer"), text("_color"), {5003, colour}, text(name), text("")});
  }

  const std::string alert =
      "Linienstil Gibtsnicht existiert nicht!\nGeben Sie im 2D-Optionendialog der MOXIsolutions "
      "AutoCAD-Schnittstelle einen gültigen Linientyp an.";
  const std::string openMissing = "(C:MOXIopenps2 \"missing.out\")\n";
  const std::vector<json> defaultLoads = {load("Verdeckt"), load("Mitte"), load("Strichpunkt")};
};

TEST_F(LineStylesE2e, FreshDrawingWithDefaultsLoadsTheThreeLinetypes) {
  HostRun r = run(openMissing);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.commands(), defaultLoads);
  // The flow went on to the import, which found no file.
  EXPECT_EQ(r.texts("ads_printf"), Args{"\nMetadatei missing.out wurde nicht gefunden!\n"});
  EXPECT_TRUE(r.calls("ads_alert").empty());
  // A second command finds everything in place and sends nothing; so does an
  // existing layer.
  EXPECT_EQ(run(openMissing + openMissing).commands(), defaultLoads);
  writeSettings("[Layer]\nHidden=Versteckt\n[LineColor]\nHidden=3\n");
  EXPECT_EQ(run("LAYER Versteckt\n" + openMissing).commands(), defaultLoads);
}

TEST_F(LineStylesE2e, MissingLayersAreCreatedWithLinetypeAndColour) {
  writeSettings(
      "[Layer]\nSolidHeavy=Kontur\nSolidLight=Kontur\nHidden=Versteckt\nCenter=Achse\n"
      "HeavyDashDot=0\nCosm=Hilfslinien\n"
      "[LineType]\nHidden=Verdeckt\nCenter=vonlayer\n"
      "[LineColor]\nSolidHeavy=ROT\nHidden=blue\nCenter=VONLAYER\n");
  HostRun r = run(openMissing);
  EXPECT_EQ(r.commands(),
            (std::vector<json>{newLayer("KONTUR"), layerLinetype("CONTINUOUS", "KONTUR"),
                               layerColour(1, "KONTUR"), newLayer("VERSTECKT"), load("VERDECKT"),
                               layerLinetype("VERDECKT", "VERSTECKT"), layerColour(5, "VERSTECKT"),
                               newLayer("ACHSE"),  // BYLAYER: no linetype; colour 256: none
                               load("Strichpunkt"), newLayer("HILFSLINIEN")}));
  EXPECT_TRUE(r.calls("ads_alert").empty());
}

TEST_F(LineStylesE2e, UnloadableLinetypesAndRefusedLayersStopTheCommand) {
  writeSettings("[LineType]\nHidden=Gibtsnicht\n");
  HostRun r = run("MOXIviewer\n");
  EXPECT_EQ(r.commands(), std::vector<json>{load("Gibtsnicht")});
  EXPECT_EQ(r.texts("ads_alert"), Args{alert});
  EXPECT_TRUE(r.calls("ads_printf").empty()) << "nothing after the alert";
  EXPECT_EQ(r.trace.back()["fn"], "ads_alert") << "no catalogue program is started";
  EXPECT_TRUE(contains(r.out, "** Linienstil Gibtsnicht existiert nicht!\n** Geben Sie"));

  // A new layer with a linetype that cannot be loaded.
  writeSettings("[Layer]\nHidden=Versteckt\n[LineType]\nHidden=Gibtsnicht\n");
  r = run(openMissing);
  EXPECT_EQ(r.commands(), (std::vector<json>{newLayer("VERSTECKT"), load("GIBTSNICHT"),
                                             layerColour(7, "VERSTECKT")}));
  EXPECT_EQ(r.texts("ads_printf"), Args{"\nLinientyp GIBTSNICHT konnte nicht geladen werden\n"});
  EXPECT_EQ(r.texts("ads_alert"), Args{alert});

  // A layer the host refuses is reported twice; the other styles are still
  // prepared, the missing layer stops the command after them.
  writeSettings("[Layer]\nSolidHeavy=a<b\n");
  r = run(openMissing);
  std::vector<json> expected = {newLayer("A<B")};
  expected.insert(expected.end(), defaultLoads.begin(), defaultLoads.end());
  EXPECT_EQ(r.commands(), expected);
  EXPECT_EQ(r.texts("ads_printf"), Args{"\nLayer A<B konnte nicht erzeugt werden\n"});
  EXPECT_EQ(r.texts("ads_alert"), Args{"Layer a<b konnte nicht erzeugt werden"});
}

TEST_F(LineStylesE2e, KeywordAliasesNeedNoLinetypeAndNoColour) {
  // BYLAYER wins over BYBLOCK for a word that is an alias of both.
  writeSettings(
      "[BYNAME]\nBYBLOCK=VONBLOCK,PARBLOC,BEIDE\nBYLAYER=BEIDE\n"
      "[Layer]\nSolidHeavy=Eins\nSolidLight=Zwei\nHidden=Drei\n"
      "[LineType]\nSolidHeavy=parbloc\nSolidLight=ByLayer\nHidden=beide\nCenter=Continuous\n"
      "HeavyDashDot=Continuous\n"
      "[LineColor]\nSolidHeavy=Parbloc\nSolidLight=bylayer\nHidden=beide\n");
  EXPECT_EQ(run(openMissing).commands(),
            (std::vector<json>{newLayer("EINS"), newLayer("ZWEI"), newLayer("DREI")}));
}

TEST_F(LineStylesE2e, ColourWordsOfBothLanguagesResolve) {
  // Settings files are Windows-1252: \xfc is "ü", \xdf is "ß".
  const std::pair<const char*, int> cases[] = {
      {"rot", 1},     {"Red", 1},       {"Gr\xfcn", 3},  {"green", 3},
      {"wei\xdf", 7}, {"black", 7},     {"hellgrau", 9}, {"light grey", 9},
      {"12", 12},     {"unbekannt", 0}, {"VONBLOCK", 0}, {"BYLAYER", 256}};
  for (const char* language : {"", "HALDRIX_LANGUAGE=english"}) {
    for (const auto& [word, colour] : cases) {
      // The colour of the new solid-heavy layer shows the number.
      writeSettings(
          "[LineType]\nHidden=Continuous\nCenter=Continuous\nHeavyDashDot=Continuous\n"
          "[Layer]\nSolidHeavy=Farbe\n[LineColor]\nSolidHeavy=" +
          std::string(word) + "\n");
      std::vector<json> want{newLayer("FARBE"), layerLinetype("CONTINUOUS", "FARBE")};
      if (colour > 0 && colour < 256) want.push_back(layerColour(colour, "FARBE"));
      HostRun r = run(openMissing, language);
      EXPECT_EQ(r.commands(), want) << ::testing::PrintToString(std::string(word)) << " "
                                    << language << ", status " << r.status << "\n"
                                    << r.err << r.out;
    }
  }
}

}  // namespace
