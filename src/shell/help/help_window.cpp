#include "shell/help/help_window.h"

#include <QAction>
#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocumentFragment>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/texts.h"
#include "shell/texts/interface_text.h"

namespace kresbon {

namespace {

constexpr int TargetRole = Qt::UserRole;

// Interface texts used by the help window.
constexpr TextId TextHelp = TextId::MenuHelp;
constexpr TextId TextContents = TextId::MenuContents;
constexpr TextId TextFind = TextId::MenuFind;

// A menu caption without its accelerator marks: "&Content" -> "Content",
// "&&" stays as one "&".
QString WithoutAccelerator(const QString& caption)
{
    QString plain;
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
        plain += caption[i];
    }
    return plain;
}

QString PlainText(const QString& html)
{
    return QTextDocumentFragment::fromHtml(html).toPlainText().simplified();
}

QString FileNameOf(const QUrl& url)
{
    return QFileInfo(url.toLocalFile()).fileName();
}

// A keyword matches what was typed when it, or one of its words, starts with
// the typed text, without regard to case.
bool KeywordMatches(const QString& keyword, const QString& typed)
{
    if (typed.isEmpty() || keyword.startsWith(typed, Qt::CaseInsensitive)) return true;
    static const QRegularExpression wordBreak(QStringLiteral("[\\s\\-(/,]+"));
    const QStringList words = keyword.split(wordBreak, Qt::SkipEmptyParts);
    return std::any_of(words.begin(), words.end(), [&](const QString& w) {
        return w.startsWith(typed, Qt::CaseInsensitive);
    });
}

QLocale LocaleOf(int languageBase)
{
    return languageBase == CzechBase ? QLocale(QLocale::Czech, QLocale::Czechia)
                                     : QLocale(QLocale::English, QLocale::UnitedKingdom);
}

}  // namespace

QVector<HelpKeyword> ReadHelpKeywords(const QString& path)
{
    QVector<HelpKeyword> keywords;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return keywords;
    const QString text = QString::fromUtf8(file.readAll());
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        const qsizetype tab = raw.indexOf(u'\t');
        if (line.isEmpty() || line.startsWith(u'#') || tab < 0) continue;
        HelpKeyword entry{raw.left(tab).trimmed(), raw.mid(tab + 1).trimmed()};
        if (!entry.keyword.isEmpty() && !entry.target.isEmpty()) keywords.push_back(entry);
    }
    return keywords;
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(860, 600);

    contentsTree_ = new QTreeWidget;
    contentsTree_->setHeaderHidden(true);
    tabs_ = new QTabWidget;
    tabs_->addTab(contentsTree_, QString());
    tabs_->addTab(makeSearchPage(), QString());
    browser_ = new QTextBrowser;
    browser_->setOpenExternalLinks(true);

    auto* splitter = new QSplitter;
    splitter->addWidget(tabs_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({270, 590});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makeToolbar());
    layout->addWidget(splitter);
    connectSignals();
}

void HelpWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::placeOver(const QWidget* owner)
{
    const QWidget* over = owner ? owner->window() : nullptr;
    QScreen* screen = over && over->screen() ? over->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    // The frame the window manager adds: known once the window has been
    // shown, else room for a title bar is left.
    QMargins frame(geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
                   frameGeometry().right() - geometry().right(), frameGeometry().bottom() - geometry().bottom());
    if (frame.isNull()) {
        const int edge = 4;
        frame = QMargins(edge, style()->pixelMetric(QStyle::PM_TitleBarHeight) + edge, edge, edge);
    }
    const QRect room = area.marginsRemoved(frame);
    const QSize size = this->size().boundedTo(room.size());
    QRect placed(QPoint(), size);
    placed.moveCenter(over ? over->frameGeometry().center() : area.center());
    placed.moveLeft(std::clamp(placed.left(), room.left(), room.right() + 1 - size.width()));
    placed.moveTop(std::clamp(placed.top(), room.top(), room.bottom() + 1 - size.height()));
    setGeometry(placed);
}

QToolBar* HelpWindow::makeToolbar()
{
    auto* toolbar = new QToolBar;
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    contentsAction_ = toolbar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QString());
    backAction_ = toolbar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QString());
    forwardAction_ = toolbar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QString());
    toolbar->addSeparator();
    findAction_ = toolbar->addAction(style()->standardIcon(QStyle::SP_FileDialogContentsView), QString());
    backAction_->setShortcut(QKeySequence::Back);
    forwardAction_->setShortcut(QKeySequence::Forward);
    backAction_->setEnabled(false);
    forwardAction_->setEnabled(false);
    return toolbar;
}

QWidget* HelpWindow::makeSearchPage()
{
    keywordEdit_ = new QLineEdit;
    keywordEdit_->setClearButtonEnabled(true);
    keywordList_ = new QListWidget;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(keywordEdit_);
    layout->addWidget(keywordList_);
    return page;
}

void HelpWindow::connectSignals()
{
    connect(contentsAction_, &QAction::triggered, this, &HelpWindow::showContents);
    connect(backAction_, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forwardAction_, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(findAction_, &QAction::triggered, this, [this] { showSearch(keywordEdit_->text()); });
    connect(browser_, &QTextBrowser::backwardAvailable, backAction_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forwardAction_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl& source) {
        updateTitle(source);
        syncContentsTree(source);
    });
    const auto openTreeItem = [this](QTreeWidgetItem* item) {
        const QString target = item->data(0, TargetRole).toString();
        if (!target.isEmpty()) showPage(target);
    };
    connect(contentsTree_, &QTreeWidget::itemClicked, this, openTreeItem);
    connect(contentsTree_, &QTreeWidget::itemActivated, this, openTreeItem);
    connect(keywordEdit_, &QLineEdit::textChanged, this, &HelpWindow::filterKeywords);
    connect(keywordEdit_, &QLineEdit::returnPressed, this, &HelpWindow::openKeywordItem);
    connect(keywordList_, &QListWidget::itemClicked, this, &HelpWindow::openKeywordItem);
    connect(keywordList_, &QListWidget::itemActivated, this, &HelpWindow::openKeywordItem);
}

void HelpWindow::setLanguage(int languageBase, const QString& folder)
{
    if (languageBase == languageBase_ && folder == folder_) return;
    languageBase_ = languageBase;
    folder_ = folder;
    keywords_ = ReadHelpKeywords(QDir(folder_).filePath(QStringLiteral("keywords.txt")));
    browser_->setSearchPaths({folder_});
    applyTexts();
    buildContentsTree();
    fillKeywordList();
    browser_->setSource(QUrl::fromLocalFile(QDir(folder_).filePath(QStringLiteral("index.html"))));
    // A page of the other language must not be reachable with Back.
    browser_->clearHistory();
    updateTitle(browser_->source());
}

void HelpWindow::showContents()
{
    tabs_->setCurrentIndex(0);
    showPage(QStringLiteral("index.html"));
}

void HelpWindow::showSearch(const QString& keyword)
{
    tabs_->setCurrentIndex(1);
    if (keywordEdit_->text() == keyword)
        filterKeywords(keyword);
    else
        keywordEdit_->setText(keyword);
    keywordEdit_->setFocus();
    keywordEdit_->selectAll();
}

void HelpWindow::showPage(const QString& target)
{
    const qsizetype hash = target.indexOf(u'#');
    QUrl url = QUrl::fromLocalFile(QDir(folder_).filePath(hash < 0 ? target : target.left(hash)));
    if (hash >= 0) url.setFragment(target.mid(hash + 1));
    if (url == browser_->source())
        browser_->scrollToAnchor(url.fragment());
    else
        browser_->setSource(url);
}

void HelpWindow::applyTexts()
{
    const QString contents = WithoutAccelerator(UiText(languageBase_, TextContents));
    const QString find = WithoutAccelerator(UiText(languageBase_, TextFind));
    contentsAction_->setText(contents);
    findAction_->setText(find);
    tabs_->setTabText(0, contents);
    tabs_->setTabText(1, find);
}

void HelpWindow::updateTitle(const QUrl& source)
{
    QString title = UiText(languageBase_, TextId::HelpWindowTitle) + QStringLiteral(" – ") +
                    WithoutAccelerator(UiText(languageBase_, TextHelp));
    const QString page = browser_->documentTitle().simplified();
    const bool contentsPage = FileNameOf(source) == QStringLiteral("index.html");
    if (!page.isEmpty() && !contentsPage) title += QStringLiteral(" – ") + page;
    setWindowTitle(title);
}

// The contents tree mirrors the contents page: each <h2> heading becomes a
// branch and the page links that follow it become its leaves.
void HelpWindow::buildContentsTree()
{
    contentsTree_->clear();
    QFile file(QDir(folder_).filePath(QStringLiteral("index.html")));
    if (!file.open(QIODevice::ReadOnly)) return;
    const QString html = QString::fromUtf8(file.readAll());
    static const QRegularExpression token(
        QStringLiteral("<h2[^>]*>(.*?)</h2>|<a\\s+href=\"([^\":#]+\\.html)(#[^\"]*)?\"[^>]*>(.*?)</a>"),
        QRegularExpression::DotMatchesEverythingOption | QRegularExpression::CaseInsensitiveOption);
    QTreeWidgetItem* branch = nullptr;
    for (auto it = token.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (!m.captured(1).isEmpty()) {
            branch = new QTreeWidgetItem(contentsTree_, {PlainText(m.captured(1))});
            branch->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
            continue;
        }
        const QString title = PlainText(m.captured(4));
        auto* leaf = branch ? new QTreeWidgetItem(branch, {title})
                            : new QTreeWidgetItem(contentsTree_, {title});
        leaf->setData(0, TargetRole, m.captured(2) + m.captured(3));
        leaf->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
    }
    contentsTree_->expandAll();
}

void HelpWindow::fillKeywordList()
{
    QCollator collator(LocaleOf(languageBase_));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    QVector<HelpKeyword> sorted = keywords_;
    std::stable_sort(sorted.begin(), sorted.end(), [&](const HelpKeyword& a, const HelpKeyword& b) {
        return collator.compare(a.keyword, b.keyword) < 0;
    });
    keywordList_->clear();
    for (const HelpKeyword& k : sorted) {
        auto* item = new QListWidgetItem(k.keyword, keywordList_);
        item->setData(TargetRole, k.target);
    }
    filterKeywords(keywordEdit_->text());
}

void HelpWindow::filterKeywords(const QString& typed)
{
    const QString key = typed.trimmed();
    QListWidgetItem* first = nullptr;
    for (int i = 0; i < keywordList_->count(); ++i) {
        QListWidgetItem* item = keywordList_->item(i);
        const bool shown = KeywordMatches(item->text(), key);
        item->setHidden(!shown);
        if (shown && !first) first = item;
    }
    keywordList_->setCurrentItem(first);
    if (first) keywordList_->scrollToItem(first);
}

void HelpWindow::openKeywordItem()
{
    const QListWidgetItem* item = keywordList_->currentItem();
    if (item && !item->isHidden()) showPage(item->data(TargetRole).toString());
}

void HelpWindow::syncContentsTree(const QUrl& source)
{
    const QString page = FileNameOf(source);
    for (QTreeWidgetItemIterator it(contentsTree_); *it; ++it) {
        const QString target = (*it)->data(0, TargetRole).toString();
        if (!target.isEmpty() && target.section(u'#', 0, 0) == page) {
            contentsTree_->setCurrentItem(*it);
            return;
        }
    }
    contentsTree_->setCurrentItem(nullptr);
}

}  // namespace kresbon
