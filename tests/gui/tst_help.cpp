// The help window and the About dialog: language, reuse, keyword search,
// history and the report of missing pages.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <stdexcept>

#include "platform/texts.h"
#include "shell/dialogs/about_dialog.h"
#include "shell/help/help.h"
#include "shell/help/help_window.h"

using namespace kresbon;

namespace {

QString Caption(int base, int n) { return QString::fromStdString(TextUtf8(base, n)); }

QList<HelpWindow*> HelpWindows()
{
    QList<HelpWindow*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* help = qobject_cast<HelpWindow*>(w)) found << help;
    return found;
}

HelpWindow* TheHelpWindow()
{
    const QList<HelpWindow*> windows = HelpWindows();
    return windows.size() == 1 ? windows.first() : nullptr;
}

QString ShownPage(HelpWindow* help)
{
    const QUrl source = help->browser()->source();
    const QString file = QFileInfo(source.toLocalFile()).fileName();
    return source.hasFragment() ? file + u'#' + source.fragment() : file;
}

QString ShownLanguageFolder(HelpWindow* help)
{
    return QFileInfo(help->browser()->source().toLocalFile()).dir().dirName();
}

QStringList VisibleKeywords(HelpWindow* help)
{
    QStringList shown;
    for (int i = 0; i < help->keywordList()->count(); ++i)
        if (!help->keywordList()->item(i)->isHidden()) shown << help->keywordList()->item(i)->text();
    return shown;
}

}  // namespace

class HelpTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        helpRoot_ = QFINDTESTDATA("../../resources/help");
        QVERIFY2(!helpRoot_.isEmpty(), "the help pages of the source tree are not found");
        qputenv("KRESBON_HELP_DIR", helpRoot_.toUtf8());
    }

    void cleanup()
    {
        qDeleteAll(HelpWindows());
        qputenv("KRESBON_HELP_DIR", helpRoot_.toUtf8());
    }

    void contentsFollowTheLanguageInOneWindow()
    {
        QWidget owner;
        ShowHelpContents(&owner, EnglishBase);
        HelpWindow* help = TheHelpWindow();
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QCOMPARE(ShownPage(help), QStringLiteral("index.html"));
        QCOMPARE(ShownLanguageFolder(help), QStringLiteral("KR1000"));
        QCOMPARE(help->windowTitle(), Caption(EnglishBase, 201) + QStringLiteral(" – Help"));

        ShowHelpContents(&owner, CzechBase);
        QCOMPARE(TheHelpWindow(), help);
        QCOMPARE(ShownLanguageFolder(help), QStringLiteral("KR2000"));
        QCOMPARE(help->windowTitle(), Caption(CzechBase, 201) + QStringLiteral(" – Nápověda"));
        // A page of the other language is not reachable with Back.
        QVERIFY(!help->browser()->isBackwardAvailable());

        ShowHelpContents(&owner, EnglishBase);
        QCOMPARE(TheHelpWindow(), help);
        QCOMPARE(ShownLanguageFolder(help), QStringLiteral("KR1000"));
    }

    void emptySearchListsEveryKeyword()
    {
        ShowHelpSearch(nullptr, CzechBase);
        HelpWindow* help = TheHelpWindow();
        QVERIFY(help);
        const auto keywords = ReadHelpKeywords(helpRoot_ + QStringLiteral("/KR2000/keywords.txt"));
        QVERIFY(keywords.size() > 50);
        QVERIFY(help->keywordEdit()->text().isEmpty());
        QCOMPARE(VisibleKeywords(help).size(), keywords.size());

        // A second search starts empty again, whatever was typed before.
        help->keywordEdit()->setText(QStringLiteral("vrst"));
        QVERIFY(VisibleKeywords(help).size() < keywords.size());
        ShowHelpSearch(nullptr, CzechBase);
        QCOMPARE(VisibleKeywords(help).size(), keywords.size());
    }

    void typedKeywordNarrowsTheListAndOpensItsPage()
    {
        ShowHelpSearch(nullptr, EnglishBase);
        HelpWindow* help = TheHelpWindow();
        QVERIFY(help);
        QTest::keyClicks(help->keywordEdit(), QStringLiteral("dimline"));
        const QStringList shown = VisibleKeywords(help);
        QVERIFY(shown.contains(QStringLiteral("DimLine")));
        QVERIFY(!shown.contains(QStringLiteral("Line")));
        // A word inside a keyword counts too: "types" finds "line types".
        help->keywordEdit()->setText(QStringLiteral("types"));
        QVERIFY(VisibleKeywords(help).contains(QStringLiteral("line types")));

        help->keywordEdit()->setText(QStringLiteral("DimLine"));
        QTest::keyClick(help->keywordEdit(), Qt::Key_Return);
        QCOMPARE(ShownPage(help), QStringLiteral("dimline.html"));
        QVERIFY2(help->windowTitle().endsWith(QStringLiteral(" – DimLine")), qPrintable(help->windowTitle()));

        help->keywordEdit()->setText(QStringLiteral("no such keyword"));
        QVERIFY(VisibleKeywords(help).isEmpty());
        QTest::keyClick(help->keywordEdit(), Qt::Key_Return);
        QCOMPARE(ShownPage(help), QStringLiteral("dimline.html"));
    }

    void defaultTopicAndHistory()
    {
        ShowHelpContents(nullptr, EnglishBase);
        HelpWindow* help = TheHelpWindow();
        QVERIFY(help);
        help->showPage(QStringLiteral("line.html"));
        help->showPage(QStringLiteral("colours.html#default"));
        QCOMPARE(ShownPage(help), QStringLiteral("colours.html#default"));

        ShowHelpContext(nullptr, EnglishBase, 0);
        QCOMPARE(ShownPage(help), QStringLiteral("index.html"));
        help->browser()->backward();
        QCOMPARE(ShownPage(help), QStringLiteral("colours.html#default"));
        help->browser()->backward();
        QCOMPARE(ShownPage(help), QStringLiteral("line.html"));
        help->browser()->forward();
        QCOMPARE(ShownPage(help), QStringLiteral("colours.html#default"));
    }

    void contentsTreeMirrorsTheContentsPage()
    {
        ShowHelpContents(nullptr, EnglishBase);
        HelpWindow* help = TheHelpWindow();
        QVERIFY(help);
        QTreeWidget* tree = help->contentsTree();
        QVERIFY(tree->topLevelItemCount() >= 4);
        int leaves = 0;
        for (QTreeWidgetItemIterator it(tree); *it; ++it) leaves += (*it)->childCount() == 0;
        QVERIFY(leaves >= 40);

        help->showPage(QStringLiteral("circlepart.html"));
        QVERIFY(tree->currentItem());
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("CirclePart"));

        QTreeWidgetItem* first = tree->topLevelItem(0)->child(0);
        tree->scrollToItem(first);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(first).center());
        QCOMPARE(ShownPage(help), QStringLiteral("script.html"));
    }

    void missingPagesAreReportedInTheLanguage()
    {
        QTemporaryDir empty;
        qputenv("KRESBON_HELP_DIR", empty.path().toUtf8());
        for (int base : {EnglishBase, CzechBase}) {
            try {
                ShowHelpContents(nullptr, base);
                QFAIL("no error for missing help pages");
            } catch (const std::runtime_error& error) {
                const QString message = QString::fromUtf8(error.what());
                QVERIFY2(message.startsWith(Caption(base, 328) + u'"'), qPrintable(message));
                QVERIFY2(message.endsWith(u'"' + Caption(base, 329)), qPrintable(message));
                QVERIFY(message.contains(QStringLiteral("/KR%1/index.html").arg(base)));
            }
        }
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, ShowHelpSearch(nullptr, EnglishBase));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, ShowHelpContext(nullptr, EnglishBase));
        QVERIFY(HelpWindows().isEmpty());
    }

    void aboutTextsFollowTheLanguage()
    {
        AboutDialog about;
        QCOMPARE(about.objectName(), QStringLiteral("FormAbou"));
        QCOMPARE(about.size(), QSize(285, 189));
        auto* product = about.findChild<QLabel*>(QStringLiteral("L_PRODUKT"));
        auto* versionTitle = about.findChild<QLabel*>(QStringLiteral("L_VERZE_TITL"));
        auto* version = about.findChild<QLabel*>(QStringLiteral("L_VERZE"));
        auto* ok = about.findChild<QPushButton*>(QStringLiteral("OKButton"));
        QVERIFY(product && versionTitle && version && ok);
        QVERIFY(about.findChild<QLabel*>(QStringLiteral("ProgramIcon")));
        QVERIFY(!version->text().isEmpty() && version->text().front().isDigit());

        for (int base : {CzechBase, EnglishBase, CzechBase}) {
            about.applyTexts(base);
            QCOMPARE(about.windowTitle(), Caption(base, 101));
            QCOMPARE(product->text(), Caption(base, 110));
            QCOMPARE(versionTitle->text(), Caption(base, 102));
            QCOMPARE(ok->text(), Caption(base, 109));
            // The version is never hidden behind its title.
            QVERIFY(version->x() >= versionTitle->x() + versionTitle->fontMetrics().horizontalAdvance(versionTitle->text()));
        }
    }

    void aboutClosesWithEnter()
    {
        AboutDialog about;
        about.applyTexts(EnglishBase);
        QTimer::singleShot(0, &about, [&about] { QTest::keyClick(&about, Qt::Key_Return); });
        QCOMPARE(about.exec(), int(QDialog::Accepted));
    }

    void opensWhollyOnTheOwnersScreenAndClosesWithEsc()
    {
        QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = screen->availableGeometry();
        // An owner in the far corner, from which a help centred over it
        // would reach past the screen's edges.
        QWidget owner;
        owner.setGeometry(area.right() - 150, area.bottom() - 100, 140, 90);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        ShowHelpContents(&owner, EnglishBase);
        HelpWindow* help = TheHelpWindow();
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QCOMPARE(help->screen(), screen);
        QVERIFY2(area.contains(help->frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4").arg(help->x()).arg(help->y()).arg(help->width()).arg(help->height())));

        // Esc closes it from the page and from the keyword search alike.
        QTest::keyClick(help->browser(), Qt::Key_Escape);
        QVERIFY(!help->isVisible());
        ShowHelpSearch(&owner, EnglishBase);
        QVERIFY(help->isVisible());
        QVERIFY(area.contains(help->frameGeometry()));
        QTest::keyClick(help->keywordEdit(), Qt::Key_Escape);
        QVERIFY(!help->isVisible());
    }

private:
    QString helpRoot_;
};

QTEST_MAIN(HelpTest)
#include "tst_help.moc"
