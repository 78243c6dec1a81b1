#include "shell/document/script_file.h"

#include "codecs/atomic_file.h"
#include "codecs/file_access.h"
#include "platform/encoding.h"

namespace kresbon {

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";

QString WithNewlines(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

bool FitsWindows1250(const std::string& utf8)
{
    return Cp1250ToUtf8(Utf8ToCp1250(utf8)) == utf8;
}

}  // namespace

ScriptDocument DecodeScriptDocument(std::string_view bytes)
{
    ScriptDocument document;
    if (bytes.starts_with(Utf8Mark)) {
        document.byteOrderMark = true;
        bytes.remove_prefix(Utf8Mark.size());
    }
    if (HasNonAscii(bytes) && !IsValidUtf8(bytes)) {
        document.encoding = ScriptEncoding::Cp1250;
        document.text = WithNewlines(QString::fromStdString(Cp1250ToUtf8(bytes)));
    } else {
        document.encoding = ScriptEncoding::Utf8;
        document.text = WithNewlines(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
    return document;
}

ScriptEncoding SavedEncoding(const ScriptDocument& document)
{
    if (document.encoding == ScriptEncoding::Cp1250 && !FitsWindows1250(document.text.toStdString()))
        return ScriptEncoding::Utf8;
    return document.encoding;
}

std::string EncodeScriptDocument(const ScriptDocument& document)
{
    QString text = document.text;
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    const std::string utf8 = text.toStdString();
    if (SavedEncoding(document) == ScriptEncoding::Cp1250) return Utf8ToCp1250(utf8);
    return document.byteOrderMark ? std::string(Utf8Mark) + utf8 : utf8;
}

ScriptDocument ReadScriptFile(const QString& path)
{
    return DecodeScriptDocument(ReadFileBytes(path.toStdString()));
}

void WriteFileSafely(const QString& path, const std::string& bytes)
{
    AtomicFile file(path.toStdString());
    file.write(bytes.data(), bytes.size());
    file.commit();
}

bool FileCanBeRead(const QString& path)
{
    return !path.isEmpty() && IsReadableRegularFile(path.toStdString());
}

}  // namespace kresbon
