// The options dialog through drafthost: values typed into the dialog reach the
// settings file on OK and nowhere on Cancel, named configurations, pick lists
// with their preselection, dialogs by language, the alerts, and a settings file
// whose untouched lines survive byte for byte.
#include <sys/stat.h>

#include "drafthost_run.h"

namespace {

class OptionsDialogE2e : public E2eTest {
 protected:
  // Values the plug-in put into one tile, in call order.
  static Args tileValues(const HostRun& r, const std::string& key) {
    Args v;
    for (const json& call : r.calls("ads_set_tile"))
      if (call["key"] == key) v.push_back(call["value"]);
    return v;
  }
  // Each part appears in the settings file.
  void expectInSettings(const Args& parts) const {
    const std::string file = settings();
    for (const std::string& part : parts)
      EXPECT_TRUE(contains(file, part)) << part << " in\n" << file;
  }
  static Args dialogsTried(const HostRun& r) {
    Args v;
    for (const json& call : r.calls("ads_new_dialog"))
      v.push_back(call["name"].get<std::string>() + (call["rc"] == 5100 ? " ok" : " failed"));
    return v;
  }
};

// A DCL file with just the keys the tests use.
std::string miniDialogs(const std::string& header, const Args& names) {
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
  const std::string longName(150, 'L');
  HostRun r =
      run("MOXIoptions\n~set layer_solidheavy KONTUR\n~set lcolor_solidheavy rot\n"
          "~set ltype_hatch Mitte\n~set METAXCHGNAME /tmp/part with blanks.out\n"
          "~set layer_cosm " +
          longName + "\n~action accept\nMOXIoptions\n~cancel\n");
  ASSERT_EQ(r.status, 0) << r.err;
  // Typing stops at the edit box's limit, 99 in the sample dialogs.
  expectInSettings({"[Layer]\nSolidHeavy=KONTUR\n", "[LineColor]\nSolidHeavy=rot\n",
                    "\nHatch=Mitte\n", "MetaFileName=/tmp/part with blanks.out\n",
                    "\nCosm=" + longName.substr(0, 99) + "\n"});
  // The second command fills its dialog from the file written by the first.
  EXPECT_EQ(tileValues(r, "layer_solidheavy"), (Args{"0", "KONTUR"}));
  EXPECT_EQ(tileValues(r, "METAXCHGNAME"), (Args{"c:\\acad2d.out", "/tmp/part with blanks.out"}));
  EXPECT_EQ(tileValues(r, "ltype_hatch"), (Args{"Continuous", "Mitte"}));
  Args echo;
  for (const json& c : r.commands("_cmdecho")) echo.push_back(c[1][1]);
  EXPECT_EQ(echo, (Args{"0", "1", "0", "1"})) << "both commands end normally";
  EXPECT_TRUE(r.calls("ads_alert").empty());
}

TEST_F(OptionsDialogE2e, ANamedConfigurationIsSavedEvenWhenTheDialogIsCancelled) {
  HostRun r =
      run("MOXIoptions\n~set layer_solidheavy KONTUR\n~set lcolor_hatch 5\n"
          "~action save\n~set cfgname Mein Satz\n~action accept\n~cancel\n");
  ASSERT_EQ(r.status, 0) << r.err;
  expectInSettings(
      {"[config_Mein Satz]\nDESC=Mein Satz\nLY_SolidHeavy=KONTUR\nLY_SolidLight=0\n"
       "LY_Hidden=0\nLY_Center=0\nLY_HeavyDashDot=0\nLY_Hatch=0\nLY_Cosm=\n"
       "LT_SolidHeavy=Continuous\nLT_SolidLight=Continuous\nLT_Hidden=Verdeckt\n"
       "LT_Center=Mitte\nLT_HeavyDashDot=Strichpunkt\nLT_Hatch=Continuous\n"
       "LC_SolidHeavy=7\nLC_SolidLight=7\nLC_Hidden=7\nLC_Center=7\n"
       "LC_HeavyDashDot=7\nLC_Hatch=5\n",
       // The main items were not confirmed: they keep their defaults.
       "[Layer]\nSolidHeavy=0\n", "\nHatch=7\n"});
  // The load list shows the name.
  r = run("MOXIoptions\n~action load\n~cancel\n~cancel\n");
  EXPECT_EQ(r.texts("ads_add_list"), Args{"Mein Satz"});
}

TEST_F(OptionsDialogE2e, ANameThatCannotBeABlockNameIsRefused) {
  // "]" would end the block header early: every later save would add the
  // block again.
  HostRun r =
      run("MOXIoptions\n~action save\n~set cfgname a]b\n~action accept\n"
          "~set cfgname ab\n~action accept\n~action accept\n"
          "MOXIoptions\n~action save\n~set cfgname ab\n~action accept\n~action accept\n");
  EXPECT_EQ(r.texts("ads_alert"), Args{"Der Name a]b kann nicht gespeichert werden: die Zeichen ] "
                                       "und Zeilenwechsel sind nicht erlaubt."});
  EXPECT_FALSE(contains(settings(), "]b")) << settings();
  EXPECT_EQ(count(settings(), "[config_ab]\n"), 1u) << "one block, saved twice: " << settings();
}

TEST_F(OptionsDialogE2e, LoadingFillsTheStyleTilesAndLeavesTheExchangeFiles) {
  writeSettings(
      "[XCHG2D]\nMetaFileName=/tmp/a.out\n"
      "[CONFIG_erster]\nDESC=Erster\nLY_SolidHeavy=EINS\n"
      "[config_zweiter]\nDESC=Dialog konnte nicht geladen werden\nLY_SolidHeavy=ZWEI\n"
      "LC_Hidden=3\nLT_Hatch=Verdeckt\n[other]\nDESC=not listed\n");
  HostRun r =
      run("MOXIoptions\n~set METAXCHGNAME /tmp/typed.out\n~action load\n~set cfglist 1\n"
          "~action accept\n~action load\n"
          "~action accept\n"  // no selection: the first configuration
          "~action accept\n",
          "HALDRIX_LANGUAGE=english");
  ASSERT_EQ(r.status, 0) << r.err;
  // The list holds the descriptions in file order, translated.
  EXPECT_EQ(r.texts("ads_add_list"),
            (Args{"Erster", "Dialog could not be loaded", "Erster", "Dialog could not be loaded"}));
  EXPECT_EQ(tileValues(r, "layer_solidheavy"), (Args{"0", "ZWEI", "EINS"}));
  // The hatch linetype only where the configuration has it; missing items read empty.
  EXPECT_EQ(tileValues(r, "ltype_hatch"), (Args{"Continuous", "Verdeckt"}));
  EXPECT_EQ(tileValues(r, "lcolor_hidden"), (Args{"7", "3", ""}));
  EXPECT_EQ(tileValues(r, "METAXCHGNAME"), Args{"/tmp/a.out"});
  expectInSettings(
      {"[Layer]\nSolidHeavy=EINS\n", "MetaFileName=/tmp/typed.out\n", "\nHatch=Verdeckt\n"});
}

TEST_F(OptionsDialogE2e, PickListsPreselectTheCurrentValueInAnyCase) {
  const std::string plugin = ownSetup();
  write("setup/drwlink2.dcl", readFile(source("setup/drwlink2.dcl")));
  // Definitions without a name in the language or a default are not offered.
  write(
      "setup/dxflinecolors.def",
      "[1]\ndefault=Rot\n[5]\ndefault=Blau\n[2]\nenglish=\n[6]\ndefault=ROT\n[3]\ndefault=Gruen\n");
  write("setup/dxflinetypes.def",
        "[a]\ndefault=Continuous\n[x]\nfrench=Tiret\n[b]\ndefault=Verdeckt\n");
  writeSettings("[LineColor]\nHidden=blau\nCenter=rot\n[LineType]\nHidden=verdeckt\n");
  HostRun r =
      run("MOXIoptions\n"
          "~action clbut_hidden\n~action accept\n"  // preselected Blau taken
          "~action clbut_center\n~action accept\n"  // the last match wins: ROT
          "~action ltbut_hidden\n~action accept\n"  // Verdeckt
          "~action clbut_solidheavy\n~cancel\n"     // "7" matches no name: nothing preselected
          "~action clbut_hatch\n~set vallist 3\n~action accept\n"
          "~action accept\n",
          "", plugin);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(tileValues(r, "vallist"), (Args{"1", "2", "1"}));
  expectInSettings({"[LineColor]\nHidden=Blau\nCenter=ROT\nSolidHeavy=7\n",
                    "[LineType]\nHidden=Verdeckt\n", "\nHatch=Gruen\n"});
}

TEST_F(OptionsDialogE2e, TheLanguageChoosesTheDialogUnlessTheHeaderExcludesIt) {
  const std::string plugin = ownSetup();
  struct Case {
    std::string header, language;
    Args tried;
  };
  const Case cases[] = {
      {"", "GERMAN", {"drwlink2_opt_german ok"}},
      {"// LANGUAGES: english;german", "German", {"drwlink2_opt_german ok"}},
      {"  \n  // LANGUAGES:english;;german \t;", "german", {"drwlink2_opt_german ok"}},
      // Pieces lose trailing blanks only: " german" is not german.
      {"// LANGUAGES: english; german", "german", {"drwlink2_opt_english ok"}},
      {"// LANGUAGES: english;french", "GERMAN", {"drwlink2_opt_english ok"}},
      {"// languages: english;french", "GERMAN", {"drwlink2_opt_german ok"}},
      {"", "French", {"drwlink2_opt_french failed", "drwlink2_opt_english ok"}},
      // Without HALDRIX_LANGUAGE only the English dialog can be found.
      {"", "", {"drwlink2_opt_$haldrix_language failed", "drwlink2_opt_english ok"}},
  };
  for (const Case& c : cases) {
    write("setup/drwlink2.dcl",
          miniDialogs(c.header, {"drwlink2_opt_german", "drwlink2_opt_english"}));
    const std::string env = c.language.empty() ? "" : "HALDRIX_LANGUAGE=" + c.language;
    HostRun r = run("MOXIoptions\n~cancel\n", env, plugin);
    EXPECT_EQ(dialogsTried(r), c.tried) << c.header << " / " << c.language;
  }
}

TEST_F(OptionsDialogE2e, TheSampleDialogFileHasBothLanguages) {
  for (const std::string language : {"german", "english"}) {
    HostRun r =
        run("MOXIoptions\n~action clbut_hidden\n~cancel\n~action ltbut_hatch\n~cancel\n"
            "~action load\n~cancel\n~action save\n~cancel\n~cancel\n",
            "HALDRIX_LANGUAGE=" + language);
    EXPECT_EQ(dialogsTried(r),
              (Args{"drwlink2_opt_" + language + " ok", "drwlink2_color_" + language + " ok",
                    "drwlink2_ltype_" + language + " ok", "drwlink2_load_" + language + " ok",
                    "drwlink2_save_" + language + " ok"}));
    // Every tile the plug-in fills or binds exists.
    for (const std::string fn : {"ads_set_tile", "ads_action_tile", "ads_client_data_tile"})
      for (const json& call : r.calls(fn)) EXPECT_EQ(call["rc"], 5100) << call.dump();
    EXPECT_TRUE(r.calls("ads_alert").empty());
  }
}

TEST_F(OptionsDialogE2e, AMissingFileOrDialogIsReported) {
  const std::string plugin = ownSetup();
  const std::string path = (dir / "setup").string() + "/drwlink2.dcl";
  struct Case {
    const char* name;
    std::string dcl, env, alert;
    std::size_t unloads;
  } cases[] = {
      {"no file", "", "", "Datei " + path + " wurde nicht gefunden", 0},
      {"broken file", "drwlink2_opt_english : dialog { : edit_box { key = \"x\" }", "",
       "Datei " + path + " wurde nicht gefunden", 0},
      {"no options dialog", miniDialogs("", {"drwlink2_load_english"}), "",
       "Dialog konnte nicht geladen werden", 1},
  };
  for (const Case& c : cases) {
    fs::remove(path);
    if (!c.dcl.empty()) write("setup/drwlink2.dcl", c.dcl);
    HostRun r = run("MOXIoptions\n~cancel\n", c.env, plugin);
    EXPECT_EQ(r.texts("ads_alert"), Args{c.alert}) << c.name;
    EXPECT_EQ(r.commands("_cmdecho").size(), 1u) << c.name << ": the command ends with -1";
    EXPECT_EQ(r.calls("ads_unload_dialog").size(), c.unloads) << c.name;
  }
  // A missing pick list keeps the main dialog open.
  write("setup/drwlink2.dcl", miniDialogs("", {"drwlink2_opt_english"}));
  writeSettings("[LineColor]\nHidden=1\n");
  HostRun r =
      run("MOXIoptions\n~action clbut_hidden\n~set lcolor_hidden 4\n~action accept\n", "", plugin);
  EXPECT_EQ(r.texts("ads_alert"), Args{"Dialog konnte nicht geladen werden"});
  EXPECT_TRUE(contains(settings(), "[LineColor]\nHidden=4\n")) << settings();
}

TEST_F(OptionsDialogE2e, UntouchedLinesSurviveAnOkByteForByte) {
  // The exchange file name is longer than a tile's first read.
  const std::string meta = "MetaFileName = /tmp/" + std::string(128, 'x') + ".out";
  writeSettings(
      "; settings of the drawing office\r\n[Options]\n"
      "  InchAllowed =  ja   ; imperial drawings too\nAcadLin=acad.lin\n\n# layers\n[ Layer ]\n"
      "SolidHeavy = Kontur\n\tSolidLight=  Duenn\nHidden=Versteckt\n[LineColor]\n"
      "SolidHeavy   =rot\n[Private]\nAnything = goes ; here\n[XCHG2D]\n" +
      meta);
  HostRun r = run("MOXIoptions\n~set layer_hidden Neu\n~set lcolor_hidden gelb\n~action accept\n");
  ASSERT_EQ(r.status, 0) << r.err;
  // The changed line in place with its own line end; missing items at the end
  // of their blocks and missing blocks at the end of the file, with the line
  // end of the file's first line.
  EXPECT_EQ(
      settings(),
      "; settings of the drawing office\r\n[Options]\n"
      "  InchAllowed =  ja   ; imperial drawings too\nAcadLin=acad.lin\n\n# layers\n[ Layer ]\n"
      "SolidHeavy = Kontur\n\tSolidLight=  Duenn\nHidden=Neu\n"
      "Center=0\r\nHeavyDashDot=0\r\nHatch=0\r\nCosm=\r\n[LineColor]\nSolidHeavy   =rot\n"
      "SolidLight=7\r\nHidden=gelb\r\nCenter=7\r\nHeavyDashDot=7\r\nHatch=7\r\n"
      "[Private]\nAnything = goes ; here\n[XCHG2D]\n" +
          meta +
          "\r\n\r\n[LineType]\r\nSolidHeavy=Continuous\r\nSolidLight=Continuous\r\n"
          "Hidden=Verdeckt\r\nCenter=Mitte\r\nHeavyDashDot=Strichpunkt\r\nHatch=Continuous\r\n"
          "\r\n\r\n[XCHG3D]\r\nSATFileName=c:\\acadxchg.sat\r\nSATVersion=1.6\r\n\r\n\r\n"
          "[BYNAME]\r\nBYBLOCK=VONBLOCK\r\nBYLAYER=VONLAYER\r\n");
}

// Cancel, a script that runs out in the dialog, and a write that fails leave
// the settings file as it was; the failed write is reported.
TEST_F(OptionsDialogE2e, CancelRunningOutAndFailedWritesKeepTheFile) {
  HostRun r = run("MOXIoptions\n~set layer_solidheavy KONTUR\n~cancel\n");
  EXPECT_FALSE(fs::exists(settingsPath()));
  EXPECT_EQ(r.calls("ads_start_dialog").at(0)["status"], 0);
  const std::string before = "[Layer]\nSolidHeavy=Alt\n";
  writeSettings(before);
  r = run("MOXIoptions\n~set layer_solidheavy KONTUR\n");  // the script ends here
  EXPECT_EQ(r.calls("ads_start_dialog").at(0)["status"], 0);
  fs::permissions(settingsPath(),
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  r = run("MOXIoptions\n~set layer_solidheavy Neu\n~action accept\n");
  EXPECT_EQ(r.texts("ads_alert"),
            Args{"Die Einstellungen konnten nicht in " + (dir / "user").string() +
                 "/acad2d.cfg gespeichert werden!"});
  EXPECT_EQ(r.calls("ads_start_dialog").at(0)["status"], 1) << "the dialog still closes";
  r = run("MOXIoptions\n~action save\n~set cfgname x\n~action accept\n~cancel\n",
          "HALDRIX_LANGUAGE=english");
  fs::permissions(settingsPath(), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(r.texts("ads_alert"),
            Args{"The settings could not be saved in " + (dir / "user").string() + "/acad2d.cfg!"});
  EXPECT_EQ(settings(), before);
}

}  // namespace
