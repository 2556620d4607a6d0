#include "plugin/launcher.h"

#include <cstdio>

#include "config/config_file.h"
#include "platform/files.h"
#include "platform/process.h"
#include "plugin/messages.h"
#include "plugin/operations.h"

namespace {

// The expanded value of an item of the launcher configuration; empty when
// block or item is missing (the configuration is only read, never written).
std::string configuredPath(CSConfig& config, const char* item, const std::string& block) {
  CSConfigItem* found = config.findItem(item, block);
  return found ? found->value().asExpandedString() : std::string();
}

// The switches are joined as strings of any length: a long exchange-file name
// reaches the program whole instead of being cut at a fixed buffer size.
int launch(InterfaceSettings& settings, const std::string& program, const std::string& dde,
           const std::string& switches) {
  return startAndWait(settings, program, dde + " " + switches);
}

}  // namespace

int launchForMetafile(InterfaceSettings& settings, const std::string& program,
                      const std::string& switches) {
  std::remove(settings.MetaFileName().c_str());
  return launch(settings, program, switches,
                " -poke RECEIVERCADID=Autocad.2d -fm METAV2 -o " +
                    platform::quoteArgument(settings.MetaFileName()));
}

int launchForSat(InterfaceSettings& settings, const std::string& program,
                 const std::string& switches) {
  std::remove(settings.SATFileName().c_str());
  return launch(
      settings, program, switches,
      " -poke RECEIVERCADID=Autocad.3d -fm sat -poke FormatVersion=" + settings.SATVersion() +
          " -o " + platform::quoteArgument(settings.SATFileName()));
}

int startAndWait(InterfaceSettings& settings, const std::string& program,
                 const std::string& arguments) {
  // Read afresh for every launch: an edited configuration counts at once.
  CSConfig config;
  config.load("$HALDRIX_SETUP/moxisol.cfg");
  std::string launcher = configuredPath(config, "EXE", "MOXIstart");
  std::string programPath = configuredPath(config, "EXE", program);
  if (programPath.empty()) programPath = configuredPath(config, "EXE3D", program);

  if (launcher.empty() || !platform::pathExists(launcher)) {
    alertMessage(settings, "Programm MOXIstart (%s) wurde nicht gefunden!", launcher.c_str());
    return -1;
  }
  if (programPath.empty() || !platform::pathExists(programPath)) {
    alertMessage(settings, "Programm %s wurde nicht gefunden!", programPath.c_str());
    return -1;
  }

  // Paths are quoted only when they hold blanks (as under "C:\Program Files"),
  // so that each reaches the launcher as one argument; any other command
  // line stays exactly as it always was.
  std::string commandLine = platform::quoteProgramName(launcher) + " -mview" + " " +
                            platform::quoteArgument(programPath) + " " + arguments;
  bool started = false;
  platform::ProcessHandle process = startProcess(commandLine, started);
  if (!started) {
    alertMessage(settings, "Programm %s konnte nicht gestartet werden!", launcher.c_str());
    return -1;
  }

  // The first look comes one second after the start. The wait has no time
  // limit; the user can cancel it through the host instead (see pumpMessages).
  pumpMessages(0);
  bool cancelled = false;
  for (int seconds = 1;; ++seconds) {
    platform::sleepMilliseconds(1000);
    // Whether the launcher still runs is asked of the process itself: one
    // that ends with exit code 259 (STILL_ACTIVE) has ended all the same.
    int code = 0;
    const platform::ProcessState state = platform::processState(process, code);
    if (!pumpMessages(seconds)) {
      cancelled = true;
      break;
    }
    if (state != platform::ProcessState::Running) break;
  }
  pumpMessages(-1);

  if (cancelled) {
    // A cancelled wait ends the launcher (and the program it started): the
    // user gave up on this part, so no late exchange file is picked up.
    platform::terminateProcess(process);
    platform::closeProcess(process);
    printMessage(settings, "Warten auf das Katalogprogramm abgebrochen!");
    return -1;
  }
  platform::closeProcess(process);
  return 1;
}

platform::ProcessHandle startProcess(const std::string& commandLine, bool& success) {
  return platform::startProcess(commandLine, success);
}

bool pumpMessages(int secondsWaited) {
  return platform::pumpHost(secondsWaited) == platform::PumpResult::Continue;
}
