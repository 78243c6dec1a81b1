#include "shell/texts/error_text.h"

#include "codecs/file_access.h"
#include "platform/encoding.h"
#include "platform/vyjimka.h"

namespace kresbon {

QString ErrorMessage(const std::exception& error, int languageBase)
{
    if (const auto* fileError = dynamic_cast<const FileError*>(&error))
        return QString::fromStdString(fileError->message(languageBase));
    const std::string_view message = error.what();
    if (dynamic_cast<const vyjimka*>(&error) != nullptr || !IsValidUtf8(message))
        return QString::fromStdString(Cp1250ToUtf8(message));
    return QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()));
}

}  // namespace kresbon
