#pragma once

#include <QString>

#include "platform/texts.h"

namespace kresbon {

// Interface text of the language, ready for a widget.
inline QString UiText(int languageBase, TextId id)
{
    return QString::fromStdString(TextUtf8(languageBase, id));
}

}  // namespace kresbon
