// Reads arbitrary bytes as the settings file and writes a key into it: no
// input may crash or hang, a written key reads back as written, and every
// other key keeps its value.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "fuzz_files.h"
#include "shell/settings/settings_file.h"

// The fixed files are made before the first input is timed.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    kresbon::fuzzing::FuzzFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using kresbon::SettingsFile;
    const std::string path = kresbon::fuzzing::FuzzFolder() + "Kresbon.ini";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    const SettingsFile settings(path);
    const std::string language = settings.Read("MainForm", "Language");
    const std::string layer = settings.Read("layers", "LAYER3");
    settings.Write("Print", "Stretch", "2");
    if (settings.Read("Print", "Stretch") != "2") __builtin_trap();
    if (settings.Read("MainForm", "Language") != language) __builtin_trap();
    if (settings.Read("layers", "LAYER3") != layer) __builtin_trap();
    return 0;
}
