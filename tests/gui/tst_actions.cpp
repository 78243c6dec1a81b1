// The action table: every item has its texts in both languages, no key is
// bound twice, each item's help page (and its section) exists in both
// languages and the key table of the help lists every key; the window made
// from the table carries the keys and the menus.

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTest>

#include "platform/texts.h"
#include "shell/app/action_table.h"
#include "test_support.h"
#include "ui_main_window.h"

using namespace kresbon;
using namespace kresbon::testing;

namespace {

constexpr int Languages[] = {EnglishBase, CzechBase};

QString HelpFile(int languageBase, const QString& page)
{
    QFile file(QStringLiteral(KRESBON_HELP_SOURCE "/KR%1/%2").arg(languageBase).arg(page));
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(file.readAll());
}

// The accelerator letter of an item's text, lower case; none for "&&".
QChar Accelerator(const QString& text)
{
    for (qsizetype at = text.indexOf(QLatin1Char('&')); at >= 0 && at + 1 < text.size();
         at = text.indexOf(QLatin1Char('&'), at + 2))
        if (text[at + 1] != QLatin1Char('&')) return text[at + 1].toLower();
    return {};
}

// The menus of the menu bar and their submenus.
void CollectMenus(const QList<QAction*>& items, QList<QList<QAction*>>& into)
{
    into.append(items);
    for (QAction* item : items)
        if (item->menu()) CollectMenus(item->menu()->actions(), into);
}

QStringList Keys(const ActionRow& row)
{
    return QString::fromUtf8(row.keys).split(QStringLiteral("; "), Qt::SkipEmptyParts);
}

}  // namespace

class ActionsTest : public QObject {
    Q_OBJECT
private slots:
    void everyRowHasItsTextsAndHelpInBothLanguages()
    {
        for (const ActionRow& row : ActionRows()) {
            for (int language : Languages) {
                QVERIFY2(!TextUtf8(language, row.text).empty(), row.name);
                if (row.popupText) QVERIFY2(!TextUtf8(language, *row.popupText).empty(), row.name);
                if (row.hint) QVERIFY2(!TextUtf8(language, *row.hint).empty(), row.name);
                const QString help = QString::fromLatin1(row.help);
                const QString page = help.section(QLatin1Char('#'), 0, 0);
                const QString section = help.section(QLatin1Char('#'), 1);
                const QString text = HelpFile(language, page);
                QVERIFY2(!text.isEmpty(), qPrintable(help));
                if (!section.isEmpty())
                    QVERIFY2(text.contains(QStringLiteral("id=\"%1\"").arg(section)), qPrintable(help));
            }
        }
    }

    void noKeyIsBoundTwiceAndTheHelpListsEach()
    {
        QSet<QString> bound;
        for (const ActionRow& row : ActionRows()) {
            for (const QString& key : Keys(row)) {
                const QString normal = QKeySequence::fromString(key, QKeySequence::PortableText).toString();
                QVERIFY2(!normal.isEmpty(), qPrintable(key));
                QVERIFY2(!bound.contains(normal), qPrintable(key));
                bound.insert(normal);
                for (int language : Languages) {
                    const QString page = HelpFile(language, QStringLiteral("menus.html"));
                    const QString keyTable = page.section(QStringLiteral("id=\"keys\""), 1).section(QStringLiteral("</table>"), 0, 0);
                    QVERIFY2(keyTable.contains(QStringLiteral("<b>%1</b>").arg(key)), qPrintable(key));
                }
            }
        }
    }

    void theWindowIsMadeFromTheTable()
    {
        Sandbox box;
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        for (const ActionRow& row : ActionRows()) {
            if (row.submenu != Place::Nowhere) continue;
            QAction* action = w.action(QString::fromLatin1(row.name));
            QVERIFY2(action, row.name);
            QStringList keys;
            for (const QKeySequence& key : action->shortcuts()) keys << key.toString(QKeySequence::PortableText);
            QCOMPARE(keys, Keys(row));
        }
        // The script menu in table order, with the recent scripts.
        QStringList names;
        for (QAction* item : w.form().MnuScript->actions())
            if (!item->isSeparator()) names << item->objectName();
        QCOMPARE(names, QStringList({"MnuNew", "MnuOpenScr", "MnuRecent", "MnuSaveScr", "MnuSaveScrAs", "MnuFont",
                                     "MnuWatchFiles", "MnuKonec"}));
    }

    void theEditMenuStandsBetweenScriptAndDrawingAndNoAcceleratorClashes()
    {
        Sandbox box;
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QStringList bar;
        for (QAction* item : w.menuBar()->actions()) bar << item->menu()->objectName();
        QCOMPARE(bar, QStringList({"MnuScript", "MnuEdit", "MnuVykres", "MnuAbout"}));
        const QStringList common{"MnuUndo", "MnuRedo", "MnuCut",      "MnuCopy",         "MnuPaste",
                                 "MnuSelectAll", "MnuFind", "MnuReplace", "MnuFindNext", "MnuFindPrevious",
                                 "MnuGoToLine"};
        QStringList edit;
        for (QAction* item : w.form().MnuEdit->actions())
            if (!item->isSeparator()) edit << item->objectName();
        QCOMPARE(edit, common + QStringList({"MnuToggleComment", "MnuErrorSource"}));
        // The popup holds the same items, not copies of them.
        for (const QString& name : common) QVERIFY2(w.editorPopup()->actions().contains(w.action(name)), qPrintable(name));

        for (int language : Languages) {
            w.switchLanguage(language);
            QList<QList<QAction*>> menus;
            CollectMenus(w.menuBar()->actions(), menus);
            for (const QList<QAction*>& menu : menus) {
                QSet<QChar> letters;
                for (QAction* item : menu) {
                    const QChar letter = Accelerator(item->text());
                    if (letter.isNull()) continue;
                    QVERIFY2(!letters.contains(letter), qPrintable(item->text()));
                    letters.insert(letter);
                }
            }
        }
        // The help's own search is not named as the script's Find.
        QCOMPARE(w.action("MnuNapHledat")->text(), QString("Prohledat &nápovědu..."));
        w.switchLanguage(EnglishBase);
        QCOMPARE(w.action("MnuNapHledat")->text(), QString("&Search help..."));
    }
};

QTEST_MAIN(ActionsTest)
#include "tst_actions.moc"
