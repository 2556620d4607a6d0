// The per-command settings: defaults, a partial settings file, booleans,
// style accessors, and that loading never writes the file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "plugin/interface_settings.h"

namespace fs = std::filesystem;

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() {
    dir = fs::temp_directory_path() / ("drw_settings_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ::setenv("HALDRIX_USER", dir.c_str(), 1);
  }
  ~SettingsTest() override {
    ::unsetenv("HALDRIX_USER");
    fs::remove_all(dir);
  }
  fs::path file() const { return dir / "acad2d.cfg"; }
  fs::path dir;
};

TEST_F(SettingsTest, WithoutAFileEveryItemHasItsDefault) {
  InterfaceSettings s;
  EXPECT_FALSE(s.inchMode());
  s.loadInterfaceSettings();
  const char* defaults[] = {"1",          "acad.lin",
                            "0",          "0",
                            "0",          "0",
                            "0",          "0",
                            "",           "Continuous",
                            "Continuous", "Verdeckt",
                            "Mitte",      "Strichpunkt",
                            "Continuous", "7",
                            "7",          "7",
                            "7",          "7",
                            "7",          "c:\\acadxchg.sat",
                            "1.6",        "c:\\acad2d.out"};
  for (int id = 1; id <= 24; ++id)
    EXPECT_EQ(s.getItem(id).asString(), defaults[id - 1]) << "item " << id;
  EXPECT_EQ(s.MetaFileName(), "c:\\acad2d.out");
  EXPECT_EQ(s.SATFileName(), "c:\\acadxchg.sat");
  EXPECT_EQ(s.SATVersion(), "1.6");
  EXPECT_TRUE(s.isInchAllowed());
  EXPECT_EQ(s.getItem("Cosm", "Layer").asString(), "") << "registered under its block and name";
  EXPECT_FALSE(fs::exists(file())) << "loading never creates the file";
}

TEST_F(SettingsTest, AFileWithOneItemKeepsAllOtherDefaults) {
  const std::string text = "; user settings\n[XCHG2D]\nMetaFileName = /data/part.out\n";
  std::ofstream(file()) << text;
  {
    InterfaceSettings s;
    s.loadInterfaceSettings();
    EXPECT_EQ(s.MetaFileName(), "/data/part.out");
    EXPECT_EQ(s.SATFileName(), "c:\\acadxchg.sat");
    EXPECT_EQ(s.getItem(InterfaceSettings::kLineTypeCenter).asString(), "Mitte");
  }
  std::ifstream in(file());
  std::stringstream now;
  now << in.rdbuf();
  EXPECT_EQ(now.str(), text) << "destroying the settings does not write the file";
}

TEST_F(SettingsTest, ExchangeNamesAreTakenAsTheyStand) {
  std::ofstream(file()) << "[XCHG3D]\nSATFileName=$HALDRIX_USER/x.sat\nSATVersion=7.0\n";
  InterfaceSettings s;
  s.loadInterfaceSettings();
  EXPECT_EQ(s.SATFileName(), "$HALDRIX_USER/x.sat");
  EXPECT_EQ(s.SATVersion(), "7.0");
}

TEST_F(SettingsTest, InchAllowedReadsBooleanWords) {
  struct Case {
    const char* text;
    bool allowed;
  } cases[] = {{"ja", true}, {"JA", true},    {"Yes", true}, {"true", true},
               {"1", true},  {"nein", false}, {"no", false}, {"0", false},
               {"2", false}, {"", true}};  // an empty value takes the default "1"
  for (const auto& c : cases) {
    std::ofstream(file()) << "[Options]\nInchAllowed=" << c.text << "\n";
    InterfaceSettings s;
    s.loadInterfaceSettings();
    EXPECT_EQ(s.isInchAllowed(), c.allowed) << c.text;
  }
}

TEST_F(SettingsTest, StyleAccessorsFallBackOutsideTheLists) {
  InterfaceSettings s;
  s.styleLayers() = {"A", "B", "C", "D", "E"};
  s.styleLinetypes() = {"L0", "L1", "L2", "L3", "L4"};
  s.styleColours() = {1, 2, 3, 4, 5};
  EXPECT_EQ(s.styleLayer(4), "E");
  EXPECT_EQ(s.styleLinetype(0), "L0");
  EXPECT_EQ(s.styleColour(2), 3);
  for (int bad : {-1, 5, 100}) {
    EXPECT_EQ(s.styleLayer(bad), "0");
    EXPECT_EQ(s.styleLinetype(bad), "CONTINUOUS");
    EXPECT_EQ(s.styleColour(bad), 7);
  }
}
