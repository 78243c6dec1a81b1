#pragma once

#include <QString>
#include <exception>

#include "platform/texts.h"

namespace kresbon {

// The message of an error as the program shows it. Script errors carry
// Windows-1250 text; other errors carry UTF-8 (a file name as the system
// gave it) or, rarely, bytes that are neither, which are read as Windows-1250.
// A file error speaks the given language.
QString ErrorMessage(const std::exception& error, int languageBase);

}  // namespace kresbon
