#include "shell/texts/toolkit_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>

#include "platform/texts.h"

namespace kresbon {

ToolkitTranslation::~ToolkitTranslation()
{
    if (translation_) QCoreApplication::removeTranslator(translation_.get());
}

void ToolkitTranslation::follow(int languageBase)
{
    if (translation_) QCoreApplication::removeTranslator(translation_.get());
    translation_.reset();
    if (languageBase != CzechBase) return;
    auto translation = std::make_unique<QTranslator>();
    if (translation->load(QStringLiteral("qtbase_cs"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translation.get());
        translation_ = std::move(translation);
    }
}

}  // namespace kresbon
