#pragma once

#include <QTranslator>
#include <memory>

namespace kresbon {

// The toolkit's own dialogs (files, fonts, printers) in the language of the
// interface: its Czech translation is installed while Czech is chosen.
class ToolkitTranslation {
public:
    ToolkitTranslation() = default;
    ~ToolkitTranslation();
    ToolkitTranslation(const ToolkitTranslation&) = delete;
    ToolkitTranslation& operator=(const ToolkitTranslation&) = delete;

    void follow(int languageBase);

private:
    std::unique_ptr<QTranslator> translation_;
};

}  // namespace kresbon
