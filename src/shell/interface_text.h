#pragma once

#include <QString>

#include "platform/texts.h"

namespace kresbon {

// Interface text n of the language, ready for a widget.
inline QString UiText(int languageBase, int n)
{
    return QString::fromStdString(TextUtf8(languageBase, n));
}

}  // namespace kresbon
