// Script file commands: New, Open, Save, Save as, the question before
// unsaved work is lost, encodings and line ends, the caption and the caret
// readout.

#include <QLabel>
#include "shell/editor/script_editor.h"
#include <QSignalSpy>
#include <QTextBlock>
#include <QTest>

#include "platform/texts.h"
#include "shell/editor/editor_status.h"
#include "shell/document/document_controller.h"
#include "shell/document/script_file.h"
#include "test_support.h"
#include "ui_main_window.h"

using namespace kresbon;
using namespace kresbon::testing;

namespace {

// "Příliš žluťoučký kůň" in Windows-1250.
const std::string CzechCp1250 = "P\xF8\xED\x6C\x69\x9A \x9E\x6C\x75\x9D\x6F\x75\xE8\x6B\xFD \x6B\xF9\xF2";
const QString CzechText = QString::fromUtf8("Příliš žluťoučký kůň");

}  // namespace

class ScriptFilesTest : public QObject {
    Q_OBJECT
private slots:
    // ---- the question before unsaved work is lost

    void newAsksNothingWhileUnchanged()
    {
        Sandbox box;
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        w.newScript();
        QVERIFY(dialogs.asked.empty());
        QVERIFY(w.saved());
    }

    void newAfterTypingAsksAndCancelKeepsEverything()
    {
        Sandbox box;
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        Type(w, "x");
        QVERIFY(!w.saved());
        dialogs.answers = {QMessageBox::Cancel};
        w.newScript();
        QCOMPARE(dialogs.questions().size(), size_t(1));
        const MessageRequest q = dialogs.questions().front();
        QCOMPARE(q.text, QString("Do you want to save changes?"));
        QCOMPARE(q.title, QString("Warning"));
        QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(Editor(w).toPlainText(), QString("x"));
        QVERIFY(!w.saved());
    }

    void newAnsweredNoEmptiesTheEditorAndCountsAsSaved()
    {
        Sandbox box;
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        Type(w, "Point 1, 1");
        w.refresh();
        dialogs.answers = {QMessageBox::No};
        w.newScript();
        QVERIFY(Editor(w).toPlainText().isEmpty());
        QVERIFY(w.saved());
        QCOMPARE(w.windowTitle(), QString("Kresbon"));
        QCOMPARE(w.interpreter().canvas().width(), w.viewWidth() - 10);
    }

    void newAnsweredYesWithoutFileAndSaveCancelledDropsTheCommand()
    {
        Sandbox box;
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        Type(w, "x");
        dialogs.answers = {QMessageBox::Yes};
        dialogs.saveNames = {std::nullopt};
        w.newScript();
        QCOMPARE(Editor(w).toPlainText(), QString("x"));
        QVERIFY(!w.saved());
        QCOMPARE(dialogs.unexpected, 0);
    }

    void newAnsweredYesWithoutFileSavesUnderTheChosenName()
    {
        Sandbox box;
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        Type(w, "a\nb");
        dialogs.answers = {QMessageBox::Yes};
        dialogs.saveNames = {box.path("kept.krs")};
        w.newScript();
        QCOMPARE(box.read("kept.krs"), std::string("a\r\nb"));
        QVERIFY(Editor(w).toPlainText().isEmpty());
        QVERIFY(w.saved());
        // New does not take the saved file as the current one.
        QVERIFY(w.scriptFile().isEmpty());
        QCOMPARE(dialogs.saveRequests.front().defaultSuffix, QString("krs"));
        QCOMPARE(dialogs.saveRequests.front().nameFilters,
                 QStringList({"KRS Files (*.krs)", "All Files (*)"}));
    }

    void saveUnderChosenNameAsksBeforeOverwriting()
    {
        Sandbox box;
        box.write("old.krs", "old");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        Type(w, "new");
        dialogs.answers = {QMessageBox::Yes, QMessageBox::No};
        dialogs.saveNames = {box.path("old.krs")};
        w.newScript();
        QCOMPARE(dialogs.questions().size(), size_t(2));
        const MessageRequest overwrite = dialogs.questions()[1];
        QCOMPARE(overwrite.text, "File \"" + box.path("old.krs") + "\" already exist. Rewrite?");
        QCOMPARE(overwrite.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.read("old.krs"), std::string("old"));
        QCOMPARE(Editor(w).toPlainText(), QString("new"));
        QVERIFY(!w.saved());
    }

    void newWithCurrentFileSavesToItWhenAnsweredYes()
    {
        Sandbox box;
        box.write("demo.krs", "Point 1, 1");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        Type(w, "\nPoint 2, 2");
        dialogs.answers = {QMessageBox::Yes};
        w.newScript();
        const MessageRequest q = dialogs.questions().front();
        QCOMPARE(q.text, "Do you want to save changes to file \"" + box.path("demo.krs") + "\"?");
        QCOMPARE(box.read("demo.krs"), std::string("Point 1, 1\r\nPoint 2, 2"));
        QVERIFY(dialogs.saveRequests.empty());
        QVERIFY(Editor(w).toPlainText().isEmpty());
    }

    void openAnsweredNoThenCancelledKeepsTheUnsavedState()
    {
        Sandbox box;
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        Type(w, "x");
        dialogs.answers = {QMessageBox::No};
        dialogs.openNames = {std::nullopt};
        w.openScript();
        QCOMPARE(Editor(w).toPlainText(), QString("x"));
        QVERIFY(!w.saved());
        // A later command asks again.
        dialogs.answers = {QMessageBox::Cancel};
        w.newScript();
        QCOMPARE(dialogs.questions().size(), size_t(2));
    }

    void openAnsweredYesWithoutFileTakesTheSavedNameEvenWhenOpenIsCancelled()
    {
        Sandbox box;
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        Type(w, "x");
        dialogs.answers = {QMessageBox::Yes};
        dialogs.saveNames = {box.path("first.krs")};
        dialogs.openNames = {std::nullopt};
        w.openScript();
        QCOMPARE(box.read("first.krs"), std::string("x"));
        QCOMPARE(w.scriptFile(), box.path("first.krs"));
        QCOMPARE(w.windowTitle(), QString("Kresbon (first.krs)"));
        QVERIFY(w.saved());
    }

    void openLoadsRunsAndNamesTheFile()
    {
        Sandbox box;
        box.write("drawing.krs", "MaximumX = 60\r\nMaximumY = 30\r\n");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        dialogs.openNames = {box.path("drawing.krs")};
        const int runs = w.runCount();
        w.openScript();
        QCOMPARE(w.runCount(), runs + 1);
        QCOMPARE(w.interpreter().canvas().width(), 60);
        QCOMPARE(Editor(w).toPlainText(), QString("MaximumX = 60\nMaximumY = 30\n"));
        QCOMPARE(w.scriptFile(), box.path("drawing.krs"));
        QCOMPARE(w.windowTitle(), QString("Kresbon (drawing.krs)"));
        QVERIFY(w.saved());
        QCOMPARE(dialogs.openRequests.front().nameFilters.front(), QString("KRS Files (*.krs)"));
    }

    void openFailureChangesNothingAndNamesTheFile()
    {
        Sandbox box;
        box.write("demo.krs", "Point 1, 1");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        dialogs.openNames = {box.path("missing.krs")};
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, w.openScript());
        QCOMPARE(w.scriptFile(), box.path("demo.krs"));
        QCOMPARE(Editor(w).toPlainText(), QString("Point 1, 1"));
        // Chosen from the menu, the error is shown in an error notice.
        dialogs.openNames = {box.path("missing.krs")};
        w.action(QStringLiteral("MnuOpenScr"))->trigger();
        QCOMPARE(dialogs.notices().size(), size_t(1));
        QVERIFY(dialogs.notices().front().text.contains(box.path("missing.krs")));
    }

    // ---- Save and Save as

    void saveWithoutFileIsSaveAs()
    {
        Sandbox box;
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        Type(w, "Point 1, 1\n");
        dialogs.saveNames = {box.path("named.krs")};
        w.saveScript();
        QCOMPARE(box.read("named.krs"), std::string("Point 1, 1\r\n"));
        QCOMPARE(w.scriptFile(), box.path("named.krs"));
        QCOMPARE(w.windowTitle(), QString("Kresbon (named.krs)"));
        QVERIFY(w.saved());
    }

    void saveWithFileWritesWithoutQuestionEvenWhenTheFileIsGone()
    {
        Sandbox box;
        box.write("demo.krs", "% a");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        QFile::remove(box.path("demo.krs"));
        Type(w, "b");
        w.saveScript();
        QVERIFY(dialogs.asked.empty());
        QCOMPARE(box.read("demo.krs"), std::string("% ab"));
        QVERIFY(w.saved());
    }

    void saveAsOntoExistingFileAnsweredNoChangesNothing()
    {
        Sandbox box;
        box.write("demo.krs", "% a");
        box.write("other.krs", "other");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        dialogs.saveNames = {box.path("other.krs")};
        dialogs.answers = {QMessageBox::No};
        w.saveScriptAs();
        QCOMPARE(box.read("other.krs"), std::string("other"));
        QCOMPARE(w.windowTitle(), QString("Kresbon (demo.krs)"));
        dialogs.saveNames = {box.path("other.krs")};
        dialogs.answers = {QMessageBox::Yes};
        w.saveScriptAs();
        QCOMPARE(box.read("other.krs"), std::string("% a"));
        QCOMPARE(w.windowTitle(), QString("Kresbon (other.krs)"));
    }

    void failedSaveKeepsStateAndNamesTheFile()
    {
        Sandbox box;
        box.write("demo.krs", "% a");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        Type(w, "b");
        dialogs.saveNames = {box.path("no/such/folder/x.krs")};
        w.action(QStringLiteral("MnuSaveScrAs"))->trigger();
        QCOMPARE(dialogs.notices().size(), size_t(1));
        QVERIFY(dialogs.notices().front().text.contains(box.path("no/such/folder/x.krs")));
        QVERIFY(!w.saved());
        QCOMPARE(w.scriptFile(), box.path("demo.krs"));
        QCOMPARE(box.read("demo.krs"), std::string("% a"));
    }

    void failedWriteLeavesTheOldFile()
    {
        Sandbox box;
        box.write("kept.krs", "old text");
        QDir(box.path(".")).mkdir("folder.krs");
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, WriteFileSafely(box.path("folder.krs"), "new"));
        WriteFileSafely(box.path("kept.krs"), "new text");
        QCOMPARE(box.read("kept.krs"), std::string("new text"));
        QCOMPARE(QDir(box.path(".")).entryList(QDir::Files).size(), 1);
    }

    // ---- closing

    void closingAsksOnlyWithUnsavedChanges()
    {
        Sandbox box;
        FakeDialogs dialogs;
        {
            MainWindow w(box.environment(), dialogs);
            QVERIFY(Started(w));
            QVERIFY(w.close());
            QVERIFY(dialogs.asked.empty());
        }
        struct Case {
            std::vector<QMessageBox::StandardButton> answers;
            std::optional<QString> saveName;
            bool closes;
        };
        const Case cases[] = {
            {{QMessageBox::Cancel}, std::nullopt, false},
            {{QMessageBox::No}, std::nullopt, true},
            {{QMessageBox::Yes}, std::nullopt, false},
            {{QMessageBox::Yes}, box.path("closing.krs"), true},
        };
        for (const Case& c : cases) {
            FakeDialogs d;
            MainWindow w(box.environment(), d);
            QVERIFY(Started(w));
            Type(w, "x");
            d.answers.assign(c.answers.begin(), c.answers.end());
            if (c.answers.front() == QMessageBox::Yes) d.saveNames = {c.saveName};
            QSignalSpy closed(&w, &MainWindow::closed);
            QCOMPARE(w.close(), c.closes);
            QCOMPARE(closed.count(), c.closes ? 1 : 0);
            QCOMPARE(w.isVisible(), !c.closes);
            QCOMPARE(d.unexpected, 0);
        }
        QCOMPARE(box.read("closing.krs"), std::string("x"));
    }

    void closingStaysOpenWhenSavingFails()
    {
        Sandbox box;
        box.write("demo.krs", "% a");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        Type(w, "b");
        QFile::remove(box.path("demo.krs"));
        QDir(box.path(".")).mkdir("demo.krs");
        dialogs.answers = {QMessageBox::Yes};
        QSignalSpy closed(&w, &MainWindow::closed);
        QVERIFY(!w.close());
        QCOMPARE(closed.count(), 0);
        QCOMPARE(dialogs.notices().size(), size_t(1));
        QVERIFY(!w.saved());
    }

    // ---- the editor font

    void fontDialogWritesTheFontAtOnce()
    {
        Sandbox box;
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        dialogs.font = QFont("DejaVu Sans Mono", 15);
        w.chooseEditorFont();
        QCOMPARE(Editor(w).font().family(), QString("DejaVu Sans Mono"));
        SettingsFile settings(box.path("Kresbon.ini").toStdString());
        QCOMPARE(settings.Read("ScriptFont", "Name"), std::string("DejaVu Sans Mono"));
        QCOMPARE(settings.Read("ScriptFont", "Size"), std::string("15"));
        QCOMPARE(settings.Read("ScriptFont", "Height"), std::to_string(-((15 * w.logicalDpiY() + 36) / 72)));
        QCOMPARE(settings.Read("ScriptFont", "Pitch"), std::string("fpFixed"));
        QCOMPARE(settings.Read("ScriptFont", "Charset"), std::string("1"));

        dialogs.font.reset();
        box.writeSettings("");
        w.chooseEditorFont();
        QCOMPARE(box.settings(), std::string());
    }

    // ---- encodings and line ends

    void windows1250FileRoundTrips()
    {
        const std::string bytes = CzechCp1250 + "\r\n% \x80 euro\r\n";
        const ScriptDocument d = DecodeScriptDocument(bytes);
        QCOMPARE(d.encoding, ScriptEncoding::Cp1250);
        QCOMPARE(d.text, CzechText + QString::fromUtf8("\n% € euro\n"));
        QCOMPARE(EncodeScriptDocument(d), bytes);
    }

    void utf8FilesRoundTripWithAndWithoutMark()
    {
        for (const std::string mark : {std::string(), std::string("\xEF\xBB\xBF")}) {
            const std::string bytes = mark + CzechText.toStdString() + "\r\nText 1, 1, \"Ω\"";
            const ScriptDocument d = DecodeScriptDocument(bytes);
            QCOMPARE(d.encoding, ScriptEncoding::Utf8);
            QCOMPARE(d.byteOrderMark, !mark.empty());
            QCOMPARE(EncodeScriptDocument(d), bytes);
        }
    }

    void lineEndsAreWrittenAsCarriageReturnLineFeed()
    {
        const ScriptDocument d = DecodeScriptDocument("a\nb\rc\r\nd");
        QCOMPARE(d.text, QString("a\nb\nc\nd"));
        QCOMPARE(EncodeScriptDocument(d), std::string("a\r\nb\r\nc\r\nd"));
        QCOMPARE(EncodeScriptDocument(DecodeScriptDocument("a\n")), std::string("a\r\n"));
        QCOMPARE(DecodeScriptDocument("plain ascii").encoding, ScriptEncoding::Utf8);
    }

    void windows1250DocumentWithForeignCharactersIsSavedAsUtf8()
    {
        ScriptDocument d = DecodeScriptDocument(CzechCp1250);
        d.text += QString::fromUtf8(" ∑");
        QCOMPARE(SavedEncoding(d), ScriptEncoding::Utf8);
        QCOMPARE(EncodeScriptDocument(d), (CzechText + QString::fromUtf8(" ∑")).toStdString());
    }

    void windowSavesInTheEncodingTheFileWasReadIn()
    {
        Sandbox box;
        box.write("demo.krs", CzechCp1250);
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        QCOMPARE(Editor(w).toPlainText(), CzechText);
        // The interpreter reads Windows-1250 lines.
        const ScriptLines lines = EditorLines(Editor(w));
        QCOMPARE(lines.size(), std::size_t{1});
        QCOMPARE(std::string(lines[0]), std::string(CzechCp1250));
        Type(w, QString::fromUtf8("\n% čeština"));
        w.saveScript();
        QCOMPARE(box.read("demo.krs"), CzechCp1250 + "\r\n% \xE8" "e\x9A" "tina");

        // A new script is written as UTF-8.
        w.newScript();
        Type(w, QString::fromUtf8("% čeština"));
        dialogs.saveNames = {box.path("new.krs")};
        w.saveScript();
        QCOMPARE(box.read("new.krs"), std::string("% čeština"));
    }

    void editorKeepsNoBreakSpaces()
    {
        Sandbox box;
        box.write("demo.krs", "% a\xC2\xA0" "b");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        w.saveScript();
        QCOMPARE(box.read("demo.krs"), std::string("% a\xC2\xA0" "b"));
    }

    // ---- caption and caret

    void captionRule()
    {
        QCOMPARE(WindowCaption(EnglishBase, ""), QString("Kresbon"));
        QCOMPARE(WindowCaption(EnglishBase, "   "), QString("Kresbon"));
        QCOMPARE(WindowCaption(EnglishBase, "/home/u/demo.krs"), QString("Kresbon (demo.krs)"));
        QCOMPARE(WindowCaption(CzechBase, "/home/u/demo.krs"), QString("Kresbon (demo.krs)"));
        QCOMPARE(WindowCaption(EnglishBase, "/home/u/"), QString("Kresbon"));
        QCOMPARE(WindowCaption(EnglishBase, "/home/u/  "), QString("Kresbon"));
        QCOMPARE(WindowCaption(EnglishBase, "demo.krs"), QString("Kresbon"));
    }

    void caretReadout()
    {
        Sandbox box;
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QCOMPARE(w.form().L_POZICE->text(), QString("1:1"));
        Editor(w).setPlainText("first\nsecond\nthird line");
        Editor(w).setCursorPosition(2, 4);
        QCOMPARE(w.form().L_POZICE->text(), QString("3:5"));
        // With a selection the readout names its start.
        Editor(w).setSelection(2, 1, 1, 2);
        QCOMPARE(w.form().L_POZICE->text(), QString("2:3"));
    }

    void selectEditorLine()
    {
        ScriptEditor editor;
        editor.setPlainText("a\nbb\nccc");
        const auto caret = [&editor] { return editor.SendScintilla(QsciScintilla::SCI_GETCURRENTPOS); };
        SelectEditorLine(editor, 3);
        QCOMPARE(caret(), 5);
        SelectEditorLine(editor, 4);
        QCOMPARE(caret(), 5);
        SelectEditorLine(editor, 0);
        QCOMPARE(caret(), 5);
        SelectEditorLine(editor, 2);
        QCOMPARE(caret(), 2);
    }
};

QTEST_MAIN(ScriptFilesTest)
#include "tst_script_files.moc"
