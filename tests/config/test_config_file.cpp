// Configuration files: the line-preserving write-back, parsing, items and ids,
// the cursor interface, reload, and loading and saving files.
#include "config/config_file.h"

#include <sstream>

#include "config/steps.h"

using namespace cfgtest;

namespace {

// Applies steps "operation|a|b|c" joined by "&": add (item, block, default),
// set (item, block, value), removeItem (item, block), removeBlock, rename (old,
// new), addBlock (block, after) and save.
void apply(CSConfig& c, const std::string& operations) {
  std::istringstream steps(operations);
  for (std::string step; std::getline(steps, step, '&');) {
    Names f;
    std::istringstream fields(step);
    for (std::string field; std::getline(fields, field, '|');) f.push_back(field);
    f.resize(4);
    if (f[0] == "add") c.getItem(f[1], f[2], f[3]);
    if (f[0] == "set") c.getItem(f[1], f[2]).set(f[3]);
    if (f[0] == "removeItem") c.removeItem(f[1], f[2]);
    if (f[0] == "removeBlock") c.removeBlock(f[1]);
    if (f[0] == "rename") c.renameBlock(f[1], f[2]);
    if (f[0] == "addBlock") c.addBlock(f[1], f[2]);
    if (f[0] == "save") c.save();
  }
}

// Saving changes only the lines it has to; everything else comes back byte for byte.
TEST(ConfigWriteBack, Table) {
  const std::string junk("\xff\xfe\0junk\r\n[A]\r\nx=1\r\n\x01\x02", 21);
  const struct {
    const char* name;
    std::string input, operations, expected;
    bool ignoreCase = true;
  } cases[] = {
      {"comments, spacing, header text, lines without '=' survive; repeated item takes last",
       "; c\n  # in\nT = 1\n[O]  note\n  L=a.lin  \nno equals\n\n[L]\nS=0\nS=1\n", "",
       "; c\n  # in\nT = 1\n[O]  note\n  L=a.lin  \nno equals\n\n[L]\nS=1\nS=1\n"},
      {"new item after the block's last item (' ;y' is one)", "[O]\nx=1\n ;y=2\n; c\n[L]\n",
       "add|New|o|7", "[O]\nx=1\n ;y=2\nNew=7\n; c\n[L]\n"},
      {"changed repeated item: every line of it", "[A]\nx=1\n; c\n x = 2\n[B]\nx=0\n[a]\nx=4\n",
       "set|x|A|3", "[A]\nx=3\n; c\nx=3\n[B]\nx=0\n[a]\nx=3\n"},
      {"new item of a repeated block goes into the first section", "[A]\nx=1\n[B]\n[A]\ny=2\n",
       "add|z|A|3", "[A]\nx=1\nz=3\n[B]\n[A]\ny=2\n"},
      {"new blocks: blank lines, header, item", "[A]\nx=1\n", "add|k|New|v&add|b|Two|2",
       "[A]\nx=1\n\n\n[New]\nk=v\n\n\n[Two]\nb=2\n"},
      {"new block in an empty file", "", "add|a|One|1", "\n[One]\na=1\n"},
      {"new block after a last line without line end", "[A]\nx=1", "add|k|New|v",
       "[A]\nx=1\n\n[New]\nk=v\n"},
      {"no third blank line before a new block", "x=1\n\n", "add|k|New|v", "x=1\n\n\n[New]\nk=v\n"},
      {"new default item after the last item before the first header",
       "; h\na=1\n; between\n[B]\nb=1\n", "add|c|<default>|3",
       "; h\na=1\nc=3\n; between\n[B]\nb=1\n"},
      {"new default item at line 0", "; h\n[B]\n", "add|c|<DEFAULT>|3", "c=3\n; h\n[B]\n"},
      {"new item of a block without items: after its header", "  [B] c\n; c\n[C]\n", "add|k|B|v",
       "  [B] c\nk=v\n; c\n[C]\n"},
      {"five blank lines become three, trailing ones go", "a=1\n\n\n\n\n\nb=2\n\n\n", "",
       "a=1\n\n\n\nb=2\n"},
      {"an empty value takes the default; the value runs from the first '='", "[B]\nk=\na = b=c \n",
       "add|k|B|d&add|a|B|", "[B]\nk=d\na=b=c\n"},
      {"case-sensitive names make a second block", "[Opt]\nx=1\n", "add|x|OPT|",
       "[Opt]\nx=1\n\n\n[OPT]\nx=\n", false},
      {"line breaks in a value do not split the line", "[A]\n", "set|k|A|1\r\n[F]\n2",
       "[A]\nk=1\r [F] 2\n"},
      {"a value ending in carriage returns and blanks is written without that end",
       "[A]\nx=1\n", "set|k|A|v \r \r&set|x|A|a\rb \r\n", "[A]\nx=a\rb\nk=v\n"},
      {"an item named like a comment stays an item", " ;x = 1\n#y=2\n", "set|;x|<default>|3",
       " ;x=3\n#y=2\n"},
      {"names with outer blanks or line feeds find their own lines",
       "[B]\n k=v\n[ C\t]\nk=v\n[D E]\na b=v\n", "add| k|B|v&add|k| C\t|v&add|a\nb|D\nE|v",
       "[B]\n k=v\n[ C\t]\nk=v\n[D E]\na b=v\n"},
      {"CRLF file: untouched lines keep CRLF, new lines follow", "[A]\r\nx = 1\r\n", "add|y|A|2",
       "[A]\r\nx = 1\r\ny=2\r\n"},
      {"binary junk around an edited item stays", junk, "set|x|A|2",
       std::string(junk).replace(16, 1, "2")},
      {"a CR alone ends no line", "cr\ronly", "add|k|<default>|v", "k=v\ncr\ronly"},
      {"removeItem: every line in every section", "[A]\nx=1\n;c\nx=2\n[B]\nx=3\n[a]\nx=4\ny=5\n",
       "removeItem|X|A", "[A]\n;c\n[B]\nx=3\n[a]\ny=5\n"},
      {"removeBlock: every section with comments and header",
       "top=1\n[A]\nx=1\n; c\n\n[B]\ny=1\n[A]\nz=2\n", "removeBlock|a", "top=1\n[B]\ny=1\n"},
      {"renameBlock rewrites every header", "[A] old\nx=1\n[B]\n[A]\ny=2\n", "rename|A|C&set|y|C|3",
       "[C]\nx=1\n[B]\n[C]\ny=3\n"},
      {"renameBlock refuses taken names, missing and default blocks", "d=1\n[A]\n[B]\n",
       "rename|A|b&rename|A|<Default>&rename|X|C&rename|<default>|C", "d=1\n[A]\n[B]\n"},
      {"addBlock at the end, and of an existing block", "[A]\nx=1\n", "addBlock|C&addBlock|a",
       "[A]\nx=1\n\n\n[C]\n"},
      {"addBlock after a block's last item, or its header", "[A]\nx=1\n; c\n[B]\n; d\n[E]\n",
       "addBlock|C|A&addBlock|F|B", "[A]\nx=1\n\n[C]\n\n; c\n[B]\n\n[F]\n\n; d\n[E]\n"},
      {"addBlock after an unknown block appends", "[A]\nx=1\n\n", "addBlock|C|X",
       "[A]\nx=1\n\n\n[C]\n"},
      {"a shorter second save leaves no tail of the first", "[A]\nlong_item=long value\n",
       "save&removeItem|long_item|A", "[A]\n"},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.input);
    std::ostringstream out;
    CSConfig config(&in, &out, c.ignoreCase);
    apply(config, c.operations);
    EXPECT_EQ(config.save(), 0) << c.name;
    EXPECT_EQ(out.str(), c.expected) << c.name;
  }
}

TEST(ConfigItems, DefaultsAndIds) {
  std::istringstream in("[T]\nt=5\n");
  CSConfig c(&in, nullptr, true);
  static const CSConfigItemDef table[] = {
      {"L", "T", "0"}, {"t", "T", "9"}, {"N", nullptr, nullptr}, {}};
  expectSteps({
      {"defaults fill empty values; the last one given is kept",
       Text() << c.getItem("N", "", "d").asString() << c.getItem("N", "", "e").asString()
              << c.getItem("N", "", "").asString() << c.findItem("N", "")->defaultText(),
       "ddde"},
      {"ids number the table",
       Text() << c.defineItems(table) << c.valuesOfIds(0, 3) << c.valuesOfIds(0, -1),
       "1(0)(5)(d)()"},
      {"values by id",
       (c.setValuesOfIds(1, {"6", "n", "lost"}),
        Text() << c.getItem("t", "T").asString() << c.getItem("N", "").asString()),
       "6n"},
      {"a registration never changes; its default fills an empty value",
       (c.getItem(2).set(""),
        Text() << c.defineItem(2, "O", "X", "f") << c.getItem(2).asString() << c.hasBlock("X")),
       "1f-"},
      {"unknown ids, and ids whose item is gone, give a scratch value; findItem never creates",
       (c.getItem(99).set("junk"), Text() << c.getItem(99).asString() << c.removeItem("L", "T")
                                          << c.getItem(0).asString() << c.removeItem("L", "T")
                                          << c.removeItem("L", "X") << c.removeBlock("X")
                                          << (c.findItem("k", "X") != nullptr)),
       "+----"},
  });
}

// Numbered items F1..F4 hold the list, one letter each ("_": empty); the last
// case shows that later items keep their texts.
TEST(ConfigItems, NumberedAndRecentLists) {
  const struct {
    const char *stored, *added, *expected;
  } cases[] = {
      {"ABCD", "C", "CABD"}, {"ABCD", "E", "EABC"}, {"ABCD", "A", "ABCD"},
      {"A_B_", "C", "CA_B"}, {"ABAD", "A", "ABDD"},
  };
  const auto letters = [](std::string text) {
    Names out;
    for (char letter : text) out.push_back(letter == '_' ? "" : std::string(1, letter));
    return out;
  };
  for (const auto& c : cases) {
    CSConfig config(true);
    config.setNumberedValues("F", "R", 4, letters(c.stored));
    config.addToRecentList("F", "R", c.added, 4);
    config.addToRecentList("F", "R", "ignored", 0);
    Names values{"k"};  // appended to
    config.numberedValues("F", "R", 4, values);
    EXPECT_EQ(values, letters("k" + std::string(c.expected))) << c.stored << " + " << c.added;
  }
}

TEST(ConfigItems, CursorInterface) {
  std::istringstream in("[A]\ni=7\nd=2.5\nb=Ja\nr=1,2.5,x\n[B]\n");
  std::ostringstream out;
  CSConfig c(&in, &out, true);
  std::string n, v, s;
  int i = 0;
  double d = 0;
  expectSteps({
      {"no current block yet", Text() << c.readString("i", "none") << c.nextItem(), "none-"},
      {"first block, first and next item",
       Text() << c.firstBlock(&n) << n << c.firstItem(&n, &v) << n << v << c.nextItem(&n, &v) << n
              << v,
       "+A+i7+d2.5"},
      {"reads take the leading number; the fallback without one",
       Text() << c.readInt("d") << c.readInt("b", -1) << formatFixed(c.readDouble("d"), 2)
              << formatFixed(c.readDouble("b", -1), 0),
       "2-12.50-1"},
      {"readBool", Text() << c.readBool("b") << c.readBool("-", true) << c.readBool("d", true),
       "++-"},
      {"record fields",
       Text() << c.readRecord("r") << c.nextRecordInt(i) << c.nextRecordDouble(d)
              << c.nextRecordInt(i) << c.nextRecordString(s) << i << formatFixed(d, 1),
       "+++--12.5"},
      {"a missing and an empty record",
       (c.writeString("e", ""), Text() << c.readRecord("-") << c.nextRecordString(s)
                                       << c.readRecord("e") << c.nextRecordDouble(d)),
       "--+-"},
      {"next block", Text() << c.nextBlock(&n) << n << c.nextBlock() << c.firstItem(), "+B--"},
      {"selecting a new block", Text() << c.selectBlock("C") << c.selectBlock("c"), "-+"},
  });
  c.writeBool("flag", false);
  c.writeInt("n", -3);
  c.writeDouble("len", 1.25);
  c.beginRecord();
  c.addRecordInt(3);
  c.addRecordString("");
  c.addRecordDouble(0.5);
  c.writeRecord("rec");
  EXPECT_TRUE(c.renameBlock("C", "D"));
  c.writeString("s", "the current block follows the rename");
  c.selectBlock("A");
  EXPECT_TRUE(c.removeBlock("A"));
  c.writeInt("lost", 1);  // no current block any more
  ASSERT_EQ(c.save(), 0);
  EXPECT_EQ(out.str(),
            "[B]\n\n\n[D]\nflag=false\nn=-3\nlen=1.250000\nrec=3,,0.500000\n"
            "s=the current block follows the rename\n");
  EXPECT_FALSE(CSConfig(true).firstBlock());
}

class CountingListener : public ReferingObject {
 public:
  void notify(const NotificationEvent& event, void*) override {
    if (const auto* changed = dynamic_cast<const NotificationEventConfigChanged*>(&event))
      configs.push_back(changed->config());
  }
  std::vector<CSConfig*> configs;
};

TEST(ConfigItems, ReloadAndNotifyingRemovals) {
  TempDir dir;
  const fs::path file = dir.path / "a.cfg";
  writeFile(file, "[A]\nx=1\n");
  CSConfig c(file.string(), true);
  CountingListener listener;
  c.addListener(&listener);
  c.defineItem(1, "x", "A");
  c.getItem("z", "A", "3");
  writeFile(file, "[A]\nx=5\n");
  expectSteps({
      {"reload reads items, values and ids afresh",
       Text() << c.reload() << listener.configs.size() << c.hasItem("z", "A")
              << c.getItem(1).asString() << c.getItem("x", "A").asString(),
       "01-5"},
      {"removals notify",
       Text() << c.removeItemAndNotify("x", "A") << c.removeItemAndNotify("x", "A")
              << c.removeBlockAndNotify("A") << c.removeBlockAndNotify("A")
              << listener.configs.size(),
       "+-+-3"},
      {"a failed reload does not",
       (fs::remove(file), Text() << c.reload() << listener.configs.size()), "-13"},
      {"nothing to reload", Text() << CSConfig(true).reload(), "-1"},
  });
  EXPECT_EQ(listener.configs, std::vector<CSConfig*>(3, &c));
  c.removeListener(&listener);
}

TEST(ConfigLoad, Results) {
  TempDir dir;
  writeFile(dir.path / "a.cfg", "[A]\nx=1\n");
  CSConfig c(true);
  std::istream broken(nullptr);
  expectSteps({
      {"empty name, missing file, a directory",
       Text() << c.load("") << c.load((dir.path / "no").string()) << c.load(dir.path.string()),
       "-100"},
      {"read",
       Text() << c.load((dir.path / "a.cfg").string()) << c.lines() << c.loadFromStream(nullptr),
       "1([A])(x=1)()-1"},
      {"a read error", Text() << c.loadFromStream(&broken) << c.lines(), "-2"},
      {"no name", CSConfig(static_cast<const char*>(nullptr)).fileName(), ""},
  });
}

// A save that cannot complete leaves the old file as it was.
TEST(ConfigSave, FailuresLeaveTheOldFile) {
  TempDir dir;
  const fs::path file = dir.path / "keep.cfg";
  writeFile(file, "[A]\nx=1\n");
  CSConfig config(file.string(), true);
  config.getItem("x", "A").set("2");
  for (int i = 0; i < 100; ++i) writeFile(dir.path / ("keep.cfg.tmp" + std::to_string(i)), "t");
  EXPECT_TEXT(Text() << config.save() << readFile(file),
              "-1[A]\nx=1\n");  // every temporary name taken
  for (int i = 0; i < 100; ++i) fs::remove(dir.path / ("keep.cfg.tmp" + std::to_string(i)));
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_TEXT(Text() << config.save() << readFile(file), "-1[A]\nx=1\n");  // a read-only file
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);   // not the default mode
  CSConfig nowhere(true);  // the directory is missing, or there is no name at all
  nowhere.setFileName((dir.path / "no" / "such.cfg").string());
  EXPECT_TEXT(Text() << nowhere.save() << CSConfig(true).save() << CSConfig(true).saveToFile(""),
              "-1-1-1");
  // Once the way is clear the save goes through, keeping the mode and leaving no temporary file.
  const fs::perms mode = fs::status(file).permissions();
  EXPECT_TEXT(Text() << config.save() << readFile(file) << (fs::status(file).permissions() == mode)
                     << std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()),
              "0[A]\nx=2\n+1");
  // A link to the file stays a link; the file it points at gets the text; a
  // missing file is created when saving on destruction.
#ifdef _WIN32
  const fs::path link = file;  // Wine makes no symbolic links
  const std::string linkKind = "-";
#else
  const fs::path link = dir.path / "link.cfg";
  fs::create_symlink(file, link);
  const std::string linkKind = "+";
#endif
  {
    CSConfig linked(link.string(), true), fresh((dir.path / "new").string());
    linked.getItem("x", "A").set("3");
    EXPECT_EQ(linked.save(), 0);
    fresh.setAutoSave(true);
    fresh.getItem("Inch", "Options", "1");
  }
  EXPECT_TEXT(Text() << fs::is_symlink(link) << readFile(file) << readFile(dir.path / "new"),
              linkKind + "[A]\nx=3\n\n[Options]\nInch=1\n");
}

}  // namespace
