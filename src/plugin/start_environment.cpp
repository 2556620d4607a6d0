#include "plugin/start_environment.h"

#include <fstream>

#include "config/config_file.h"
#include "config/environment.h"
#include "config/file_path.h"
#include "config/strings.h"
#include "plugin/operations.h"

namespace {

// The module's directory and the two above it are searched.
constexpr int kSearchLevels = 3;

}  // namespace

std::string programDrive(const std::string& modulePath) {
  FilePath path(modulePath);
  if (path.hasDrive()) return path.drive() + ":";
  if (path.isUnc()) {
    return "//" + stripChars(path.uncServer(), "/\\", StripBoth) + "/" +
           stripChars(path.uncShare(), "/\\", StripBoth);
  }
  return "";
}

std::string findStartFile(const std::string& modulePath) {
  FilePath directory = FilePath(modulePath).directory();
  // An empty directory would make the candidate relative to the working
  // directory, which is no place the plug-in was installed in.
  for (int level = 0; level < kSearchLevels && !directory.empty(); ++level) {
    FilePath candidate = directory / FilePath("start.env");
    if (candidate.exists() && candidate.isFile() && candidate.isReadable()) return candidate.text();
    directory = directory.directory();
  }
  return "";
}

void setupStartEnvironmentFor(const std::string& modulePath) {
  setVariableDefault("HALDRIX_PROGRAMDRIVE", programDrive(modulePath));
  std::string startFile = findStartFile(modulePath);
  if (startFile.empty()) return;
  std::string directory = FilePath(startFile).directory().text();
  CSConfig file(true);
  // Read through a stream: the found path is a real one and must not have
  // variables expanded in it as file names given to load() do.
  std::ifstream in(startFile, std::ios::binary);
  if (!in || file.loadFromStream(&in) != 1) return;
  for (const std::string& name : file.itemNames("ENVIRONS")) {
    std::string value = file.getItem(name, "ENVIRONS").asString();
    setVariableOverride(name, replaceAll(value, "%DirOfThisFile%", directory, true));
  }
}

// The module path is taken whole: a path longer than the 255 characters of the
// classic module-name buffer would otherwise be cut and point somewhere else.
void setupStartEnvironment(void* moduleHandle) {
  std::string modulePath = moduleFileName(moduleHandle);
  if (modulePath.empty()) return;
  setupStartEnvironmentFor(modulePath);
}
