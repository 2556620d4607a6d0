// The string helpers every subsystem shares. Arbitrary paths and field lists
// go through them in the fuzz_resolve_variables corpus as well.
#include "config/environment.h"
#include "config/strings.h"

#include "config/steps.h"

using namespace cfgtest;

namespace {

TEST(Strings, Table) {
  clearVariableOverrides();
  setVariableOverride("CFG_D", "/opt/h");
  expectSteps({
      {"strip leading", stripChars("  a b  ", " ", StripLeading), "a b  "},
      {"strip a set at both ends", stripChars("xyxaxy", "xy", StripBoth), "a"},
      {"strip everything", stripChars("xyxy", "xy", StripLeading), ""},
      {"strip everything from the end", stripChars("xyxy", "xy", StripTrailing), ""},
      {"replaced text is not searched again", replaceAll("aaa", "a", "aa"), "aaaaaa"},
      {"replace ignoring case", replaceAll("%DIR%/%dir%", "%Dir%", "/d", true), "/d//d"},
      {"replace from a start on", replaceAll("a-a-a", "a", "b", false, 1), "a-b-b"},
      {"replace from beyond the end", replaceAll("a-a", "a", "b", false, 9), "a-a"},
      {"backslashes, trailing junk gone", toBackslashes("C:/a\\b/ \r\n\t"), "C:\\a\\b"},
      {"the root alone is trailing junk", toForwardSlashes("/"), ""},
      {"normalise dots and empty parts", normalizePath("a/./b//c/"), "a/b/c"},
      {"normalise '..'", normalizePath("a\\b\\..\\c"), "a/c"},
      {"the root survives '..'", normalizePath("/a/../b"), "/b"},
      {"a leading '..' stays", normalizePath("a/../../b"), "../b"},
      {"network root", normalizePath("//srv/cad/./lib"), "//srv/cad/lib"},
      {"the drive is not folded away", normalizePath("C:/../x"), "C:/../x"},
      {"absolute: joined", makeAbsolutePath("C:\\base\\", "sub/../f", false), "C:/base/f"},
      {"absolute: absolute path", makeAbsolutePath("/base", "\\abs\\.\\f", false), "/abs/f"},
      {"absolute: drive path", makeAbsolutePath("/base", "D:x", false), "D:x"},
      {"absolute: no base", makeAbsolutePath("", "rel/f", false), "rel/f"},
      {"absolute: root base", makeAbsolutePath("\\", "etc", false), "/etc"},
      {"absolute: variables", makeAbsolutePath("/b", "$(CFG_D)/f", false), "/opt/h/f"},
      {"absolute: undefined variable", makeAbsolutePath("/b", "$CFG_X/f", false), "/b/$CFG_X/f"},
      {"absolute: expanded again", makeAbsolutePath("$CFG_D", "f", true), "/opt/h/f"},
      {"list pieces lose trailing blanks", Text() << listContains("b", "a;b \t\r\n;c", false), "+"},
      {"list pieces keep leading blanks", Text() << listContains("b", "a; b", false), "-"},
      {"empty list pieces never match", Text() << listContains("", "a; ;c", false), "-"},
      {"fields", Text() << splitFields("a, b ,,c", ',', '"', false), "(a)(b)()(c)"},
      {"quoted fields", Text() << splitFields("  \" x, \"  ,\"\"", ',', '"', false), "( x, )()"},
      {"doubled quotes", Text() << splitFields("\"a \"\"b\"\"\"", ',', '"', true), "(a \"b\")"},
      {"a quote inside a field", Text() << splitFields("a\"b,c", ',', '"', false), "(a\"b)(c)"},
      {"no quote character", Text() << splitFields("\"x, y\"", ',', 0, false), "(\"x)(y\")"},
      {"empty", Text() << splitFields("", ',', '"', false) << splitFields(",", ',', 0, true), ""},
  });
  clearVariableOverrides();
}

}  // namespace
