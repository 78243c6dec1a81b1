// Help > Examples: each example runs without an error in both languages and
// opens as a new unnamed script, after the unsaved-changes guard; saving it
// asks for a name and never writes over the example.

#include <QFile>
#include <QMenu>
#include <QTest>

#include "platform/texts.h"
#include "shell/document/script_file.h"
#include "shell/editor/script_editor.h"
#include "shell/help/examples.h"
#include "shell/texts/interface_text.h"
#include "test_support.h"

using namespace kresbon;
using namespace kresbon::testing;

namespace {

const QString Resources = QStringLiteral(KRESBON_HELP_SOURCE "/..");

ShellEnvironment WithExamples(const Sandbox& box, const QString& examples = Resources + QStringLiteral("/examples"))
{
    ShellEnvironment environment = box.environment();
    environment.demoScript = Resources + QStringLiteral("/demo.krs");
    environment.examplesFolder = examples;
    return environment;
}

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const Example& Named(const char* file)
{
    for (const Example& example : Examples())
        if (QString::fromLatin1(example.file) == QLatin1String(file)) return example;
    qFatal("no such example");
}

}  // namespace

class ExamplesTest : public QObject {
    Q_OBJECT
private slots:
    void everyExampleRunsWithoutErrorInBothLanguages()
    {
        for (int language : {EnglishBase, CzechBase}) {
            Sandbox box;
            box.writeSettings(QStringLiteral("[MainForm]\nDemoScript=1\nLanguage=%1\n").arg(language).toStdString());
            FakeDialogs dialogs;
            MainWindow w(WithExamples(box), dialogs);
            QVERIFY(Started(w));
            QStringList seen;
            for (const Example& example : Examples()) {
                const QString file =
                    ExampleFile(Resources + QStringLiteral("/examples"), Resources + QStringLiteral("/demo.krs"),
                                language, example);
                const int runs = w.runCount();
                w.openExample(example);
                const QString where = QStringLiteral("%1 in %2").arg(file).arg(language);
                QVERIFY2(dialogs.asked.empty(),
                         qPrintable(where + ": " + (dialogs.asked.empty() ? QString() : dialogs.asked.front().text)));
                QCOMPARE(w.runCount(), runs + 1);
                QCOMPARE(Editor(w).text(), ReadScriptFile(file).text);
                QVERIFY2(w.scriptFile().isEmpty(), qPrintable(where));
                QVERIFY(w.saved());
                seen << Editor(w).text();
            }
            // Each language has texts of its own, not the other's.
            QCOMPARE(seen.size(), int(Examples().size()));
            QVERIFY(seen.at(1).contains(language == CzechBase ? QStringLiteral("čáry") : QStringLiteral("line type")));
            // The menu offers them in the language of the moment.
            emit w.examplesMenu()->aboutToShow();
            QCOMPARE(w.examplesMenu()->actions().size(), int(Examples().size()));
            QCOMPARE(w.examplesMenu()->actions().at(1)->text(), UiText(language, Examples()[1].title));
        }
    }

    void anExamplePassesTheGuardAndIsNeverWrittenOver()
    {
        Sandbox box;
        box.write("mine.krs", "Line 1, 1, 5, 5\n");
        box.writeSettings("[MainForm]\nDemoScript=1\n");
        FakeDialogs dialogs;
        MainWindow w(WithExamples(box), dialogs);
        QVERIFY(Started(w));
        w.openScriptFile(box.path("mine.krs"));
        Type(w, QStringLiteral("Point 2, 2\n"));
        QVERIFY(!w.saved());
        const QString typed = Editor(w).text();

        // Cancel keeps the work; No lets the example in.
        dialogs.answers = {QMessageBox::Cancel};
        w.openExample(Named("circle.krs"));
        QCOMPARE(dialogs.questions().size(), size_t(1));
        QCOMPARE(Editor(w).text(), typed);
        QCOMPARE(w.scriptFile(), box.path("mine.krs"));
        dialogs.answers = {QMessageBox::No};
        w.openExample(Named("circle.krs"));
        QVERIFY(w.scriptFile().isEmpty());
        QVERIFY(Editor(w).text().startsWith(QStringLiteral("% Circle")));
        QCOMPARE(box.read("mine.krs"), std::string("Line 1, 1, 5, 5\n"));

        // Saving asks for a name and writes there only.
        const QString example = Resources + QStringLiteral("/examples/KR1000/circle.krs");
        const QByteArray before = Bytes(example);
        Type(w, QStringLiteral("Point 3, 3\n"));
        dialogs.forget();
        dialogs.saveNames = {box.path("copy.krs")};
        w.saveScript();
        QCOMPARE(dialogs.saveRequests.size(), size_t(1));
        QCOMPARE(w.scriptFile(), box.path("copy.krs"));
        QVERIFY(box.read("copy.krs").find("Point 3, 3") != std::string::npos);
        QCOMPARE(Bytes(example), before);

        // A new script no longer resolves names beside the example.
        w.newScript();
        Type(w, QStringLiteral("@include \"include-frame.krs\"\n"));
        w.refresh();
        QCOMPARE(dialogs.notices().size(), size_t(1));
    }

    void aMissingExampleIsReportedAndChangesNothing()
    {
        Sandbox box;
        box.writeSettings("[MainForm]\nDemoScript=1\n");
        FakeDialogs dialogs;
        MainWindow w(WithExamples(box, box.path("none")), dialogs);
        QVERIFY(Started(w));
        Type(w, QStringLiteral("Line 1, 1, 5, 5\n"));
        const QString typed = Editor(w).text();
        emit w.examplesMenu()->aboutToShow();
        w.examplesMenu()->actions().at(2)->trigger();
        QCOMPARE(dialogs.notices().size(), size_t(1));
        QVERIFY(dialogs.notices().front().text.contains(QStringLiteral("rectangle.krs")));
        QCOMPARE(dialogs.questions().size(), size_t(0));
        QCOMPARE(Editor(w).text(), typed);
        QVERIFY(!w.saved());
    }
};

QTEST_MAIN(ExamplesTest)
#include "tst_examples.moc"
