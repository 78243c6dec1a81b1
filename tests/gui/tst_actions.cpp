// The action table: every item has its texts in both languages, no key is
// bound twice, each item's help page (and its section) exists in both
// languages and the key table of the help lists every key; the window made
// from the table carries the keys and the menus.

#include <QAction>
#include <QFile>
#include <QMenu>
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
};

QTEST_MAIN(ActionsTest)
#include "tst_actions.moc"
