#pragma once

// help/: the program's on-line help: finding the pages of a language, the
// help window with its contents, keyword index and search, and the help
// requests of the window (HelpKeys), F1 on a word of the language in the
// editor and in modal boxes too.

#include <QString>
#include <QStringList>

class QWidget;

namespace kresbon {

// The program's on-line help: HTML pages per language in help/KR1000/
// (English) and help/KR2000/ (Czech), shown in one help window that is kept
// and reused. Every request names the language afresh, so the help always
// follows the language of the interface. When the pages of the language are
// missing, each request throws std::runtime_error with the localized message
// (UTF-8) and shows nothing; the program's error notice reports it.

// Opens the help window on the contents page of the language.
void ShowHelpContents(QWidget* parent, int languageBase);

// Opens the help window on its keyword search with an empty keyword, which
// lists every keyword.
void ShowHelpSearch(QWidget* parent, int languageBase);

// Opens the help window on the topic of a help context number. Context 0 is
// the default topic, the contents page; it is what F1 asks for. No other
// context numbers are defined, and an unknown one also gives the default topic.
void ShowHelpContext(QWidget* parent, int languageBase, int context = 0);

// Opens the help window on a page of the language's help folder
// ("line.html", "dimline.html#kinds").
void ShowHelpPage(QWidget* parent, int languageBase, const QString& page);

// Folders searched for the help pages, in order: the folder named by the
// environment variable KRESBON_HELP_DIR (for running from a source tree),
// "help" beside the executable, then ../share/kresbon/help (installed layout).
QStringList HelpRootCandidates();

// The folder of the language's pages ("<root>/KR1000"), the first candidate
// that holds an index.html; empty when none does.
QString HelpFolder(int languageBase);

}  // namespace kresbon
