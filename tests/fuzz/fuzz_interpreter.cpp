// Runs arbitrary bytes as a script and saves what it drew: no input may
// crash, hang or exhaust memory. Scripts may include and place the files of
// a small fixed set (fuzz_files.h); the first byte chooses the format the
// drawing is saved in (or none), so that every writer meets every drawing,
// those with a side of 0 pixels included.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "fuzz_files.h"
#include "interpreter/interpreter.h"
#include "interpreter/script_text.h"
#include "render/save_drawing.h"

namespace {

class FuzzHost : public kresbon::Host {
public:
    bool layerShown(int layer) const override { return layer != 5; }
    int viewWidth() const override { return 120; }
    int viewHeight() const override { return 90; }
    int colourDepth() const override { return depth; }
    std::string programFolder() const override { return kresbon::fuzzing::FuzzFolder(); }
    std::string currentScriptFile() const override { return kresbon::fuzzing::FuzzFolder() + "main.krs"; }
    int languageBase() const override { return 1000; }
    int depth = 8;
};

}  // namespace

// The fixed files are made before the first input is timed.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    kresbon::fuzzing::FuzzFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    constexpr const char* outputs[] = {nullptr, "out.bmp", "out.gif", "out.jpg", "out.png"};
    constexpr int depths[] = {4, 8, 16, 24, 32};
    FuzzHost host;
    host.depth = depths[(data[0] / 5) % 5];
    kresbon::Interpreter interpreter(host);
    // Keep drawings small so that each input runs in milliseconds.
    interpreter.setCanvasBudget(4'000'000);
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    interpreter.RunScript(kresbon::DecodeScript(std::string(bytes)).lines);
    if (const char* output = outputs[data[0] % 5]) {
        const std::string path = kresbon::fuzzing::FuzzFolder() + output;
        try {
            kresbon::SaveDrawingToFile(interpreter.canvas(), path, 1000);
        } catch (const std::exception&) {
        }
        std::remove(path.c_str());
    }
    return 0;
}
