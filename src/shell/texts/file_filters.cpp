#include "shell/texts/file_filters.h"

#include <QRegularExpression>

#include "platform/texts.h"
#include "shell/texts/interface_text.h"

namespace kresbon {

namespace {

// The description without a trailing "(...)" that lists the patterns again.
QString PlainDescription(QString description)
{
    description = description.trimmed();
    if (description.endsWith(QLatin1Char(')'))) {
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open > 0) description = description.left(open).trimmed();
    }
    return description;
}

}  // namespace

QString ScriptFileFilter(int languageBase)
{
    return UiText(languageBase, TextId::ScriptFiles) + QStringLiteral(" (*.krs)|*.krs|") +
           UiText(languageBase, TextId::AllScriptFiles) + QStringLiteral(" (*.*)|*.*");
}

QString PictureFileFilter(int languageBase)
{
    return UiText(languageBase, TextId::BmpFiles) + QStringLiteral(" (*.bmp)|*.bmp|") +
           UiText(languageBase, TextId::JpegFiles) + QStringLiteral(" (*.jpg, *.jpeg)|*.jpg;*.jpeg|") +
           UiText(languageBase, TextId::GifFiles) + QStringLiteral(" (*.gif)|*.gif|") +
           UiText(languageBase, TextId::PngFiles) + QStringLiteral(" (*.png)|*.png|") +
           UiText(languageBase, TextId::SvgFiles) + QStringLiteral(" (*.svg)|*.svg|") +
           UiText(languageBase, TextId::PdfFiles) + QStringLiteral(" (*.pdf)|*.pdf|") +
           UiText(languageBase, TextId::DxfFiles) + QStringLiteral(" (*.dxf)|*.dxf|") +
           UiText(languageBase, TextId::AllPictures) +
           QStringLiteral(" (*.bmp, *.jpg, *.jpeg, *.gif, *.png, *.svg, *.pdf, *.dxf)"
                          "|*.bmp;*.jpg;*.jpeg;*.gif;*.png;*.svg;*.pdf;*.dxf|") +
           UiText(languageBase, TextId::AllPictureFiles) + QStringLiteral(" (*.*)|*.*");
}

QStringList ToNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString pattern = p.trimmed();
            patterns << (pattern == QStringLiteral("*.*") ? QStringLiteral("*") : pattern);
        }
        result << PlainDescription(parts[i]) + QStringLiteral(" (") +
                      patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return result;
}

QString FirstSuffixOf(const QString& nameFilter)
{
    static const QRegularExpression firstPattern(QStringLiteral("\\(\\s*\\*\\.([A-Za-z0-9_]+)[\\s)]"));
    const QRegularExpressionMatch m = firstPattern.match(nameFilter);
    return m.hasMatch() ? m.captured(1) : QString();
}

}  // namespace kresbon
