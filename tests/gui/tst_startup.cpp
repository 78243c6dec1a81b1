// Start-up, first activation and closing of the main window, with and
// without a settings file.

#include <QCheckBox>
#include <QElapsedTimer>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <QFontDatabase>
#include <QLabel>
#include "shell/editor/script_editor.h"
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>

#include "platform/texts.h"
#include "test_support.h"
#include "ui_main_window.h"

using namespace kresbon;
using namespace kresbon::testing;

namespace {

const std::string Demo = "PixelsPerUnit = 1\r\nMaximumX = 50\r\nMaximumY = 40\r\nLine 1, 1, 20, 20\r\n";

bool AllLayersShown(MainWindow& w)
{
    for (int layer = 1; layer <= 9; ++layer)
        if (!w.layerBox(layer)->isChecked() || !w.layerItem(layer)->isChecked() || w.layerFlag(layer) != 1)
            return false;
    return true;
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartWithoutSettingsFile()
    {
        Sandbox box;
        box.write("demo.krs", Demo);
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);

        // Before the window is shown: language, geometry, print defaults.
        QCOMPARE(w.languageBase(), EnglishBase);
        QCOMPARE(w.size(), QSize(533, 335));
        QCOMPARE(w.pos(), QPoint(10, 10));
        QCOMPARE(box.settings(), std::string("[Print]\nStretch=4\nBitsPerPixel=4\n"));
        QCOMPARE(w.colourDepth(), 4);
        QCOMPARE(w.printStretch(), 4);
        QCOMPARE(w.windowTitle(), QString("Kresbon"));
        QVERIFY(w.form().L_SOURADNICE->text().isEmpty());
        QCOMPARE(w.scriptFont().font.family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
        QVERIFY(!w.layerRefreshOn());

        QVERIFY(Started(w));
        QVERIFY(AllLayersShown(w));
        QCOMPARE(w.form().MEMO_SCRIPT->toPlainText(), QString::fromStdString("PixelsPerUnit = 1\nMaximumX = 50\nMaximumY = 40\nLine 1, 1, 20, 20\n"));
        QCOMPARE(w.scriptFile(), box.path("demo.krs"));
        QCOMPARE(w.windowTitle(), QString("Kresbon (demo.krs)"));
        QVERIFY(w.saved());
        QCOMPARE(w.runCount(), 1);
        QCOMPARE(w.interpreter().canvas().width(), 50);
        QVERIFY(w.layerRefreshOn());
        QVERIFY(w.caretToErrorOn());
        QCOMPARE(w.form().P_SCRIPT->width(), 160);
        QCOMPARE(dialogs.asked.size(), size_t(0));

        QSignalSpy closed(&w, &MainWindow::closed);
        QVERIFY(w.close());
        QCOMPARE(closed.count(), 1);
        SettingsFile settings(box.path("Kresbon.ini").toStdString());
        QCOMPARE(settings.Read("MainForm", "Width"), std::string("533"));
        QCOMPARE(settings.Read("MainForm", "Height"), std::string("335"));
        QCOMPARE(settings.Read("MainForm", "Left"), std::string("10"));
        QCOMPARE(settings.Read("MainForm", "Top"), std::string("10"));
        QCOMPARE(settings.Read("MainForm", "Splitter"), std::string("160"));
        QCOMPARE(settings.Read("MainForm", "DemoScript"), std::string("1"));
        QCOMPARE(settings.Read("MainForm", "Language"), std::string());
        for (int layer = 1; layer <= 9; ++layer)
            QCOMPARE(settings.Read("Layers", "Layer" + std::to_string(layer)), std::string("1"));
        QCOMPARE(settings.Read("ScriptFont", "Charset"), std::string("1"));
        QCOMPARE(settings.Read("ScriptFont", "Color"), std::string("-2147483640"));
        QCOMPARE(settings.Read("ScriptFont", "Pitch"), std::string("fpDefault"));
        QCOMPARE(settings.Read("ScriptFont", "Name"), w.scriptFont().font.family().toStdString());
        QVERIFY(ParseSettingIntOk(settings.Read("ScriptFont", "Size")));
        QVERIFY(settings.Read("ScriptFont", "Height").starts_with('-'));
    }

    void secondStartDoesNotLoadTheDemoAgain()
    {
        Sandbox box;
        box.write("demo.krs", Demo);
        FakeDialogs dialogs;
        {
            MainWindow first(box.environment(), dialogs);
            QVERIFY(Started(first));
            first.close();
        }
        MainWindow second(box.environment(), dialogs);
        QVERIFY(Started(second));
        QVERIFY(second.form().MEMO_SCRIPT->toPlainText().isEmpty());
        QCOMPARE(second.runCount(), 0);
        QCOMPARE(second.windowTitle(), QString("Kresbon"));
        // The drawing is the empty default: the view less a margin of 10.
        QCOMPARE(second.interpreter().canvas().width(), second.viewWidth() - 10);
    }

    void demoIsLoadedUntilTheSettingSaysExactlyOne()
    {
        Sandbox box;
        box.write("demo.krs", Demo);
        box.writeSettings("[MainForm]\nDemoScript=yes\n");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        QCOMPARE(w.scriptFile(), box.path("demo.krs"));
    }

    void languageFromSettingOrSystem()
    {
        struct Case {
            const char* locale;
            const char* setting;
            int expected;
        };
        const Case cases[] = {
            {"cs_CZ.UTF-8", nullptr, CzechBase}, {"sk_SK", nullptr, CzechBase},
            {"de_DE.UTF-8", nullptr, EnglishBase}, {"cs_CZ.UTF-8", "1000", EnglishBase},
            {"C", "2000", CzechBase},             {"cs_CZ.UTF-8", "abc", CzechBase},
            {"C", "abc", EnglishBase},
        };
        for (const Case& c : cases) {
            SystemLanguage system(c.locale);
            Sandbox box;
            if (c.setting) box.writeSettings(std::string("[MainForm]\nLanguage=") + c.setting + "\n");
            FakeDialogs dialogs;
            MainWindow w(box.environment(), dialogs);
            QCOMPARE(w.languageBase(), c.expected);
            QCOMPARE(w.action(QStringLiteral("MnuNew"))->text(), QString::fromStdString(TextUtf8(c.expected, 204)));
            // The choice is not written back.
            SettingsFile settings(box.path("Kresbon.ini").toStdString());
            QCOMPARE(settings.Read("MainForm", "Language"), std::string(c.setting ? c.setting : ""));
        }
    }

    void windowGeometryFallbacks()
    {
        Sandbox box;
        box.writeSettings("[MainForm]\nWidth=640\nHeight=x\nLeft=\nTop=abc\nSplitter=220\n");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QCOMPARE(w.size(), QSize(640, 335));
        QCOMPARE(w.pos(), QPoint(10, 110));
        QVERIFY(Started(w));
        QCOMPARE(w.form().P_SCRIPT->width(), 220);
    }

    void invalidPrintSettingsAreWrittenBack()
    {
        for (const char* stretch : {"0", "11", "x", ""}) {
            Sandbox box;
            box.writeSettings(std::string("[Print]\nStretch=") + stretch + "\nBitsPerPixel=15\n");
            FakeDialogs dialogs;
            MainWindow w(box.environment(), dialogs);
            QCOMPARE(w.printStretch(), 4);
            QCOMPARE(w.colourDepth(), 4);
            QCOMPARE(box.settings(), std::string("[Print]\nStretch=4\nBitsPerPixel=4\n"));
        }
        Sandbox box;
        const std::string valid = "[Print]\nStretch=7\nBitsPerPixel=24\n";
        box.writeSettings(valid);
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QCOMPARE(w.printStretch(), 7);
        QCOMPARE(w.colourDepth(), 24);
        QCOMPARE(box.settings(), valid);
        QVERIFY(Started(w));
        QCOMPARE(w.interpreter().canvas().depth(), 24);
    }

    void layersFromSettings()
    {
        Sandbox box;
        box.write("demo.krs", Demo);
        box.writeSettings("[Layers]\nLayer3=\nLayer5=0\nLayer7=no\nLayer9= 0 \n");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        for (int layer = 1; layer <= 9; ++layer) {
            const bool shown = layer != 5 && layer != 9;
            QCOMPARE(w.layerBox(layer)->isChecked(), shown);
            QCOMPARE(w.layerItem(layer)->isChecked(), shown);
            QCOMPARE(w.layerFlag(layer), shown ? 1 : 0);
        }
        // Ticking the boxes at the first activation refreshes nothing.
        QCOMPARE(w.runCount(), 1);
        w.close();
        SettingsFile settings(box.path("Kresbon.ini").toStdString());
        QCOMPARE(settings.Read("Layers", "Layer3"), std::string("1"));
        QCOMPARE(settings.Read("Layers", "Layer5"), std::string("0"));
        QCOMPARE(settings.Read("Layers", "Layer9"), std::string("0"));
    }

    void scriptFontFromSettings()
    {
        Sandbox box;
        box.writeSettings("[ScriptFont]\nCharset=238\nColor=255\nHeight=-30\nName=DejaVu Serif\nSize=14\n"
                          "Pitch=fpFixed\n");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        const ScriptFont& f = w.scriptFont();
        QCOMPARE(f.charset, 238);
        QCOMPARE(f.font.family(), QString("DejaVu Serif"));
        // Size comes after Height and decides.
        QCOMPARE(f.font.pointSize(), 14);
        QCOMPARE(f.pitch, QString("fpFixed"));
        QCOMPARE(w.form().MEMO_SCRIPT->font().family(), QString("DejaVu Serif"));
        // 255 is 0x0000FF in blue-green-red order: red.
        QCOMPARE(w.form().MEMO_SCRIPT->palette().color(QPalette::Text), QColor(255, 0, 0));
        w.show();
        w.close();
        SettingsFile settings(box.path("Kresbon.ini").toStdString());
        QCOMPARE(settings.Read("ScriptFont", "Charset"), std::string("238"));
        QCOMPARE(settings.Read("ScriptFont", "Color"), std::string("255"));
        QCOMPARE(settings.Read("ScriptFont", "Size"), std::string("14"));
        QCOMPARE(settings.Read("ScriptFont", "Pitch"), std::string("fpFixed"));
    }

    void scriptFontInvalidValuesLeaveTheDesign()
    {
        Sandbox box;
        box.writeSettings("[ScriptFont]\nCharset=x\nColor=\nHeight=-30\nSize=big\nPitch=fpfixed\n");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        const ScriptFont& f = w.scriptFont();
        QCOMPARE(f.charset, 1);
        QCOMPARE(f.color, ScriptFont::WindowTextColour);
        QCOMPARE(f.pitch, QString("fpDefault"));
        // Without a valid Size the height sets the size.
        QCOMPARE(f.font.pixelSize(), 30);
    }

    void commandLineScriptOverridesTheDemo()
    {
        Sandbox box;
        box.write("demo.krs", Demo);
        box.write("mine.krs", "MaximumX = 30\nMaximumY = 20\n");
        FakeDialogs dialogs;
        MainWindow w(box.environment({box.path("mine.krs")}), dialogs);
        QVERIFY(Started(w));
        QCOMPARE(w.scriptFile(), box.path("mine.krs"));
        QCOMPARE(w.windowTitle(), QString("Kresbon (mine.krs)"));
        QCOMPARE(w.interpreter().canvas().width(), 30);
    }

    void missingCommandLineScriptLeavesAnEmptyEditor()
    {
        Sandbox box;
        box.write("demo.krs", Demo);
        FakeDialogs dialogs;
        MainWindow w(box.environment({box.path("gone.krs")}), dialogs);
        QVERIFY(Started(w));
        QVERIFY(w.form().MEMO_SCRIPT->toPlainText().isEmpty());
        QVERIFY(w.scriptFile().isEmpty());
        QCOMPARE(w.runCount(), 0);
        QVERIFY(dialogs.asked.empty());
    }

    void errorInTheFirstRunDoesNotMoveTheCaret()
    {
        Sandbox box;
        box.write("demo.krs", "Point 1, 1\nFoo 2\nPoint 3, 3\n");
        FakeDialogs dialogs;
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        QCOMPARE(dialogs.notices().size(), size_t(1));
        const MessageRequest notice = dialogs.notices().front();
        QCOMPARE(notice.title, QString("Error"));
        QVERIFY(notice.text.startsWith("Line 2: \r"));
        QVERIFY(notice.text.contains("Command \"Foo\" is unappropriated."));
        QVERIFY(notice.text.endsWith("\r(Foo 2)"));
        QCOMPARE(w.form().MEMO_SCRIPT->SendScintilla(QsciScintilla::SCI_GETCURRENTPOS), 0);
        QVERIFY(w.caretToErrorOn());
        QVERIFY(!w.interpreter().drawingValid());

        // The next run moves the caret to the failing line.
        w.refresh();
        QCOMPARE(w.form().L_POZICE->text(), QString("2:1"));
        int line = -1;
        int index = -1;
        w.form().MEMO_SCRIPT->getCursorPosition(&line, &index);
        QCOMPARE(line, 1);
    }

    void unwritableSettingsFile()
    {
        Sandbox box;
        box.write("plain", "a file where a folder should be");
        ShellEnvironment environment = box.environment();
        environment.settingsPath = box.path("plain/Kresbon.ini");
        FakeDialogs dialogs;
        MainWindow w(environment, dialogs);
        QCOMPARE(w.printStretch(), 4);
        QVERIFY(Started(w));
        QVERIFY(dialogs.asked.empty());
        QSignalSpy closed(&w, &MainWindow::closed);
        QVERIFY(w.close());
        QCOMPARE(closed.count(), 1);
        // Only the editor font's group reports its failure.
        QCOMPARE(dialogs.notices().size(), size_t(1));
        QVERIFY(dialogs.notices().front().text.contains("plain/Kresbon.ini"));
    }

    void aHugeSettingsFileIsIgnoredWithAWarningAndLeftAsItIs()
    {
        Sandbox box;
        box.write("demo.krs", Demo);
        // 100 MB (a sparse file: its size alone has it refused).
        const std::string path = box.path("Kresbon.ini").toStdString();
        const std::string head = "[MainForm]\nLanguage=2000\n";
        box.writeSettings(head);
        QCOMPARE(::truncate(path.c_str(), 100'000'000), 0);
        for (const int language : {EnglishBase, CzechBase}) {
            const SystemLanguage locale(language == CzechBase ? "cs_CZ.UTF-8" : "C");
            QElapsedTimer timer;
            timer.start();
            FakeDialogs dialogs;
            MainWindow w(box.environment(), dialogs);
            QVERIFY(Started(w));
            QVERIFY(timer.elapsed() < 20000);
            QCOMPARE(w.languageBase(), language);
            QCOMPARE(w.runCount(), 1);
            QCOMPARE(dialogs.notices().size(), size_t(1));
            const QString text = dialogs.notices().front().text;
            QVERIFY(text.contains(u'"' + box.path("Kresbon.ini") + u'"'));
            QVERIFY(text.contains(QStringLiteral("1 MiB")));
            QVERIFY(text.startsWith(language == CzechBase ? QStringLiteral("Soubor nastavení")
                                                          : QStringLiteral("The settings file")));
            QVERIFY(w.close());
            // Closing writes nothing, and says nothing more.
            QCOMPARE(dialogs.notices().size(), size_t(1));
        }
        struct stat s {};
        QCOMPARE(::stat(path.c_str(), &s), 0);
        QCOMPARE(s.st_size, off_t{100'000'000});
        std::string start(head.size(), '\0');
        std::ifstream(path, std::ios::binary).read(start.data(), static_cast<std::streamsize>(start.size()));
        QCOMPARE(start, head);
    }

private:
    static bool ParseSettingIntOk(const std::string& value)
    {
        return !value.empty() && value.find_first_not_of("-0123456789") == std::string::npos;
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
