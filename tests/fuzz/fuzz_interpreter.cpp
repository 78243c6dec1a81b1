// Runs arbitrary bytes as a script: no input may crash, hang or exhaust memory.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "interpreter/interpreter.h"
#include "interpreter/script_text.h"

namespace {

class FuzzHost : public kresbon::Host {
public:
    bool layerShown(int layer) const override { return layer != 5; }
    int viewWidth() const override { return 120; }
    int viewHeight() const override { return 90; }
    int colourDepth() const override { return 8; }
    std::string programFolder() const override { return "/nonexistent"; }
    std::string currentScriptFile() const override { return {}; }
    int languageBase() const override { return 1000; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzHost host;
    kresbon::Interpreter interpreter(host);
    // Keep drawings small so that each input runs in milliseconds.
    interpreter.setCanvasBudget(4'000'000);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    interpreter.RunScript(kresbon::DecodeScript(std::string(bytes)).lines);
    return 0;
}
