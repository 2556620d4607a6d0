// The language-file format, translation, and the format safety of messages: a
// translation whose conversions differ from the German text's is never used.
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

namespace {

TEST(LanguageFile, OneLineGivesOneEntryOrNone) {
  struct Case {
    const char* line;
    const char* key;
    std::string value;  // may hold a character 0; "-" for no entry
  } cases[] = {
      {"12 \"Drehwinkel:\",\"Rotation angle:\"", "Drehwinkel:", "Rotation angle:"},
      {"label: \"a\" , \"b\"  ", "a", "b"},
      {"\"a,b\",\"c,d\"", "a,b", "c,d"},
      {"\"say \"\"hi\"\"\",\"x\"", "say \"hi\"", "x"},
      {"\"a\\nb\",\"c\\td\"", "a\nb", "c\td"},
      {"\"\\\\\",\"\\a\\r\\b\\f\"", "\\", "\a\r\b\f"},
      {"\"Gr\\252n\",\"green\"", "Gr\xfcn", "green"},
      {"\"\\0x41\\0101\\65\",\"\\0xaF\\0XAf\"", "AAA", "\xaf\xaf"},
      {"\"\\321\",\"\\0x141\\99999999999999999999\"", "A", "A\xff"},  // 8 bits; too large saturates
      {"\"a\\0b\",\"c\\0d\"", "ab", std::string("c\0d", 3)},
      {"\"a\\qb\",\"c\\zd\"", "ab", "cd"},
      {"\"ab\\\",\"cd\\\"", "ab", "cd"},  // a backslash at a field's end
      {"no quote here, none", "", "-"},
      {"\"one field\"", "", "-"},
      {"\"a\",\"b\",\"c\"", "", "-"},
      {"\"x\",\"NOT_TO_TRANSLATE\"", "", "-"},
      {"\"x\",\"NOT_\\84O_TRANSLATE\"", "", "-"},  // decoded before the test
  };
  for (const Case& c : cases) {
    std::unordered_map<std::string, std::string> dictionary;
    addLanguageLine(dictionary, c.line);
    if (c.value == "-") {
      EXPECT_TRUE(dictionary.empty()) << c.line;
    } else {
      EXPECT_EQ(dictionary, (std::unordered_map<std::string, std::string>{{c.key, c.value}}))
          << c.line;
    }
  }
}

class MessagesTest : public ::testing::Test {
 protected:
  MessagesTest() : host(out) {}
  ~MessagesTest() override { std::filesystem::remove(file); }

  // Loads the text as a language file.
  void load(const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
    loadLanguageFile(settings, file);
  }

  std::ostringstream out;
  drafthost::Host host;
  InterfaceSettings settings;
  std::string file = (std::filesystem::temp_directory_path() /
                      ("drw_messages_" + std::to_string(::getpid()) + ".nls"))
                         .string();
};

TEST_F(MessagesTest, FileLinesTranslationsAndOutput) {
  loadLanguageFile(settings, file + ".absent");
  EXPECT_TRUE(settings.messages().empty()) << "a missing file leaves German";
  load(
      "; comment line\r\n1 \"Drehwinkel:\",\"Angle:\"\r\n"
      "\"Drehwinkel:\",\"Rotation angle:\"\n\"Ja\",\"NOT_TO_TRANSLATE\"\n\"Leer\",\"\"\n"
      "\"Datei %s fehlt\",\"File %s missing\"\n\"Kurz %s\",\"" +
      std::string(3000, 'x') + " %s\"\n\"last\",\"line without end\"");
  EXPECT_EQ(translateText(settings, "Drehwinkel:"), "Rotation angle:");
  EXPECT_EQ(translateText(settings, "Ja"), "Ja");
  EXPECT_EQ(translateText(settings, "Leer"), "Leer") << "an empty translation counts as none";
  EXPECT_EQ(translateText(settings, "last"), "line without end");
  EXPECT_EQ(translateText(settings, "unknown"), "unknown");
  EXPECT_EQ(formatMessage(settings, "Kurz %s", std::string(2000, 'y').c_str()),
            std::string(3000, 'x') + " " + std::string(2000, 'y'))
      << "results longer than 512 bytes are kept";
  printMessage(settings, "Datei %s fehlt", "b");
  printMessage(settings, "Andere %s", "c");
  alertMessage(settings, "Datei %s fehlt", "d");
  EXPECT_EQ(out.str(), "\nFile b missing\n\nAndere c\n** File d missing\n");
}

TEST_F(MessagesTest, TranslationsWithOtherConversionsAreNotUsed) {
  // A hostile or careless translation must never reach vsnprintf with
  // arguments it does not match.
  load(
      "\"A %s\",\"%s%s%n\"\n\"B %d\",\"B %s\"\n\"C %s\",\"C %d %s\"\n\"D %d\",\"D %ld\"\n"
      "\"E %s\",\"E %2000000000s\"\n\"F %s\",\"F %1$s\"\n\"G %s\",\"G %\"\n"
      "\"H %5.2f%%\",\"H %-8.1f %%\"\n\"I %*d\",\"I %d\"\n\"J %s\",\"J\\0 %s %s\"\n"
      "\"K %p\",\"K: %p\"\n");
  EXPECT_EQ(formatMessage(settings, "A %s", "1"), "A 1");
  EXPECT_EQ(formatMessage(settings, "B %d", 2), "B 2");
  EXPECT_EQ(formatMessage(settings, "C %s", "3"), "C 3");
  EXPECT_EQ(formatMessage(settings, "D %d", 4), "D 4");
  EXPECT_EQ(formatMessage(settings, "E %s", "5"), "E 5");
  EXPECT_EQ(formatMessage(settings, "F %s", "6"), "F 6");
  EXPECT_EQ(formatMessage(settings, "G %s", "7"), "G 7");
  EXPECT_EQ(formatMessage(settings, "H %5.2f%%", 8.0), "H 8.0      %") << "same arguments: used";
  EXPECT_EQ(formatMessage(settings, "I %*d", 3, 9), "I   9");
  // printf would stop at the 0, so the translation takes no argument: not used
  EXPECT_EQ(formatMessage(settings, "J %s", "10"), "J 10");
  EXPECT_EQ(formatMessage(settings, "K %p", nullptr).rfind("K: ", 0), 0u);
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
      {"100%", "100%", false},  {"%d%%", "%d %%", true},   {"%lld", "%lld", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(conversionsMatch(c.german, c.translation), c.match)
        << c.german << " / " << c.translation;
}

// The shipped English file: every entry is used, none falls back to German.
TEST(EnglishLanguageFile, EveryTranslationTakesTheGermanArguments) {
  InterfaceSettings settings;
  loadLanguageFile(settings, std::string(DRW_SOURCE_DIR) + "/setup/lang/english/drwlink2.nls");
  EXPECT_GE(settings.messages().size(), 30u);
  for (const auto& [german, english] : settings.messages())
    EXPECT_TRUE(!english.empty() && english != german && conversionsMatch(german, english))
        << german;
}

}  // namespace
