// Line styles through drafthost with the sample installation: layers and
// linetypes made before a 2D import, the host commands that make them, the
// alerts that stop a command, colour words, keyword aliases and the English
// language file.
#include <string>
#include <vector>

#include "drafthost_run.h"

namespace {

using nlohmann::json;

class LineStylesE2e : public E2eTest {
 protected:
  // Runs drafthost as run() does, with extra environment assignments
  // ("NAME=value ...") and drafthost's support path at the sample installation.
  HostRun runWith(const std::string& script, const std::string& environment = "") {
    std::ofstream(dir / "script.scr", std::ios::binary) << script;
    std::string cmd = "cd '" + dir.string() + "' && env -u HALDRIX -u HALDRIX_SETUP" +
                      " -u HALDRIX_LANGUAGE HALDRIX_USER='" + (dir / "user").string() +
                      "' DRAFTHOST_SUPPORT='" + DRW_SOURCE_DIR + "/setup' " + environment + " '" +
                      binary() + "' --trace trace.jsonl script.scr > out.txt 2> err.txt";
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

  void writeSettings(const std::string& text) {
    std::ofstream(dir / "user" / "acad2d.cfg", std::ios::binary) << text;
  }

  // The argument lists of every ads_command but the command-echo switches.
  static std::vector<json> commands(const HostRun& r) {
    std::vector<json> lists;
    for (const json& call : r.calls("ads_command"))
      if (call["args"][0][1] != "_cmdecho") lists.push_back(call["args"]);
    return lists;
  }

  static json text(const std::string& s) { return json::array({5005, s}); }
  static json loadLinetype(const std::string& name) {
    return json::array({text("_.linetype"), text("_load"), text(name), text("acad.lin"), text("")});
  }
  static json newLayer(const std::string& name) {
    return json::array({text("_.layer"), text("_new"), text(name), text("")});
  }
  static json layerLinetype(const std::string& linetype, const std::string& name) {
    return json::array({text("_.layer"), text("_ltype"), text(linetype), text(name), text("")});
  }
  static json layerColour(int colour, const std::string& name) {
    return json::array(
        {text("_.layer"), text("_color"), json::array({5003, colour}), text(name), text("")});
  }

  static std::vector<std::string> texts(const HostRun& r, const std::string& fn) {
    std::vector<std::string> v;
    for (const json& call : r.calls(fn)) v.push_back(call["text"]);
    return v;
  }

  const std::string openMissing = "(C:MOXIopenps2 \"missing.out\")\n";
};

const char kLinetypeAlert[] =
    "Linienstil %s existiert nicht!\nGeben Sie im 2D-Optionendialog der MOXIsolutions "
    "AutoCAD-Schnittstelle einen gültigen Linientyp an.";

std::string linetypeAlert(const std::string& name) {
  std::string s = kLinetypeAlert;
  return s.replace(s.find("%s"), 2, name);
}

TEST_F(LineStylesE2e, FreshDrawingWithDefaultsLoadsTheThreeLinetypes) {
  HostRun r = runWith(openMissing);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(commands(r), (std::vector<json>{loadLinetype("Verdeckt"), loadLinetype("Mitte"),
                                            loadLinetype("Strichpunkt")}));
  // The flow went on to the import, which found no file.
  EXPECT_EQ(texts(r, "ads_printf"),
            std::vector<std::string>{"\nMetadatei missing.out wurde nicht gefunden!\n"});
  EXPECT_TRUE(r.calls("ads_alert").empty());

  // A second command finds everything in place and sends nothing.
  r = runWith(openMissing + openMissing);
  EXPECT_EQ(commands(r).size(), 3u);
}

TEST_F(LineStylesE2e, MissingLayersAreCreatedWithLinetypeAndColour) {
  writeSettings(
      "[Layer]\nSolidHeavy=Kontur\nSolidLight=Kontur\nHidden=Versteckt\nCenter=Achse\n"
      "HeavyDashDot=0\nCosm=Hilfslinien\n"
      "[LineType]\nHidden=Verdeckt\nCenter=vonlayer\n"
      "[LineColor]\nSolidHeavy=ROT\nHidden=blue\nCenter=VONLAYER\n");
  HostRun r = runWith(openMissing);
  EXPECT_EQ(commands(r), (std::vector<json>{
                             newLayer("KONTUR"),
                             layerLinetype("CONTINUOUS", "KONTUR"),
                             layerColour(1, "KONTUR"),
                             newLayer("VERSTECKT"),
                             loadLinetype("VERDECKT"),
                             layerLinetype("VERDECKT", "VERSTECKT"),
                             layerColour(5, "VERSTECKT"),
                             newLayer("ACHSE"),  // BYLAYER: no linetype; colour 256: none
                             loadLinetype("Strichpunkt"),
                             newLayer("HILFSLINIEN"),
                         }));
  EXPECT_TRUE(r.calls("ads_alert").empty());
}

TEST_F(LineStylesE2e, AnExistingLayerIsLeftAlone) {
  writeSettings("[Layer]\nHidden=Versteckt\n[LineColor]\nHidden=3\n");
  HostRun r = runWith("LAYER Versteckt\n" + openMissing);
  EXPECT_EQ(commands(r), (std::vector<json>{loadLinetype("Verdeckt"), loadLinetype("Mitte"),
                                            loadLinetype("Strichpunkt")}));
}

TEST_F(LineStylesE2e, AnUnloadableLinetypeStopsTheCommandWithTheAlert) {
  writeSettings("[LineType]\nHidden=Gibtsnicht\n");
  HostRun r = runWith("MOXIviewer\n");
  EXPECT_EQ(commands(r), (std::vector<json>{loadLinetype("Gibtsnicht")}));
  EXPECT_EQ(texts(r, "ads_alert"), std::vector<std::string>{linetypeAlert("Gibtsnicht")});
  EXPECT_TRUE(r.calls("ads_printf").empty()) << "nothing after the alert";
  EXPECT_EQ(r.trace.back()["fn"], "ads_alert") << "no catalogue program is started";
  EXPECT_NE(r.out.find("** Linienstil Gibtsnicht existiert nicht!\n** Geben Sie"),
            std::string::npos);
}

TEST_F(LineStylesE2e, ANewLayerWithAnUnloadableLinetype) {
  writeSettings("[Layer]\nHidden=Versteckt\n[LineType]\nHidden=Gibtsnicht\n");
  HostRun r = runWith(openMissing);
  EXPECT_EQ(commands(r), (std::vector<json>{newLayer("VERSTECKT"), loadLinetype("GIBTSNICHT"),
                                            layerColour(7, "VERSTECKT")}));
  EXPECT_EQ(texts(r, "ads_printf"),
            std::vector<std::string>{"\nLinientyp GIBTSNICHT konnte nicht geladen werden\n"});
  EXPECT_EQ(texts(r, "ads_alert"), std::vector<std::string>{linetypeAlert("Gibtsnicht")});
}

TEST_F(LineStylesE2e, ALayerTheHostRefusesIsReportedTwice) {
  writeSettings("[Layer]\nSolidHeavy=a<b\n");
  HostRun r = runWith(openMissing);
  // The other styles are still prepared; the missing layer stops the command after them.
  EXPECT_EQ(commands(r), (std::vector<json>{newLayer("A<B"), loadLinetype("Verdeckt"),
                                            loadLinetype("Mitte"), loadLinetype("Strichpunkt")}));
  EXPECT_EQ(texts(r, "ads_printf"),
            std::vector<std::string>{"\nLayer A<B konnte nicht erzeugt werden\n"});
  EXPECT_EQ(texts(r, "ads_alert"),
            std::vector<std::string>{"Layer a<b konnte nicht erzeugt werden"});
}

TEST_F(LineStylesE2e, KeywordAliasesNeedNoLinetypeAndNoColour) {
  writeSettings(
      "[BYNAME]\nBYBLOCK=VONBLOCK,PARBLOC\n"
      "[Layer]\nSolidHeavy=Eins\nSolidLight=Zwei\n"
      "[LineType]\nSolidHeavy=parbloc\nSolidLight=ByLayer\nHidden=Continuous\n"
      "Center=Continuous\nHeavyDashDot=Continuous\n"
      "[LineColor]\nSolidHeavy=Parbloc\nSolidLight=bylayer\n");
  HostRun r = runWith(openMissing);
  EXPECT_EQ(commands(r), (std::vector<json>{newLayer("EINS"), newLayer("ZWEI")}));
}

TEST_F(LineStylesE2e, ColourWordsOfBothLanguagesResolve) {
  // Settings files are Windows-1252: \xfc is "ü", \xdf is "ß".
  struct Case {
    const char* word;
    int colour;
  } cases[] = {{"rot", 1},     {"Red", 1},       {"Gr\xfcn", 3},  {"green", 3},
               {"wei\xdf", 7}, {"black", 7},     {"hellgrau", 9}, {"light grey", 9},
               {"12", 12},     {"unbekannt", 0}, {"VONBLOCK", 0}, {"BYLAYER", 256}};
  for (const char* language : {"", "HALDRIX_LANGUAGE=english"}) {
    for (const Case& c : cases) {
      // The colour of the new solid-heavy layer shows the number.
      writeSettings(
          "[LineType]\nHidden=Continuous\nCenter=Continuous\nHeavyDashDot=Continuous\n"
          "[Layer]\nSolidHeavy=Farbe\n[LineColor]\nSolidHeavy=" +
          std::string(c.word) + "\n");
      HostRun r = runWith(openMissing, language);
      std::vector<json> want{newLayer("FARBE"), layerLinetype("CONTINUOUS", "FARBE")};
      if (c.colour > 0 && c.colour < 256) want.push_back(layerColour(c.colour, "FARBE"));
      EXPECT_EQ(commands(r), want) << c.word << " " << language;
    }
  }
}

TEST_F(LineStylesE2e, EnglishLanguageFileTurnsMessagesEnglish) {
  writeSettings("[LineType]\nHidden=Gibtsnicht\n");
  HostRun r = runWith(openMissing, "HALDRIX_LANGUAGE=english");
  EXPECT_EQ(texts(r, "ads_alert"),
            std::vector<std::string>{
                "Linetype Gibtsnicht does not exist!\nPlease enter a valid linetype in the 2D "
                "options dialog of the MOXIsolutions AutoCAD interface."});

  writeSettings("");
  r = runWith(openMissing, "HALDRIX_LANGUAGE=english");
  EXPECT_EQ(texts(r, "ads_printf"),
            std::vector<std::string>{"\nMetafile missing.out was not found!\n"});
}

}  // namespace
