#include "plugin/commands.h"

#include <memory>
#include <string>

#include "config/environment.h"
#include "plugin/ads.h"
#include "plugin/operations.h"

namespace {

int runMetafileProgram(InterfaceSettings& settings, const char* program, const char* switches) {
  int result = prepareLineStyles(settings);
  if (result != 1) return result;
  result = launchForMetafile(settings, program, switches);
  if (result != 1) return result;
  return placeMetafile(settings, settings.MetaFileName());
}

// A 3D command always reports success: the user has seen whatever went wrong.
int runSatProgram(InterfaceSettings& settings, const char* program, const char* switches) {
  if (launchForSat(settings, program, switches) == 1)
    placeSatFile(settings, settings.SATFileName());
  return 1;
}

int viewerFlow(InterfaceSettings& s) {
  return runMetafileProgram(s, "MOXIviewer", "-server MoxiViewer -topic MoxiViewer");
}
int assemblyFlow(InterfaceSettings& s) {
  return runMetafileProgram(s, "MOXIassembly", " -server MoxiAssembly -topic MoxiAssembly");
}
int shaftFlow(InterfaceSettings& s) {
  return runMetafileProgram(s, "MOXIshaft", " -server MoxiWel -topic MoxiWel");
}
int viewer3dFlow(InterfaceSettings& s) {
  return runSatProgram(s, "MoxiViewer", "-server MoxiViewer -topic MoxiViewer");
}
int shaft3dFlow(InterfaceSettings& s) {
  return runSatProgram(s, "MOXIshaft", " -server MoxiWel -topic MoxiWel");
}
int assembly3dFlow(InterfaceSettings& s) {
  return runSatProgram(s, "MOXIassembly", " -server MoxiAssembly -topic MoxiAssembly");
}

// Imports a metafile named by the AutoLISP call's first argument; without a
// string there it does nothing.
int openMetafileFlow(InterfaceSettings& s) {
  resbuf* args = ads_getargs();
  std::string name;
  bool haveName = args && args->restype == RTSTR && args->resval.rstring;
  if (haveName) name = args->resval.rstring;
  ads_relrb(args);
  if (!haveName) return 1;
  int result = prepareLineStyles(s);
  if (result == 1) result = placeMetafile(s, name);
  return result;
}

int connection3dFlow(InterfaceSettings&) {
  return 1;
}

const CommandEntry kCommands[] = {
    {"C:MOXIviewer", viewerFlow},        {"C:MOXIcon", runScrewConnection},
    {"C:MOXIass", assemblyFlow},         {"C:MOXIshaft", shaftFlow},
    {"C:MOXIoptions", runOptionsDialog}, {"C:MOXIopenps2", openMetafileFlow},
    {"C:MOXIviewer3d", viewer3dFlow},    {"C:MOXIcon3d", connection3dFlow},
    {"C:MOXIshaft3d", shaft3dFlow},      {"C:MOXIass3d", assembly3dFlow},
};

const CommandFlow kFlows[] = {viewerFlow,       runScrewConnection, assemblyFlow, shaftFlow,
                              runOptionsDialog, openMetafileFlow,   viewer3dFlow, connection3dFlow,
                              shaft3dFlow,      assembly3dFlow};

void setCommandEcho(const char* value) {
  ads_command(RTSTR, "_cmdecho", RTSTR, value, 0);
}

}  // namespace

std::span<const CommandEntry> commandTable() {
  return kCommands;
}

bool registerCommands() {
  short code = 0;
  for (const CommandEntry& command : kCommands)
    if (ads_defun(command.name, code++) != RTNORM) return false;
  return true;
}

int dispatchCommand() {
  return dispatchCommand(kFlows);
}

int dispatchCommand(std::span<const CommandFlow> flows) {
  auto settings = std::make_unique<InterfaceSettings>();
  settings->loadInterfaceSettings();
  loadLanguageFile(*settings, expandVariables("$HALDRIX/lang/$HALDRIX_LANGUAGE/drwlink2.nls"));
  loadStyleDefinitions(*settings);
  applyLineStyleSettings(*settings);

  int code = ads_getfuncode();
  if (code < 0) return 0;

  setCommandEcho("0");
  try {
    resbuf measurement{};
    if (ads_getvar("MEASUREMENT", &measurement) == RTNORM && measurement.restype == RTLONG &&
        measurement.resval.rlong == 0 && settings->isInchAllowed())
      settings->setInchMode(true);
    if (static_cast<std::size_t>(code) < flows.size() && flows[static_cast<std::size_t>(code)] &&
        flows[static_cast<std::size_t>(code)](*settings) == -1)
      return 0;  // a failed flow has reported itself; command echo stays off
  } catch (...) {
    ads_printf("\nInternal Error. aborting\n");
  }
  setCommandEcho("1");
  return 1;
}
