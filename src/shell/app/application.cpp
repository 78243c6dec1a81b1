#include "shell/app/application.h"

#include <cstdio>

#include "shell/texts/error_text.h"
#include "shell/texts/interface_text.h"

namespace kresbon {

KresbonApplication::KresbonApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool KresbonApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        report(ErrorMessage(error, EnglishBase));
    } catch (...) {
        // The hook knows the language the message is to be shown in.
        report(QString());
    }
    return false;
}

void KresbonApplication::report(const QString& message)
{
    if (hook_)
        hook_(message);
    else
        std::fprintf(stderr, "kresbon: %s\n",
                     (message.isEmpty() ? UiText(SystemLanguageBase(), TextId::UnknownError) : message)
                         .toLocal8Bit()
                         .constData());
}

}  // namespace kresbon
