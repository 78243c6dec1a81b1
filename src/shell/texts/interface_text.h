#pragma once

// texts/: the interface texts as widgets take them, the file dialogs'
// filters, and error messages as the program shows them. Every other folder of the desktop program may use
// it; it uses only the core's string tables.

#include <QString>

#include "platform/texts.h"

namespace kresbon {

// Interface text of the language, ready for a widget.
inline QString UiText(int languageBase, TextId id)
{
    return QString::fromStdString(TextUtf8(languageBase, id));
}

}  // namespace kresbon
