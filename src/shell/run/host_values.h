#pragma once

// What the interpreter reads of the window, taken as values, and a host
// that answers from such a copy: for the runs made beside the window's own
// (the bond's questions, the step mode), which must draw as the run that
// made the drawing on screen did, whatever the window shows meanwhile.

#include <array>
#include <string>

#include "interpreter/host.h"

namespace kresbon {

// What the interpreter reads of the window.
struct HostValues {
    // Index 1..9: 1 when the layer is shown.
    std::array<int, 10> layers{};
    int viewWidth = 0;
    int viewHeight = 0;
    int colourDepth = 4;
    std::string programFolder;
    std::string scriptFile;
    int language = 1000;
    bool operator==(const HostValues&) const = default;
};

// A host answering from values fixed when it is made; safe to read from
// any thread.
class FixedHost : public Host {
public:
    explicit FixedHost(HostValues values) : v_(std::move(values)) {}
    bool layerShown(int layer) const override;
    int viewWidth() const override { return v_.viewWidth; }
    int viewHeight() const override { return v_.viewHeight; }
    int colourDepth() const override { return v_.colourDepth; }
    std::string programFolder() const override { return v_.programFolder; }
    std::string currentScriptFile() const override { return v_.scriptFile; }
    int languageBase() const override { return v_.language; }
    const HostValues& values() const { return v_; }

private:
    HostValues v_;
};

}  // namespace kresbon
