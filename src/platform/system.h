// System facts: the Windows and temporary directories, the current
// directory, the file name of a loaded module, network names of drives and
// the process environment. POSIX stands in for what it lacks, as each
// declaration says.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// The Windows directory (GetWindowsDirectoryW); "/" on POSIX.
std::string windowsDirectory();

// The temporary directory (GetTempPathW); on POSIX $TMPDIR when set and not
// empty, else "/tmp". Returned as found: trailing separators are the
// caller's business.
std::string temporaryDirectory();

// The process's working directory; empty when it cannot be read.
std::string currentDirectory();

// Full file name of the executable or shared library that holds `address`
// (any function or object inside it); empty when no loaded module holds it.
std::string moduleFileName(const void* address);

// The network name (\\server\share\...) of a path (with backslashes) on a
// mapped drive, from WNetGetConnectionW for its drive. False, `out`
// untouched, when the path is not on a mapped drive; POSIX has none.
bool universalName(const std::string& path, std::string& out);

// The process environment, as the C runtime and the programs this process
// starts both see it (Windows: the process's own environment block, the
// runtime's copy kept in step).
// The variable's value; nothing when it is not set.
std::optional<std::string> environmentVariable(const std::string& name);
// Every entry as "NAME=value", in the environment's order.
std::vector<std::string> environmentEntries();
// Sets or (unset) removes a variable; false when the name cannot be one.
bool setEnvironmentVariable(const std::string& name, const std::string& value);
bool unsetEnvironmentVariable(const std::string& name);

}  // namespace platform
