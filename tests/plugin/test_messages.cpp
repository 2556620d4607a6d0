// Language-file format, translation and message output through a real host.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "host.h"
#include "plugin/interface_settings.h"
#include "plugin/message_format.h"
#include "plugin/messages.h"
#include "plugin/operations.h"

namespace fs = std::filesystem;

namespace {

class MessagesTest : public ::testing::Test {
 protected:
  MessagesTest() : host(out) {
    file = fs::temp_directory_path() / ("drw_messages_" + std::to_string(::getpid()) + ".nls");
  }
  ~MessagesTest() override { fs::remove(file); }

  // Loads the text as a language file.
  void load(const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
    loadLanguageFile(settings, file.string());
  }

  std::ostringstream out;
  drafthost::Host host;
  InterfaceSettings settings;
  fs::path file;
};

// One language-file line and the dictionary entry it gives (or none).
struct LineCase {
  const char* line;
  const char* key;
  std::string value;  // may hold a character 0
  bool entry;
};

TEST(LanguageLine, FormatOfOneLine) {
  const LineCase cases[] = {
      {"12 \"Drehwinkel:\",\"Rotation angle:\"", "Drehwinkel:", "Rotation angle:", true},
      {"label: \"a\" , \"b\"  ", "a", "b", true},
      {"\"a,b\",\"c,d\"", "a,b", "c,d", true},
      {"\"say \"\"hi\"\"\",\"x\"", "say \"hi\"", "x", true},
      {"\"a\\nb\",\"c\\td\"", "a\nb", "c\td", true},
      {"\"\\\\\",\"\\a\\r\\b\\f\"", "\\", "\a\r\b\f", true},
      {"\"Gr\\252n\",\"green\"", "Gr\xfcn", "green", true},
      {"\"\\0x41\\0101\\65\",\"v\"", "AAA", "v", true},
      {"\"\\321\",\"\\0x141\"", "A", "A", true},  // codes cut to 8 bits
      {"\"a\\0b\",\"c\\0d\"", "ab", std::string("c\0d", 3), true},
      {"\"a\\qb\",\"c\\zd\"", "ab", "cd", true},
      {"\"ab\\\",\"cd\\\"", "ab", "cd", true},  // backslash at a field's end
      {"no quote here, none", "", "", false},
      {"\"one field\"", "", "", false},
      {"\"a\",\"b\",\"c\"", "", "", false},
      {"\"x\",\"NOT_TO_TRANSLATE\"", "x", "", false},
      {"\"x\",\"NOT_\\84O_TRANSLATE\"", "x", "", false},  // decoded before the test
  };
  for (const LineCase& c : cases) {
    std::unordered_map<std::string, std::string> dictionary;
    addLanguageLine(dictionary, c.line);
    if (!c.entry) {
      EXPECT_TRUE(dictionary.empty()) << c.line;
      continue;
    }
    ASSERT_EQ(dictionary.size(), 1u) << c.line;
    EXPECT_EQ(dictionary.begin()->first, c.key) << c.line;
    EXPECT_EQ(dictionary.begin()->second, c.value) << c.line;
  }
}

TEST_F(MessagesTest, FileLinesCarriageReturnsAndReplacedEntries) {
  load(
      "; comment line\r\n"
      "1 \"Drehwinkel:\",\"Angle:\"\r\n"
      "\"Drehwinkel:\",\"Rotation angle:\"\n"
      "\"Ja\",\"NOT_TO_TRANSLATE\"\n"
      "\"Leer\",\"\"\n"
      "\"last\",\"line without end\"");
  EXPECT_EQ(translateText(settings, "Drehwinkel:"), "Rotation angle:");
  EXPECT_EQ(translateText(settings, "Ja"), "Ja");
  EXPECT_EQ(translateText(settings, "Leer"), "Leer");  // empty counts as none
  EXPECT_EQ(translateText(settings, "last"), "line without end");
  EXPECT_EQ(translateText(settings, "unknown"), "unknown");
}

TEST_F(MessagesTest, MissingFileLeavesGerman) {
  loadLanguageFile(settings, (file.string() + ".absent"));
  EXPECT_TRUE(settings.messages().empty());
  EXPECT_EQ(formatMessage(settings, "Drehwinkel:"), "Drehwinkel:");
}

TEST_F(MessagesTest, FormattingTranslatedAndUntranslated) {
  load("\"Datei %s fehlt\",\"File %s missing\"\n\"Zeile\\n%d\",\"Line\\n%d\"\n");
  EXPECT_EQ(formatMessage(settings, "Datei %s fehlt", "a.out"), "File a.out missing");
  EXPECT_EQ(formatMessage(settings, "Zeile\n%d", 4), "Line\n4");
  EXPECT_EQ(formatMessage(settings, "Andere %s", "x"), "Andere x");
  printMessage(settings, "Datei %s fehlt", "b");
  printMessage(settings, "Andere %s", "c");
  alertMessage(settings, "Datei %s fehlt", "d");
  EXPECT_EQ(out.str(), "\nFile b missing\n\nAndere c\n** File d missing\n");
}

TEST_F(MessagesTest, ResultsLongerThan512BytesAreKept) {
  std::string longText(3000, 'x');
  load("\"Kurz %s\",\"" + longText + " %s\"\n");
  std::string result = formatMessage(settings, "Kurz %s", std::string(2000, 'y').c_str());
  EXPECT_EQ(result, longText + " " + std::string(2000, 'y'));
}

TEST_F(MessagesTest, TranslationsWithOtherPlaceholdersAreNotUsed) {
  // A hostile or careless translation must never reach vsnprintf with
  // arguments it does not match.
  load(
      "\"A %s\",\"%s%s%n\"\n"
      "\"B %d\",\"B %s\"\n"
      "\"C %s\",\"C %d %s\"\n"
      "\"D %d\",\"D %ld\"\n"
      "\"E %s\",\"E %2000000000s\"\n"
      "\"F %s\",\"F %1$s\"\n"
      "\"G %s\",\"G %\"\n"
      "\"H %5.2f%%\",\"H %-8.1f %%\"\n"
      "\"I %*d\",\"I %d\"\n"
      "\"J %s\",\"J\\0 %s %s\"\n");
  EXPECT_EQ(formatMessage(settings, "A %s", "1"), "A 1");
  EXPECT_EQ(formatMessage(settings, "B %d", 2), "B 2");
  EXPECT_EQ(formatMessage(settings, "C %s", "3"), "C 3");
  EXPECT_EQ(formatMessage(settings, "D %d", 4), "D 4");
  EXPECT_EQ(formatMessage(settings, "E %s", "5"), "E 5");
  EXPECT_EQ(formatMessage(settings, "F %s", "6"), "F 6");
  EXPECT_EQ(formatMessage(settings, "G %s", "7"), "G 7");
  EXPECT_EQ(formatMessage(settings, "H %5.2f%%", 8.0), "H 8.0      %");  // same arguments
  EXPECT_EQ(formatMessage(settings, "I %*d", 3, 9), "I   9");
  // printf would stop at the 0, so the translation takes no argument: not used
  EXPECT_EQ(formatMessage(settings, "J %s", "10"), "J 10");
}

TEST(ConversionsMatch, Table) {
  struct Case {
    const char* german;
    const char* translation;
    bool match;
  } cases[] = {
      {"%s", "%s", true},       {"%s %d", "%s %d", true},  {"%d", "%i", true},
      {"%d", "%x", true},       {"%s %d", "%d %s", false}, {"%s", "", false},
      {"", "%%", true},         {"%f", "%g", true},        {"%f", "%Lf", false},
      {"%s", "%n", false},      {"%c", "%d", false},       {"%s", "%10.3s", true},
      {"%s", "%.*s", false},    {"%s", "%", false},        {"%d", "%hhd", false},
      {"%s", "%99999s", false}, {"%p", "%p", true},        {"%s", "%q", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(conversionsMatch(c.german, c.translation), c.match)
        << c.german << " / " << c.translation;
}

}  // namespace

namespace {

// Every German text the plug-in shows, as written in the code.
const char* const kGermanTexts[] = {
    "Metadatei %s wurde nicht gefunden!",
    "Es wurde kein Teil \xfc"
    "bergeben!",
    "Einf\xfcgepunkt w\xe4hlen:",
    "Drehwinkel:",
    "Fehler beim Erzeugen des Blocks %s",
    "Programm MOXIstart (%s) wurde nicht gefunden!",
    "Programm %s wurde nicht gefunden!",
    "Programm %s konnte nicht gestartet werden!",
    "Warten auf das Katalogprogramm abgebrochen!",
    "Verschraubungsart (0)Sackloch (1)Durchgangsloch [0]:",
    "Mittellinie der Bohrung auswaehlen:",
    "Oberkante 1.Platte auswaehlen:",
    "Oberkante 2.Platte auswaehlen:",
    "Unterkante 2.Platte auswaehlen:",
    "Ung\xfcltige Angaben",
    "Fehler in der Metadatei!",
    "Linie konnte nicht erzeugt werden!",
    "Bogen konnte nicht erzeugt werden!",
    "Kreis konnte nicht erzeugt werden!",
    "Ellipse konnte nicht erzeugt werden!",
    "Ellipsenbogen konnte nicht erzeugt werden!",
    "Textelement konnte nicht erzeugt werden!",
    "Polyline konnte nicht erzeugt werden!",
    "Polyline-Vertex konnte nicht erzeugt werden!",
    "Hatch konnte nicht erzeugt werden!",
    "Shape f\xfcr Hatch nicht gefunden!",
    "Linienstil %s existiert nicht!\nGeben Sie im 2D-Optionendialog der MOXIsolutions "
    "AutoCAD-Schnittstelle einen g\xfcltigen Linientyp an.",
    "Layer %s konnte nicht erzeugt werden",
    "Linientyp %s konnte nicht geladen werden",
    "Datei %s wurde nicht gefunden",
    "Dialog konnte nicht geladen werden",
    "Die Einstellungen konnten nicht in %s gespeichert werden!",
    "Der Name %s kann nicht gespeichert werden: die Zeichen ] und Zeilenwechsel sind nicht "
    "erlaubt.",
};

TEST(EnglishLanguageFile, TranslatesEveryTextWithTheSamePlaceholders) {
  InterfaceSettings settings;
  loadLanguageFile(settings, std::string(DRW_SOURCE_DIR) + "/setup/lang/english/drwlink2.nls");
  for (const char* german : kGermanTexts) {
    auto found = settings.messages().find(german);
    ASSERT_NE(found, settings.messages().end()) << german;
    EXPECT_FALSE(found->second.empty()) << german;
    EXPECT_NE(found->second, german);
    EXPECT_TRUE(conversionsMatch(german, found->second)) << german;
  }
  EXPECT_EQ(settings.messages().size(), std::size(kGermanTexts)) << "no stray entries";
}

}  // namespace
