// Configuration files: parsing, the line-preserving write-back, blocks and
// items, ids, recent lists, reload, and saving to files.
#include "config/config_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// "a", "b" -> "a\nb\n"
std::string text(std::initializer_list<const char*> lines) {
  std::string out;
  for (const char* line : lines) out += std::string(line) + "\n";
  return out;
}

// Loads `input`, applies `op`, saves and returns what was written.
std::string roundTrip(const std::string& input, const std::function<void(CSConfig&)>& op,
                      bool ignoreCase = true) {
  std::istringstream in(input);
  std::ostringstream out;
  CSConfig config(&in, &out, ignoreCase);
  if (op) op(config);
  EXPECT_EQ(config.save(), 0);
  return out.str();
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary);
  out << contents;
}

struct TempDir {
  fs::path path;
  TempDir() {
    path = fs::temp_directory_path() /
           ("cfgfile-test-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

const std::string kSample = text({
    "; settings file",
    "   # indented comment, no item",
    "Top = 1",
    "[Options]   text after the bracket",
    "InchAllowed = 1",
    "  AcadLin=acad.lin   ",
    " ;x=1",
    "no equals sign here",
    "",
    "[Layers]",
    "Solid=0",
    "Solid=1",
    "[options]",
    "Extra  =  two  words  ",
});

// ---------------------------------------------------------------- write-back

struct WriteBackCase {
  const char* name;
  std::string input;
  std::function<void(CSConfig&)> op;
  std::string expected;
  bool ignoreCase = true;
};

TEST(ConfigWriteBack, Table) {
  const WriteBackCase cases[] = {
      {"untouched lines survive; the first line of a repeated item takes the last value", kSample,
       nullptr,
       text({"; settings file", "   # indented comment, no item", "Top = 1",
             "[Options]   text after the bracket", "InchAllowed = 1", "  AcadLin=acad.lin   ",
             " ;x=1", "no equals sign here", "", "[Layers]", "Solid=1", "Solid=1", "[options]",
             "Extra  =  two  words  "})},
      {"new item goes after the block's last item line, above comments", kSample,
       [](CSConfig& c) { c.getItem("New", "OPTIONS", "7"); },
       text({"; settings file", "   # indented comment, no item", "Top = 1",
             "[Options]   text after the bracket", "InchAllowed = 1", "  AcadLin=acad.lin   ",
             " ;x=1", "New=7", "no equals sign here", "", "[Layers]", "Solid=1", "Solid=1",
             "[options]", "Extra  =  two  words  "})},
      {"changed item of a repeated block is written where its line stands", kSample,
       [](CSConfig& c) { c.getItem("Extra", "Options").set("one"); },
       text({"; settings file", "   # indented comment, no item", "Top = 1",
             "[Options]   text after the bracket", "InchAllowed = 1", "  AcadLin=acad.lin   ",
             " ;x=1", "no equals sign here", "", "[Layers]", "Solid=1", "Solid=1", "[options]",
             "Extra=one"})},
      {"changed repeated item: every line of it gets the new text so the change survives",
       text({"[A]", "x=1", "; c", " x = 2", "[B]", "x=0", "[a]", "x=4"}),
       [](CSConfig& c) { c.getItem("x", "A").set("3"); },
       text({"[A]", "x=3", "; c", "x=3", "[B]", "x=0", "[a]", "x=3"})},
      {"new item of a repeated block goes into the first section",
       text({"[A]", "x=1", "[B]", "[A]", "y=2"}), [](CSConfig& c) { c.getItem("z", "A", "3"); },
       text({"[A]", "x=1", "z=3", "[B]", "[A]", "y=2"})},
      {"replaced line loses its spacing", text({"[A]", "  key  =  v  ", "; c"}),
       [](CSConfig& c) { c.getItem("key", "A").set("w"); }, text({"[A]", "key=w", "; c"})},
      {"new block: blank line, header, items, blank line at the end", text({"[A]", "x=1"}),
       [](CSConfig& c) {
         c.getItem("k", "New", "v");
         c.getItem("l", "New", "w");
       },
       text({"[A]", "x=1", "", "", "[New]", "k=v", "l=w"})},
      {"new block after a last line without line end", "[A]\nx=1",
       [](CSConfig& c) { c.getItem("k", "New", "v"); }, "[A]\nx=1\n\n[New]\nk=v\n"},
      {"no extra blank line when the lines end in two blank ones", "x=1\n\n",
       [](CSConfig& c) { c.getItem("k", "New", "v"); }, "x=1\n\n\n[New]\nk=v\n"},
      {"two new blocks", "",
       [](CSConfig& c) {
         c.getItem("a", "One", "1");
         c.getItem("b", "Two", "2");
       },
       text({"", "[One]", "a=1", "", "", "[Two]", "b=2"})},
      {"new default item after the last item before the first header",
       text({"; head", "a=1", "; between", "[B]", "b=1"}),
       [](CSConfig& c) { c.getItem("c", "<default>", "3"); },
       text({"; head", "a=1", "c=3", "; between", "[B]", "b=1"})},
      {"new default item at line 0 when there is no item before the header",
       text({"; head", "[B]"}), [](CSConfig& c) { c.getItem("c", "<DEFAULT>", "3"); },
       text({"c=3", "; head", "[B]"})},
      {"new item in a block without item lines goes right after its header",
       text({"[B]", "; nothing", "[C]"}), [](CSConfig& c) { c.getItem("k", "B", "v"); },
       text({"[B]", "k=v", "; nothing", "[C]"})},
      {"header with leading blanks and trailing text", text({"  [Blk] comment", "x=1"}),
       [](CSConfig& c) { c.getItem("y", "Blk", "2"); }, text({"  [Blk] comment", "x=1", "y=2"})},
      {"five blank lines become three, trailing blank lines go",
       text({"a=1", "", "", "", "", "", "b=2", "", ""}), nullptr, text({"a=1", "", "", "", "b=2"})},
      {"empty default fills an empty value", text({"[B]", "k="}),
       [](CSConfig& c) { EXPECT_EQ(c.getItem("k", "B", "dflt").asString(), "dflt"); },
       text({"[B]", "k=dflt"})},
      {"value with '=' keeps everything after the first one", text({"a = b=c "}),
       [](CSConfig& c) { EXPECT_EQ(c.getItem("a", "<default>").asString(), "b=c"); },
       text({"a=b=c"})},
      {"case-blind block lookup finds the file's block", text({"[Opt]", "x=1"}),
       [](CSConfig& c) { EXPECT_EQ(c.getItem("X", "OPT").asString(), "1"); },
       text({"[Opt]", "x=1"})},
      {"case-sensitive lookup makes a second block", text({"[Opt]", "x=1"}),
       [](CSConfig& c) { EXPECT_EQ(c.getItem("x", "OPT").asString(), ""); },
       text({"[Opt]", "x=1", "", "", "[OPT]", "x="}), false},
      {"line breaks in a value do not split the line", text({"[A]"}),
       [](CSConfig& c) { c.getItem("k", "A").set("one\r\n[Forged]\ntwo"); },
       text({"[A]", "k=one\r [Forged] two"})},
      {"an item named like a comment stays an item", text({" ;x = 1", "#y=2"}),
       [](CSConfig& c) { c.getItem(";x", "<default>").set("3"); }, text({" ;x=3", "#y=2"})},
      {"CRLF file: untouched lines keep CRLF, new lines follow it", "[A]\r\nx = 1\r\n",
       [](CSConfig& c) { c.getItem("y", "A", "2"); }, "[A]\r\nx = 1\r\ny=2\r\n"},
      {"removeItem takes every line of the item in every section of its block",
       text({"[A]", "x=1", ";c", "x=2", "[B]", "x=3", "[a]", "x=4", "y=5"}),
       [](CSConfig& c) { EXPECT_TRUE(c.removeItem("X", "A")); },
       text({"[A]", ";c", "[B]", "x=3", "[a]", "y=5"})},
      {"removeBlock takes every section with its comments and header",
       text({"top=1", "[A]", "x=1", "; c", "", "[B]", "y=1", "[A]", "z=2"}),
       [](CSConfig& c) {
         EXPECT_TRUE(c.removeBlock("a"));
         EXPECT_FALSE(c.hasBlock("A"));
       },
       text({"top=1", "[B]", "y=1"})},
      {"renameBlock rewrites every header of the block",
       text({"[A] old", "x=1", "[B]", "[A]", "y=2"}),
       [](CSConfig& c) {
         EXPECT_TRUE(c.renameBlock("A", "C"));
         EXPECT_EQ(c.getItem("y", "C").asString(), "2");
       },
       text({"[C]", "x=1", "[B]", "[C]", "y=2"})},
      {"addBlock at the end", text({"[A]", "x=1"}),
       [](CSConfig& c) { EXPECT_NE(c.addBlock("C"), nullptr); },
       text({"[A]", "x=1", "", "", "[C]"})},
      {"addBlock after a block: after its last item line", text({"[A]", "x=1", "; tail", "[B]"}),
       [](CSConfig& c) { c.addBlock("C", "A"); },
       text({"[A]", "x=1", "", "[C]", "", "; tail", "[B]"})},
      {"addBlock after a block without items: after its header", text({"[A]", "; c", "[B]"}),
       [](CSConfig& c) { c.addBlock("C", "A"); }, text({"[A]", "", "[C]", "", "; c", "[B]"})},
      {"addBlock after an unknown block appends like a save", text({"[A]", "x=1"}),
       [](CSConfig& c) { c.addBlock("C", "Missing"); }, text({"[A]", "x=1", "", "", "[C]"})},
      {"addBlock of an existing block changes nothing", text({"[A]", "x=1"}),
       [](CSConfig& c) { c.addBlock("a", ""); }, text({"[A]", "x=1"})},
  };
  for (const WriteBackCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(roundTrip(c.input, c.op, c.ignoreCase), c.expected);
  }
}

TEST(ConfigWriteBack, SecondSaveGivesTheSameText) {
  std::istringstream in(kSample);
  std::ostringstream out;
  CSConfig config(&in, &out, true);
  config.getItem("New", "Fresh", "1");
  ASSERT_EQ(config.save(), 0);
  const std::string first = out.str();
  ASSERT_EQ(config.save(), 0);
  EXPECT_EQ(out.str(), first);
}

// Names with outer blanks or line feeds read back differently from how the
// program spells them; saving again and again must not add lines.
TEST(ConfigWriteBack, OddNamesDoNotGrowTheFile) {
  const char* const names[][2] = {{" lead", "B"}, {"k", " Blk\t"}, {"a\nb", "C\nD"}};
  for (const auto& n : names) {
    std::string text;
    for (int run = 0; run < 3; ++run) {
      std::istringstream in(text);
      std::ostringstream out;
      CSConfig config(&in, &out, true);
      config.getItem(n[0], n[1], "v");
      ASSERT_EQ(config.save(), 0);
      ASSERT_EQ(config.save(), 0);
      if (run > 0) {
        EXPECT_EQ(out.str(), text) << n[0];
      }
      text = out.str();
    }
  }
}

// ---------------------------------------------------------------- parsing

TEST(ConfigParse, LineKinds) {
  std::istringstream in(text({"a=1", " ;x=1", " ;no item", "#b=2", "[ Sp ace ]", "=anon",
                              "[unclosed=3", "\t[T]\t", "t=\t4\t"}));
  CSConfig config(&in, nullptr, true);
  EXPECT_EQ(config.blockNames(), (std::vector<std::string>{"<default>", "Sp ace", "T"}));
  EXPECT_EQ(config.itemNames("<default>"), (std::vector<std::string>{"a", ";x"}));
  EXPECT_EQ(config.itemNames("Sp ace"), (std::vector<std::string>{"", "[unclosed"}));
  EXPECT_EQ(config.getItem("t", "T").asString(), "4");
  EXPECT_EQ(config.getItem("[unclosed", "sp ACE").asString(), "3");
  EXPECT_TRUE(config.itemNames("missing").empty());
}

TEST(ConfigParse, RepeatedItemAndBlock) {
  std::istringstream in(text({"[A]", "x=1", "x=2", "[B]", "[a]", "y=3"}));
  CSConfig config(&in, nullptr, true);
  EXPECT_EQ(config.blockNames(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(config.itemNames("A"), (std::vector<std::string>{"x", "y"}));
  const CSConfigItem* x = config.findItem("x", "A");
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x->value().asString(), "2");
  EXPECT_TRUE(x->value().isModified());
  EXPECT_FALSE(config.findItem("y", "A")->value().isModified());
}

TEST(ConfigParse, NamesIgnoreTrailingBlanksAndCaseOnlyWhenAsked) {
  std::istringstream in(text({"[Blk]", "Key=1", "key=2"}));
  CSConfig exact(&in, nullptr, false);
  EXPECT_EQ(exact.itemNames("Blk"), (std::vector<std::string>{"Key", "key"}));
  EXPECT_TRUE(exact.hasItem("Key \t", "Blk\t"));
  EXPECT_FALSE(exact.hasItem("KEY", "Blk"));
  EXPECT_FALSE(exact.hasBlock("blk"));
  EXPECT_EQ(exact.findItem("key", "Blk")->value().asString(), "2");
  exact.setIgnoreCase(true);
  EXPECT_TRUE(exact.hasItem("KEY", "BLK"));
}

// ---------------------------------------------------------------- items and ids

TEST(ConfigItems, GetItemCreatesAndAppliesDefaults) {
  CSConfig config(true);
  CSConfigValue& v = config.getItem("k", "B", "d1");
  EXPECT_EQ(v.asString(), "d1");
  EXPECT_TRUE(v.isModified());
  v.set("");
  EXPECT_EQ(config.getItem("k", "B", "d2").asString(), "d2");
  EXPECT_EQ(config.findItem("k", "B")->defaultText(), "d2");
  EXPECT_EQ(config.getItem("k", "B", "").asString(), "d2");
  EXPECT_EQ(config.findItem("k", "B")->defaultText(), "d2");
  EXPECT_EQ(config.findItem("none", "B"), nullptr);
  EXPECT_FALSE(config.hasBlock("Other"));
  EXPECT_EQ(config.findItem("k", "Other"), nullptr);
  EXPECT_FALSE(config.hasBlock("Other"));  // findItem never creates
}

TEST(ConfigItems, DefineItemsAndIds) {
  static const CSConfigItemDef table[] = {{"Layer", "Solid", "0"},
                                          {"Color", "Solid", "256"},
                                          {"Name", nullptr, nullptr},
                                          {nullptr, nullptr, nullptr}};
  std::istringstream in(text({"[Solid]", "Color=3"}));
  CSConfig config(&in, nullptr, true);
  EXPECT_EQ(config.defineItems(table), 1);
  EXPECT_EQ(config.getItem(0).asString(), "0");
  EXPECT_EQ(config.getItem(1).asString(), "3");
  EXPECT_EQ(config.valuesOfIds(0, 3), (std::vector<std::string>{"0", "3", "", ""}));
  config.setValuesOfIds(1, {"5", "n", "lost"});
  EXPECT_EQ(config.getItem("Color", "Solid").asString(), "5");
  EXPECT_EQ(config.getItem("Name", "").asString(), "n");

  // A registration never changes; a new default fills an empty value.
  config.getItem(2).set("");
  config.defineItem(2, "Other", "X", "fill");
  EXPECT_EQ(config.getItem("Name", "").asString(), "fill");
  EXPECT_FALSE(config.hasBlock("X"));

  // Undefined ids and ids whose item is gone give an empty scratch value.
  config.getItem(99).set("junk");
  EXPECT_EQ(config.getItem(99).asString(), "");
  EXPECT_TRUE(config.removeItem("Layer", "Solid"));
  EXPECT_EQ(config.getItem(0).asString(), "");
  EXPECT_FALSE(config.removeItem("Layer", "Solid"));
  EXPECT_FALSE(config.removeItem("Layer", "NoBlock"));
  EXPECT_FALSE(config.removeBlock("NoBlock"));
}

TEST(ConfigItems, NumberedValues) {
  std::istringstream in(text({"[R]", "f1=a", "f3=c"}));
  CSConfig config(&in, nullptr, true);
  std::vector<std::string> values{"keep"};
  config.numberedValues("f", "R", 3, values);
  EXPECT_EQ(values, (std::vector<std::string>{"keep", "a", "", "c"}));
  EXPECT_TRUE(config.hasItem("f2", "R"));
  config.setNumberedValues("f", "R", 3, {"x"});
  EXPECT_EQ(config.valuesOfIds(0, -1), std::vector<std::string>{});
  values.clear();
  config.numberedValues("f", "R", 3, values);
  EXPECT_EQ(values, (std::vector<std::string>{"x", "", ""}));
}

TEST(ConfigItems, RecentList) {
  struct Case {
    std::vector<std::string> stored;
    std::string added;
    std::vector<std::string> expected;
  } cases[] = {
      {{"A", "B", "C", "D"}, "C", {"C", "A", "B", "D"}},
      {{"A", "B", "C", "D"}, "E", {"E", "A", "B", "C"}},
      {{"A", "B", "C", "D"}, "A", {"A", "B", "C", "D"}},
      {{"A", "", "B", ""}, "C", {"C", "A", "", "B"}},
      {{"", "", "", ""}, "N", {"N", "", "", ""}},
      {{"A", "B", "A", "D"}, "A", {"A", "B", "D", "D"}},  // later items keep their texts
  };
  for (const Case& c : cases) {
    CSConfig config(true);
    config.setNumberedValues("File", "Recent", 4, c.stored);
    config.addToRecentList("File", "Recent", c.added, 4);
    std::vector<std::string> values;
    config.numberedValues("File", "Recent", 4, values);
    EXPECT_EQ(values, c.expected) << "adding " << c.added;
  }
}

TEST(ConfigItems, CursorInterface) {
  std::istringstream in(text({"[A]", "i=7", "d=2.5", "b=Ja", "r=1,2.5,x", "[B]"}));
  CSConfig config(&in, nullptr, true);
  std::string name, value;
  ASSERT_TRUE(config.firstBlock(&name));
  EXPECT_EQ(name, "A");
  ASSERT_TRUE(config.firstItem(&name, &value));
  EXPECT_EQ(name + "=" + value, "i=7");
  EXPECT_TRUE(config.nextItem(&name));
  EXPECT_EQ(config.readInt("i"), 7);
  EXPECT_EQ(config.readInt("d"), 2);
  EXPECT_EQ(config.readInt("b", -1), -1);
  EXPECT_DOUBLE_EQ(config.readDouble("d"), 2.5);
  EXPECT_TRUE(config.readBool("b"));
  EXPECT_TRUE(config.readBool("missing", true));
  EXPECT_FALSE(config.readBool("d", true));
  ASSERT_TRUE(config.readRecord("r"));
  int i = 0;
  double d = 0;
  std::string s;
  EXPECT_TRUE(config.nextRecordInt(i));
  EXPECT_TRUE(config.nextRecordDouble(d));
  EXPECT_TRUE(config.nextRecordString(s));
  EXPECT_FALSE(config.nextRecordString(s));
  EXPECT_EQ(i, 1);
  EXPECT_DOUBLE_EQ(d, 2.5);
  EXPECT_EQ(s, "x");

  EXPECT_TRUE(config.nextBlock(&name));
  EXPECT_EQ(name, "B");
  EXPECT_FALSE(config.nextBlock(&name));
  EXPECT_FALSE(config.firstItem());
  config.writeBool("flag", false);
  config.writeDouble("len", 1.25);
  config.beginRecord();
  config.addRecordInt(3);
  config.addRecordString("");
  config.addRecordDouble(0.5);
  config.writeRecord("rec");
  EXPECT_EQ(config.getItem("flag", "B").asString(), "false");
  EXPECT_EQ(config.getItem("len", "B").asString(), "1.250000");
  EXPECT_EQ(config.getItem("rec", "B").asString(), "3,,0.500000");

  EXPECT_FALSE(config.selectBlock("C"));
  EXPECT_TRUE(config.selectBlock("c"));
  EXPECT_TRUE(config.removeBlock("C"));
  config.writeInt("lost", 1);  // no current block any more
  EXPECT_FALSE(config.hasBlock("C"));
  EXPECT_EQ(config.readString("i", "none"), "none");
}

class CountingListener : public ReferingObject {
 public:
  void notify(const NotificationEvent& event, void*) override {
    if (const auto* changed = dynamic_cast<const NotificationEventConfigChanged*>(&event)) {
      ++count;
      last = changed->config();
    }
  }
  int count = 0;
  CSConfig* last = nullptr;
};

TEST(ConfigItems, ReloadAndNotifyingRemovals) {
  TempDir dir;
  const fs::path file = dir.path / "a.cfg";
  writeFile(file, text({"[A]", "x=1", "y=2"}));
  CSConfig config(file.string(), true);
  CountingListener listener;
  config.addListener(&listener);
  config.defineItem(1, "x", "A");
  config.getItem("z", "A", "3");
  writeFile(file, text({"[A]", "x=5"}));
  EXPECT_EQ(config.reload(), 0);
  EXPECT_EQ(listener.count, 1);
  EXPECT_EQ(listener.last, &config);
  EXPECT_FALSE(config.hasItem("z", "A"));
  EXPECT_EQ(config.getItem(1).asString(), "");  // ids are cleared too
  EXPECT_EQ(config.getItem("x", "A").asString(), "5");

  EXPECT_TRUE(config.removeItemAndNotify("x", "A"));
  EXPECT_FALSE(config.removeItemAndNotify("x", "A"));
  EXPECT_TRUE(config.removeBlockAndNotify("A"));
  EXPECT_EQ(listener.count, 3);

  fs::remove(file);
  EXPECT_EQ(config.reload(), -1);
  EXPECT_EQ(listener.count, 3);
  CSConfig unbound(true);
  EXPECT_EQ(unbound.reload(), -1);
  config.removeListener(&listener);
}

// ---------------------------------------------------------------- load and save

// A stream that delivers some text and then fails.
class FailingBuffer : public std::streambuf {
 public:
  explicit FailingBuffer(std::string text) : text_(std::move(text)) {
    setg(text_.data(), text_.data(), text_.data() + text_.size());
  }

 protected:
  int_type underflow() override { throw std::runtime_error("disk gone"); }

 private:
  std::string text_;
};

TEST(ConfigLoad, Results) {
  TempDir dir;
  CSConfig config(true);
  EXPECT_EQ(config.load(""), -1);
  EXPECT_EQ(config.load((dir.path / "missing.cfg").string()), 0);
  EXPECT_TRUE(config.lines().empty());
  EXPECT_EQ(config.load(dir.path.string()), 0);  // a directory is no file
  writeFile(dir.path / "a.cfg", text({"[A]", "x=1"}));
  EXPECT_EQ(config.load((dir.path / "a.cfg").string()), 1);
  EXPECT_EQ(config.getItem("x", "A").asString(), "1");
  EXPECT_EQ(config.loadFromStream(nullptr), -1);

  FailingBuffer buffer("[B]\ny=2\nz=");
  std::istream broken(&buffer);
  CSConfig partial(true);
  EXPECT_EQ(partial.loadFromStream(&broken), -2);
  EXPECT_EQ(partial.getItem("y", "B").asString(), "2");
  EXPECT_TRUE(partial.fileName().empty());
}

TEST(ConfigLoad, MissingFileIsCreatedOnSave) {
  TempDir dir;
  const fs::path file = dir.path / "new.cfg";
  {
    CSConfig config(file.string(), true);
    config.setAutoSave(true);
    config.getItem("InchAllowed", "Options", "1");
  }
  EXPECT_EQ(readFile(file), text({"", "[Options]", "InchAllowed=1"}));
  EXPECT_EQ(CSConfig(true).save(), -1);
}

TEST(ConfigSave, FailureLeavesTheOldFile) {
  TempDir dir;
  const fs::path file = dir.path / "keep.cfg";
  const std::string old = text({"[A]", "x=1"});
  writeFile(file, old);
  CSConfig config(file.string(), true);
  config.getItem("x", "A").set("2");

  // The target has become a directory.
  CSConfig onDirectory(true);
  onDirectory.setFileName(dir.path.string());
  EXPECT_EQ(onDirectory.save(), -1);

  // No room for the temporary file: every name is taken.
  for (int i = 0; i < 100; ++i) writeFile(dir.path / ("keep.cfg.tmp" + std::to_string(i)), "t");
  EXPECT_EQ(config.save(), -1);
  EXPECT_EQ(readFile(file), old);
  EXPECT_EQ(readFile(dir.path / "keep.cfg.tmp0"), "t");
  for (int i = 0; i < 100; ++i) fs::remove(dir.path / ("keep.cfg.tmp" + std::to_string(i)));

  // A directory that cannot be written (not enforceable for root).
  if (::geteuid() != 0) {
    fs::permissions(dir.path, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(config.save(), -1);
    EXPECT_EQ(readFile(file), old);
    fs::permissions(dir.path, fs::perms::owner_all);
  }

  // A read-only file stays as it is.
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(config.save(), -1);
  EXPECT_EQ(readFile(file), old);

  // Missing directory.
  CSConfig nowhere(true);
  nowhere.setFileName((dir.path / "no" / "such.cfg").string());
  EXPECT_EQ(nowhere.save(), -1);

  // And the same configuration saves once the way is clear, keeping the mode.
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(config.save(), 0);
  EXPECT_EQ(readFile(file), text({"[A]", "x=2"}));
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(dir.path)) entries += entry.exists() ? 1 : 0;
  EXPECT_EQ(entries, 1);  // no temporary file left
}

TEST(ConfigSave, StreamIsRewrittenFromTheStart) {
  std::istringstream in(text({"[A]", "a_long_item=with a long value"}));
  std::ostringstream out;
  CSConfig config(&in, &out, true);
  ASSERT_EQ(config.save(), 0);
  config.removeItem("a_long_item", "A");
  ASSERT_EQ(config.save(), 0);
  EXPECT_EQ(out.str(), text({"[A]"}));
}

// ---------------------------------------------------------------- any bytes

TEST(ConfigBytes, UntouchedJunkComesBackByteForByte) {
  const std::string cases[] = {
      std::string("bin\0ary=\0x\n\xff\xfe[\x01]\x80=\x81\n", 19),
      "cr\ronly\rlines\r",
      "cr\ronly=1\r[lines]\r\r",
      "no final newline\n[A]\nx=1",
      "mixed\r\nline\nends\r\r\n",
      "a=1\n\r\n\r\n\r\nb=2\n",
      std::string(100000, 'x') + "=" + std::string(100000, '[') + "\n",
      "]\n[\n[]\n=\n==\n;=\n",
  };
  TempDir dir;
  for (const std::string& input : cases) {
    SCOPED_TRACE(input.substr(0, 30));
    EXPECT_EQ(roundTrip(input, nullptr), input);
    const fs::path file = dir.path / "junk.cfg";
    writeFile(file, input);
    CSConfig config(file.string(), true);
    EXPECT_EQ(config.save(), 0);
    EXPECT_EQ(readFile(file), input);
  }
}

TEST(ConfigBytes, EditsKeepTheOtherJunkLines) {
  const std::string input("\xff\xfe\0junk\r\n[A]\r\nx=1\r\n\x01\x02", 22);
  const std::string output = roundTrip(input, [](CSConfig& c) { c.getItem("x", "A").set("2"); });
  EXPECT_EQ(output, std::string("\xff\xfe\0junk\r\n[A]\r\nx=2\r\n\x01\x02", 22));
  EXPECT_EQ(roundTrip("cr\ronly", [](CSConfig& c) { c.getItem("k", "<default>", "v"); }),
            "k=v\ncr\ronly");
}

TEST(ConfigBytes, LargeFileOfDistinctItemsAndBlocks) {
  std::string input;
  for (int i = 0; i < 200000; ++i) {
    input += (i % 10 == 0 ? "[b" : "k") + std::to_string(i * 7919 % 200003) +
             (i % 10 == 0 ? "]\n" : "=v\n");
  }
  std::istringstream in(input);
  std::ostringstream out;
  CSConfig config(&in, &out, true);
  EXPECT_EQ(config.blockNames().size(), 20000u);
  config.getItem("fresh", "b0", "new");
  ASSERT_EQ(config.save(), 0);
  EXPECT_EQ(out.str().size(), input.size() + 10);
}

}  // namespace
