// drafthost: a small command-line drafting host that loads the plug-in and
// runs a script of command-line input against one drawing.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "dxf_writer.h"
#include "host.h"
#include "os.h"
#include "script.h"

namespace {

const char* kUsage =
    "usage: drafthost [--plugin PATH] [--trace FILE] [--dxf FILE] [--imperial] [--pickbox D]\n"
    "                 [SCRIPT | -]\n";

const char* kHelp =
    "drafthost loads the plug-in, sends it the initialise and load-drawing messages\n"
    "and reads command-line input from SCRIPT (standard input when it is '-' or absent).\n"
    "\n"
    "Options:\n"
    "  --plugin PATH  plug-in to load (default: drwlink2.so, on Windows drwlink2.dll,\n"
    "                 beside drafthost)\n"
    "  --trace FILE   write one JSON object per host function the plug-in calls\n"
    "                 (JSON Lines, in call order; members \"fn\", \"rc\" and per function\n"
    "                 \"args\", \"list\", \"text\", \"prompt\", \"result\", \"matrix\", \"name\", "
    "\"code\")\n"
    "  --dxf FILE     write the drawing at the end as an ASCII DXF file (release 2000,\n"
    "                 code page ANSI_1252)\n"
    "  --imperial     start with MEASUREMENT 0 (imperial drawing)\n"
    "  --pickbox D    pick distance of object selection in drawing units (default 1.0)\n"
    "  --help         show this text\n"
    "\n"
    "Script lines (UTF-8), one input each, as typed at the command line:\n"
    "  ; comment      skipped\n"
    "  ^C             Escape\n"
    "  (empty)        Enter\n"
    "  NAME           runs the plug-in command C:NAME or a host command (any case)\n"
    "  (C:NAME ...)   AutoLISP call with arguments: \"strings\" (\\\" and \\\\ escapes),\n"
    "                 integers (16-bit as RTSHORT, larger as RTLONG) and reals\n"
    "  LINE x1,y1 x2,y2     adds a LINE on the current layer\n"
    "  SETVAR MEASUREMENT 0|1, SETVAR CMDECHO 0|1\n"
    "  LAYER NAME     creates a layer\n"
    "While a command runs each prompt takes the next line: an integer, an angle in\n"
    "degrees, a point x,y[,z]; Enter answers nothing, ^C or the end of input cancels.\n"
    "While a dialog is open each line is one user action on it:\n"
    "  ~set KEY VALUE  puts VALUE (the rest of the line after one blank) into the\n"
    "                 tile; a list tile takes the index of the item to select;\n"
    "                 an edit box takes at most its edit_limit characters\n"
    "  ~action KEY    clicks the tile (~action accept is OK)\n"
    "  ~cancel        Cancel; the end of input cancels an open dialog too\n"
    "On a terminal the open dialog's tiles and values are shown before each input.\n"
    "\n"
    "Linetype files for the LINETYPE command are looked up in the current directory,\n"
    "then in the directories of DRAFTHOST_SUPPORT (separated by ':', on Windows by\n"
    "';'), then in an installation's setup folder (setup/ beside drafthost, or\n"
    "../share/drwlink2/setup).\n"
    "\n"
    "While the plug-in waits for a catalogue program, a progress line goes to\n"
    "standard error once a second, and Ctrl-C cancels the wait.\n"
    "\n"
    "Exit status: 0 when the script ran to its end (also when commands failed),\n"
    "1 when the plug-in could not be loaded, 2 for usage errors, 3 when the DXF\n"
    "file could not be written.\n";

int usage(const std::string& problem) {
  std::cerr << "drafthost: " << problem << '\n' << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  drafthost::os::untranslatedStandardStreams();
  std::string plugin = drafthost::os::defaultPluginPath();
  std::string tracePath, dxfPath, script;
  bool imperial = false, haveScript = false;
  double pickbox = 1.0;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage << '\n' << kHelp;
      return 0;
    } else if (arg == "--plugin") {
      if (!value(&plugin)) return usage("--plugin needs a path");
    } else if (arg == "--trace") {
      if (!value(&tracePath)) return usage("--trace needs a file name");
    } else if (arg == "--imperial") {
      imperial = true;
    } else if (arg == "--pickbox") {
      std::string d;
      if (!value(&d) || !drafthost::parseReal(d, &pickbox) || pickbox < 0)
        return usage("--pickbox needs a distance");
    } else if (arg == "--dxf") {
      if (!value(&dxfPath)) return usage("--dxf needs a file name");
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usage("unknown option " + arg);
    } else if (haveScript) {
      return usage("more than one script");
    } else {
      script = arg;
      haveScript = true;
    }
  }

  std::ifstream scriptFile;
  if (haveScript && script != "-") {
    scriptFile.open(script, std::ios::binary);
    if (!scriptFile) return usage("cannot read script " + script);
  }
  std::ofstream traceFile;
  if (!tracePath.empty()) {
    traceFile.open(tracePath, std::ios::binary | std::ios::trunc);
    if (!traceFile) return usage("cannot write trace " + tracePath);
  }

  // A DXF path that cannot be written is reported before the script runs.
  if (!dxfPath.empty() && !std::ofstream(dxfPath, std::ios::binary | std::ios::trunc))
    return usage("cannot write DXF file " + dxfPath);

  // An installed drafthost finds acad.lin in the installation's setup folder:
  // beside it (Windows) or in share/drwlink2 (elsewhere).
  {
    const std::filesystem::path bin =
        std::filesystem::path(drafthost::os::defaultPluginPath()).parent_path();
    std::error_code ec;
    for (const auto& setup : {bin / "setup", bin.parent_path() / "share" / "drwlink2" / "setup"})
      if (std::filesystem::is_directory(setup, ec)) {
        drafthost::setInstallationSupport(setup.string());
        break;
      }
  }
  std::string loadError;
  void* module = drafthost::os::loadModule(plugin, loadError);
  if (!module) {
    std::cerr << "drafthost: cannot load plug-in " << plugin << ": " << loadError << '\n';
    return 1;
  }
  auto entry = reinterpret_cast<drafthost::EntryPoint>(
      drafthost::os::moduleSymbol(module, "acrxEntryPoint"));
  if (!entry) {
    std::cerr << "drafthost: " << plugin << " has no acrxEntryPoint\n";
    drafthost::os::unloadModule(module);
    return 1;
  }

  int status = 0;
  {
    drafthost::Host host(std::cout);
    if (traceFile.is_open()) host.trace = &traceFile;
    host.pickbox = pickbox;
    if (imperial) host.measurement = 0;
    host.interactive = !scriptFile.is_open() && drafthost::os::inputIsTerminal();
    host.attach(entry);
    drafthost::os::installCancelHandler();
    drafthost::StreamLines lines(scriptFile.is_open() ? static_cast<std::istream&>(scriptFile)
                                                      : std::cin);
    host.run(lines);
    host.detach();
    // Sets the plug-in never released are a leak a real host would carry
    // until it runs out of sets: worth a word to whoever runs the script.
    if (host.openSets())
      std::cerr << "drafthost: " << host.openSets() << " selection set(s) not released\n";
    std::string error;
    drafthost::DxfOptions options;
    options.measurement = host.measurement;
    if (!dxfPath.empty() && !drafthost::writeDxfFile(host.drawing, options, dxfPath, &error)) {
      std::cerr << "drafthost: " << error << '\n';
      status = 3;
    }
  }
  std::cout.flush();
  drafthost::os::unloadModule(module);
  return status;
}
