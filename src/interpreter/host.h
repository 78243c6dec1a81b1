#pragma once

#include <string>

namespace kresbon {

// What the interpreter reads of the program around it: the desktop window
// and the headless renderer each provide one.
class Host {
public:
    virtual ~Host() = default;

    // Whether layer 1..9 is shown.
    virtual bool layerShown(int layer) const = 0;
    // Size in pixels of the visible drawing area; the default drawing is this
    // size less a margin of 10.
    virtual int viewWidth() const = 0;
    virtual int viewHeight() const = 0;
    // Bits per pixel of the drawing: 4, 8, 16, 24 or 32.
    virtual int colourDepth() const = 0;
    // Folder of the executable, without a trailing separator (UTF-8 path).
    virtual std::string programFolder() const = 0;
    // Full path of the current script file, empty when there is none (UTF-8).
    virtual std::string currentScriptFile() const = 0;
    // 1000 English, 2000 Czech.
    virtual int languageBase() const = 0;
};

}  // namespace kresbon
