// Interim definitions of the operations whose modules are not built yet (see
// operations.h). Each one does nothing; those with a result report failure so
// that a command stops quietly instead of pretending to have worked.
#include "plugin/operations.h"

int runScrewConnection(InterfaceSettings&) {
  return -1;
}
