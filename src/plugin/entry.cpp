// The library's entry points: the module handle, the host's application
// messages and the two exported helpers the host looks for.
#include "plugin/entry.h"
#include "plugin/ads.h"
#include "plugin/commands.h"
#include "plugin/operations.h"

namespace {

void* g_moduleHandle = nullptr;

// Runs when the library is attached to the process, as the system's library
// entry does (reason 1); the handle is an address inside this library.
struct LibraryAttach {
  LibraryAttach() { libraryEntry(&g_moduleHandle, 1); }
} g_attach;

}  // namespace

int libraryEntry(void* module, int reason) {
  if (reason == 1) g_moduleHandle = module;
  return 1;
}

void* moduleHandle() {
  return g_moduleHandle;
}

extern "C" int acrxEntryPoint(int message, void* packet) {
  // Nothing may escape to the host; the dispatcher catches what its flows
  // throw, this catches the rest (settings, language and style loading).
  try {
    switch (message) {
      case ACRX_INIT_APP_MSG:
        acrxUnlockApplication(packet);
        break;
      case ACRX_LOAD_DWG_MSG:
        setupStartEnvironment(g_moduleHandle);
        // A refused registration leaves the later commands out; the host has
        // already said why, so there is nothing to add here.
        registerCommands();
        break;
      case ACRX_INVK_SUBR_MSG:
        dispatchCommand();
        break;
      default:
        break;
    }
  } catch (...) {
    ads_printf("\nInternal Error. aborting\n");
  }
  return 0;
}

extern "C" int acrxGetApiVersion(void) {
  return 0x000E0000;
}

// The C++ runtime of this library is set up by the loader already.
extern "C" int _SetacrxPtp(void) {
  return 0;
}
