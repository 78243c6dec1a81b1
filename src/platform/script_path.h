#pragma once

#include <string>
#include <string_view>

namespace kresbon {

// The file a script line names (Windows-1250 text, '\' or '/' between
// folders) as a UTF-8 path. A relative name, with or without folders,
// resolves against the folder of the current script file, or the program
// folder while no script file is current; a name starting with '/' is used
// as written.
std::string ResolveScriptFileName(std::string_view name, const std::string& currentScriptFile,
                                  const std::string& programFolder);

}  // namespace kresbon
