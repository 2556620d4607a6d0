// metacheck: reads metafiles exactly as the import does (load hooks on) and
// reports, per file, the node count or the reader's error; --tree also prints
// the loaded tree.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "meta/reader.h"
#include "meta/tree.h"

namespace {

const char kUsage[] =
    "usage: metacheck [--tree] FILE...\n"
    "\n"
    "Reads each metafile (METAV2 text) the way the drawing import does, resolving\n"
    "MOREF references, and prints one line per file:\n"
    "  FILE: ok, N nodes          N counts every node of the file\n"
    "  FILE: error: TEXT at line L\n"
    "\n"
    "  --tree   also print each loaded tree, one node per line, indented by two\n"
    "           spaces per level; a resolved reference shows its target's\n"
    "           1-based pre-order number as '-> N' (or '-> none')\n"
    "  --help   show this text\n"
    "\n"
    "Exit status: 0 when every file was read, 1 when any was not, 2 on usage errors.\n";

void printTree(metaTreeC* first) {
  std::unordered_map<const metaTreeC*, std::size_t> number;
  std::size_t count = 0;
  metaWalkPreOrder(first, true, [&](metaTreeC* n) { number[n] = ++count; });

  // Pre-order with the depth kept by hand: trees may be very deep.
  metaTreeC* n = first;
  std::size_t depth = 0;
  std::string line;
  while (n) {
    line.assign(2 * depth, ' ');
    const metaValueC& v = n->value;
    if (n->refResolved()) {
      auto it = n->refTarget() ? number.find(n->refTarget()) : number.end();
      line += it == number.end() ? "-> none" : "-> " + std::to_string(it->second);
    } else if (v.isIdent()) {
      line += v.text();
    } else if (v.isString()) {
      line += metaQuoteString(v.text());
    } else if (v.isNumber()) {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.17g", v.number());
      line += buf;
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);

    if (n->firstChild) {
      n = n->firstChild;
      ++depth;
      continue;
    }
    while (n && !n->next) {
      n = depth > 0 ? n->parent : nullptr;
      if (depth > 0) --depth;
    }
    if (n) n = n->next;
  }
}

// Returns true when the file was read.
bool checkFile(const char* path, bool tree) {
  metaTreeReaderC reader;
  if (!reader.open(path)) {
    std::printf("%s: error: cannot open file\n", path);
    return false;
  }
  metaTreeC* first = reader.read(true);
  if (reader.failed()) {
    std::printf("%s: error: %s at line %d\n", path, reader.errorText().c_str(), reader.errorLine());
    return false;
  }
  std::size_t count = 0;
  if (first) metaWalkPreOrder(first, true, [&](metaTreeC*) { ++count; });
  std::printf("%s: ok, %zu nodes\n", path, count);
  if (tree && first) printTree(first);
  metaTreeC::destroy(first);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool tree = false;
  std::vector<const char*> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--tree") == 0) {
      tree = true;
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      std::fprintf(stderr, "metacheck: unknown option %s\n%s", argv[i], kUsage);
      return 2;
    } else {
      files.push_back(argv[i]);
    }
  }
  if (files.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  bool allRead = true;
  for (const char* f : files) allRead = checkFile(f, tree) && allRead;
  return allRead ? 0 : 1;
}
