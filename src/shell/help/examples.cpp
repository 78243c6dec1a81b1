#include "shell/help/examples.h"

#include <QDir>

#include "platform/texts.h"

namespace kresbon {

namespace {

constexpr Example List[] = {
    {"demo.krs", TextId::ExampleDemo},
    {"line.krs", TextId::ExampleLine},
    {"rectangle.krs", TextId::ExampleRectangle},
    {"circle.krs", TextId::ExampleCircle},
    {"ellipse.krs", TextId::ExampleEllipse},
    {"circlepart.krs", TextId::ExampleCirclePart},
    {"fillarea.krs", TextId::ExampleFillArea},
    {"dimline.krs", TextId::ExampleDimLine},
    {"text.krs", TextId::ExampleText},
    {"picture.krs", TextId::ExamplePicture},
    {"procedures.krs", TextId::ExampleProcedures},
    {"layers.krs", TextId::ExampleLayers},
    {"include.krs", TextId::ExampleInclude},
};

}  // namespace

std::span<const Example> Examples()
{
    return List;
}

QString ExampleFile(const QString& examplesFolder, const QString& demoScript, int languageBase,
                    const Example& example)
{
    const bool czech = languageBase == CzechBase;
    if (!czech && example.title == TextId::ExampleDemo) return demoScript;
    return QDir(examplesFolder).filePath(QStringLiteral("KR%1/%2").arg(czech ? CzechBase : EnglishBase).arg(
        QString::fromLatin1(example.file)));
}

}  // namespace kresbon
