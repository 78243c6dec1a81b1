#pragma once

#include <QString>
#include <QUrl>
#include <QVector>
#include <QWidget>

class QAction;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace kresbon {

// One entry of a language's keyword index: the keyword as shown and the page
// it leads to, "page.html" or "page.html#anchor", relative to the help folder.
struct HelpKeyword {
    QString keyword;
    QString target;
};

// Reads a keyword file: one "keyword<TAB>target" a line; empty lines and
// lines starting with '#' are skipped, as are lines without a tab. A missing
// file gives an empty index.
QVector<HelpKeyword> ReadHelpKeywords(const QString& path);

// The help window: a contents tree and a keyword search on the left, the
// page on the right, with Contents, Back and Forward on its toolbar.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Loads the pages of a language from its folder. Asking again for the
    // language already shown keeps the page and the history.
    void setLanguage(int languageBase, const QString& folder);
    int languageBase() const { return languageBase_; }
    QString folder() const { return folder_; }

    // Puts the window over `owner` (its window), wholly within the available
    // area of the owner's screen, shrunk to it when larger.
    void placeOver(const QWidget* owner);

    void showContents();
    // Shows the keyword search with the keyword typed in; an empty keyword
    // lists every keyword.
    void showSearch(const QString& keyword = QString());
    // Shows a page given relative to the help folder, with or without anchor.
    void showPage(const QString& target);

    QTextBrowser* browser() const { return browser_; }
    QLineEdit* keywordEdit() const { return keywordEdit_; }
    QListWidget* keywordList() const { return keywordList_; }
    QTreeWidget* contentsTree() const { return contentsTree_; }

protected:
    // Esc closes the help, as it closes a dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QToolBar* makeToolbar();
    QWidget* makeSearchPage();
    void connectSignals();
    void buildContentsTree();
    void fillKeywordList();
    void filterKeywords(const QString& typed);
    void openKeywordItem();
    void applyTexts();
    void updateTitle(const QUrl& source);
    void syncContentsTree(const QUrl& source);

    int languageBase_ = 0;
    QString folder_;
    QVector<HelpKeyword> keywords_;

    QAction* contentsAction_ = nullptr;
    QAction* backAction_ = nullptr;
    QAction* forwardAction_ = nullptr;
    QAction* findAction_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QTreeWidget* contentsTree_ = nullptr;
    QLineEdit* keywordEdit_ = nullptr;
    QListWidget* keywordList_ = nullptr;
    QTextBrowser* browser_ = nullptr;
};

}  // namespace kresbon
