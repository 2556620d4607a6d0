// What a plug-in command does before it imports: settings file, style
// definitions and line styles (layers and linetypes made in the host), with
// the sample installation of the source tree and a scratch settings directory.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "plugin/interface_settings.h"
#include "plugin/operations.h"

// Call with a host current; true when the line styles are ready.
inline bool prepareImport(InterfaceSettings& settings) {
  static const bool environment = [] {
    const std::string user =
        (std::filesystem::temp_directory_path() / ("drw_bench_user_" + std::to_string(::getpid())))
            .string();
    std::filesystem::create_directories(user);
    ::setenv("HALDRIX", DRW_SETUP_DIR, 1);
    ::setenv("HALDRIX_SETUP", DRW_SETUP_DIR, 1);
    ::setenv("HALDRIX_USER", user.c_str(), 1);
    ::setenv("DRAFTHOST_SUPPORT", DRW_SETUP_DIR, 1);
    return true;
  }();
  (void)environment;
  settings.loadInterfaceSettings();
  loadStyleDefinitions(settings);
  applyLineStyleSettings(settings);
  return prepareLineStyles(settings) == 1;
}
