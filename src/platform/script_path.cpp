#include "platform/script_path.h"

#include "platform/encoding.h"

namespace kresbon {

std::string ResolveScriptFileName(std::string_view name, const std::string& currentScriptFile,
                                  const std::string& programFolder)
{
    std::string path = Cp1250ToUtf8(name);
    for (char& c : path)
        if (c == '\\') c = '/';
    if (path.starts_with('/')) return path;
    const std::size_t slash = currentScriptFile.find_last_of('/');
    const std::string folder = currentScriptFile.empty() ? programFolder
                               : slash == std::string::npos ? std::string()
                                                            : currentScriptFile.substr(0, slash);
    return folder + '/' + path;
}

}  // namespace kresbon
