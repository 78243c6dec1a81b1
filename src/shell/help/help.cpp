#include "shell/help/help.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QWidget>
#include <stdexcept>

#include "platform/texts.h"
#include "shell/help/help_window.h"
#include "shell/texts/interface_text.h"

namespace kresbon {

namespace {

QString LanguageFolderName(int languageBase)
{
    return QStringLiteral("KR%1").arg(languageBase == CzechBase ? CzechBase : EnglishBase);
}

// Thrown to the caller, whose error handling shows it in the program's error
// notice: File "<path>" not exist.
[[noreturn]] void ReportMissingHelp(int languageBase)
{
    const QString expected = QDir(HelpRootCandidates().value(0))
                                 .filePath(LanguageFolderName(languageBase) + QStringLiteral("/index.html"));
    const QString message = UiText(languageBase, TextId::FileNotExistHead) + u'"' + QDir::toNativeSeparators(expected) +
                            u'"' + UiText(languageBase, TextId::FileNotExistTail);
    throw std::runtime_error(message.toStdString());
}

// The one help window: kept once made (as a window of the program's main
// window when there is one) and found again among the program's windows.
HelpWindow* ExistingHelpWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* help = qobject_cast<HelpWindow*>(w)) return help;
    return nullptr;
}

// The help window, shown on the language's pages.
HelpWindow* OpenHelpWindow(QWidget* parent, int languageBase)
{
    const QString folder = HelpFolder(languageBase);
    if (folder.isEmpty()) ReportMissingHelp(languageBase);
    HelpWindow* help = ExistingHelpWindow();
    if (!help) help = new HelpWindow(parent ? parent->window() : nullptr);
    help->setLanguage(languageBase == CzechBase ? CzechBase : EnglishBase, folder);
    // Asked for from a modal box, the help must take input above the box;
    // otherwise it stays an ordinary window beside the program's. Asked for
    // from within itself, it stays as it is.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != help) {
        const Qt::WindowModality modality = modal ? Qt::ApplicationModal : Qt::NonModal;
        if (help->windowModality() != modality) {
            help->hide();
            help->setWindowModality(modality);
        }
        // Once that box is closed, the help stays open as an ordinary window.
        if (auto* box = qobject_cast<QDialog*>(modal))
            QObject::connect(
                box, &QDialog::finished, help,
                [help] {
                    if (help->windowModality() == Qt::NonModal) return;
                    const bool shown = help->isVisible();
                    help->hide();
                    help->setWindowModality(Qt::NonModal);
                    if (shown) help->show();
                },
                Qt::SingleShotConnection);
    }
    if (!help->isVisible()) help->placeOver(parent);
    if (help->isMinimized())
        help->showNormal();
    else
        help->show();
    help->raise();
    help->activateWindow();
    return help;
}

}  // namespace

QStringList HelpRootCandidates()
{
    QStringList roots;
    const QString fromEnvironment = qEnvironmentVariable("KRESBON_HELP_DIR");
    if (!fromEnvironment.isEmpty()) roots << QDir::cleanPath(fromEnvironment);
    const QDir exe(QCoreApplication::applicationDirPath());
    roots << QDir::cleanPath(exe.filePath(QStringLiteral("help")));
    roots << QDir::cleanPath(exe.filePath(QStringLiteral("../share/kresbon/help")));
    return roots;
}

QString HelpFolder(int languageBase)
{
    for (const QString& root : HelpRootCandidates()) {
        const QString folder = QDir(root).filePath(LanguageFolderName(languageBase));
        if (QFileInfo(QDir(folder).filePath(QStringLiteral("index.html"))).isFile()) return folder;
    }
    return QString();
}

void ShowHelpContents(QWidget* parent, int languageBase)
{
    OpenHelpWindow(parent, languageBase)->showContents();
}

void ShowHelpSearch(QWidget* parent, int languageBase)
{
    OpenHelpWindow(parent, languageBase)->showSearch(QString());
}

void ShowHelpContext(QWidget* parent, int languageBase, int context)
{
    (void)context;  // every context leads to the default topic
    OpenHelpWindow(parent, languageBase)->showPage(QStringLiteral("index.html"));
}

void ShowHelpPage(QWidget* parent, int languageBase, const QString& page)
{
    OpenHelpWindow(parent, languageBase)->showPage(page);
}

}  // namespace kresbon
