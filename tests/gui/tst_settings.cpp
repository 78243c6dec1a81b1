// The settings file, where it lies, and how numbers in it are read.

#include <QTest>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "shell/app/program_location.h"
#include "shell/settings/settings_file.h"
#include "shell/settings/settings_values.h"
#include "test_support.h"

using namespace kresbon;
using namespace kresbon::testing;

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void missingFileSectionOrKeyReadsEmpty()
    {
        Sandbox box;
        SettingsFile settings(box.path("Kresbon.ini").toStdString());
        QCOMPARE(settings.Read("MainForm", "Left"), std::string());
        box.writeSettings("[MainForm]\nLeft=5\n");
        QCOMPARE(settings.Read("Layers", "Left"), std::string());
        QCOMPARE(settings.Read("MainForm", "Top"), std::string());
    }

    void namesMatchWithoutCaseAndValuesAreTrimmedRawText()
    {
        Sandbox box;
        box.writeSettings("; comment\r\n[mainform]\r\n  LEFT = 12 \r\nName=Courier New\r\n"
                          "Quoted=\"a b\"\r\n[ScriptFont]\r\nLeft=99\r\n");
        SettingsFile settings(box.path("Kresbon.ini").toStdString());
        QCOMPARE(settings.Read("MainForm", "Left"), std::string("12"));
        QCOMPARE(settings.Read("MAINFORM", "name"), std::string("Courier New"));
        QCOMPARE(settings.Read("MainForm", "Quoted"), std::string("\"a b\""));
        QCOMPARE(settings.Read("scriptfont", "left"), std::string("99"));
    }

    void firstOfDuplicateSectionsAndKeysWins()
    {
        Sandbox box;
        box.writeSettings("[A]\nk=1\nk=2\n[A]\nk=3\nj=4\n");
        SettingsFile settings(box.path("Kresbon.ini").toStdString());
        QCOMPARE(settings.Read("A", "k"), std::string("1"));
        // Only the first section of a name is searched.
        QCOMPARE(settings.Read("A", "j"), std::string());
    }

    void writeCreatesFileSectionAndKey()
    {
        Sandbox box;
        SettingsFile settings(box.path("Kresbon.ini").toStdString());
        settings.Write("Print", "Stretch", "4");
        settings.Write("Print", "BitsPerPixel", "4");
        settings.Write("MainForm", "Language", "2000");
        QCOMPARE(box.settings(), std::string("[Print]\nStretch=4\nBitsPerPixel=4\n\n[MainForm]\nLanguage=2000\n"));
    }

    void writeReplacesTheKeyInPlaceAndKeepsTheRest()
    {
        Sandbox box;
        box.writeSettings("[MainForm]\r\nLeft=1\r\nTop=2\r\n\r\n[Layers]\r\nLayer1=0\r\n");
        SettingsFile settings(box.path("Kresbon.ini").toStdString());
        settings.Write("mainform", "left", "30");
        settings.Write("MainForm", "Width", "600");
        QCOMPARE(box.settings(),
                 std::string("[MainForm]\r\nleft=30\r\nTop=2\r\nWidth=600\r\n\r\n[Layers]\r\nLayer1=0\r\n"));
        QCOMPARE(settings.Read("MainForm", "Left"), std::string("30"));
    }

    void readsComeFromTheFileAsFirstReadAndAWriteKeepsAnotherCopysKeys()
    {
        Sandbox box;
        SettingsFile settings(box.path("Kresbon.ini").toStdString());
        settings.Write("MainForm", "Language", "1000");
        // Another copy of the program replaces the file.
        box.writeSettings("[MainForm]\nLanguage=2000\nZoom=3\n");
        QCOMPARE(settings.Read("MainForm", "Language"), std::string("1000"));
        settings.Write("MainForm", "Width", "600");
        QCOMPARE(box.settings(), std::string("[MainForm]\nLanguage=2000\nZoom=3\nWidth=600\n"));
        QCOMPARE(settings.Read("MainForm", "Language"), std::string("2000"));
        QCOMPARE(settings.Read("MainForm", "Zoom"), std::string("3"));
        box.writeSettings("[MainForm]\nLanguage=1000\n");
        settings.Refresh();
        QCOMPARE(settings.Read("MainForm", "Zoom"), std::string());
    }

    void twoCopiesWritingAtOnceLoseNoKey()
    {
        Sandbox box;
        const std::string path = box.path("Kresbon.ini").toStdString();
        constexpr int Keys = 200;
        int start[2];
        QCOMPARE(::pipe(start), 0);
        pid_t copies[2];
        for (int copy = 0; copy < 2; ++copy) {
            copies[copy] = ::fork();
            QVERIFY(copies[copy] >= 0);
            if (copies[copy] == 0) {
                ::close(start[1]);
                char go = 0;
                if (::read(start[0], &go, 1) != 0) ::_exit(3);
                try {
                    SettingsFile settings(path);
                    for (int i = 0; i < Keys; ++i)
                        settings.Write("Copy" + std::to_string(copy), "Key" + std::to_string(i), std::to_string(i));
                } catch (...) {
                    ::_exit(2);
                }
                ::_exit(0);
            }
        }
        ::close(start[0]);
        ::close(start[1]);  // both start now
        for (const pid_t copy : copies) {
            int status = -1;
            QCOMPARE(::waitpid(copy, &status, 0), copy);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        const SettingsFile settings(path);
        int kept = 0;
        for (int copy = 0; copy < 2; ++copy)
            for (int i = 0; i < Keys; ++i)
                kept += settings.Read("Copy" + std::to_string(copy), "Key" + std::to_string(i)) == std::to_string(i);
        QCOMPARE(kept, 2 * Keys);
    }

    void aFileOverTheLimitIsIgnoredAndLeftAloneOneAtTheLimitIsRead()
    {
        Sandbox box;
        const std::string path = box.path("Kresbon.ini").toStdString();
        const std::string head = "[MainForm]\nLanguage=2000\n";
        const std::string tail = "[A]\nk=1\n";
        std::string text = head + std::string(LargestSettingsFile - head.size() - tail.size(), '\n') + tail;
        box.writeSettings(text);
        {
            const SettingsFile settings(path);
            QVERIFY(!settings.ignoredAsTooLarge());
            QCOMPARE(settings.Read("MainForm", "Language"), std::string("2000"));
            QCOMPARE(settings.Read("A", "k"), std::string("1"));
        }

        text += '\n';
        box.writeSettings(text);
        const SettingsFile settings(path);
        QVERIFY(settings.ignoredAsTooLarge());
        QCOMPARE(settings.Read("MainForm", "Language"), std::string());
        try {
            settings.Write("MainForm", "Zoom", "2");
            QFAIL("a settings file over the limit was replaced");
        } catch (const FileError& e) {
            QVERIFY(e.tooLarge());
            QVERIFY(std::string(e.what()).find(path) != std::string::npos);
        }
        QVERIFY(box.settings() == text);
    }

    void writeCreatesTheFolderOfTheFile()
    {
        Sandbox box;
        SettingsFile settings(box.path("config/Kresbon/Kresbon.ini").toStdString());
        settings.Write("MainForm", "Language", "1000");
        QCOMPARE(settings.Read("MainForm", "Language"), std::string("1000"));
    }

    void failedWriteThrowsNamingTheFileAndLeavesNoTemporary()
    {
        Sandbox box;
        box.write("plain", "not a folder");
        const std::string path = box.path("plain/Kresbon.ini").toStdString();
        SettingsFile settings(path);
        try {
            settings.Write("MainForm", "Language", "1000");
            QFAIL("a write into a file as folder must fail");
        } catch (const std::runtime_error& e) {
            QVERIFY(std::string(e.what()).find(path) != std::string::npos);
        }
        QCOMPARE(QDir(box.path(".")).entryList(QDir::Files).size(), 1);
    }

    void integersAreSignedDecimalWithoutBlanks()
    {
        QCOMPARE(ParseSettingInt("42"), std::optional<int>(42));
        QCOMPARE(ParseSettingInt("-2147483640"), std::optional<int>(-2147483640));
        QCOMPARE(ParseSettingInt("+7"), std::optional<int>(7));
        QCOMPARE(ParseSettingInt(""), std::nullopt);
        QCOMPARE(ParseSettingInt("x"), std::nullopt);
        QCOMPARE(ParseSettingInt("12px"), std::nullopt);
        QCOMPARE(ParseSettingInt("1.5"), std::nullopt);
        QCOMPARE(ParseSettingInt("++1"), std::nullopt);
        QCOMPARE(ParseSettingInt("99999999999"), std::nullopt);
    }

    void settingsLieBesideTheProgramWhenThatFolderIsWritable()
    {
        QCOMPARE(ChooseSettingsPath("/opt/kresbon", true, "/x", "/home/u"), QString("/opt/kresbon/Kresbon.ini"));
        QCOMPARE(ChooseSettingsPath("/usr/bin", false, "/home/u/.cfg", "/home/u"),
                 QString("/home/u/.cfg/Kresbon/Kresbon.ini"));
        QCOMPARE(ChooseSettingsPath("/usr/bin", false, "", "/home/u"),
                 QString("/home/u/.config/Kresbon/Kresbon.ini"));
        QCOMPARE(ChooseSettingsPath("/usr/bin", false, "relative", "/home/u"),
                 QString("/home/u/.config/Kresbon/Kresbon.ini"));
    }

    void aReadOnlyProgramFolderSendsTheSettingsToTheUserConfigFolder()
    {
        Sandbox box;
        const QString bin = QDir::cleanPath(box.path("."));
        const auto readOnly = [](const QString&) { return false; };
        QCOMPARE(LocateProgram(bin, readOnly, "/home/u/.cfg", "/home/u").settingsPath,
                 QString("/home/u/.cfg/Kresbon/Kresbon.ini"));
        QCOMPARE(LocateProgram(bin, IsWritableFolder, "/home/u/.cfg", "/home/u").settingsPath,
                 bin + "/Kresbon.ini");
        QVERIFY(!IsWritableFolder(box.path("missing")));
    }

    void settingsWritesNeverDestroyWhatTheyCannotRead()
    {
        Sandbox box;
        // A named pipe in the settings file's place stays a pipe.
        const std::string pipe = box.path("pipe.ini").toStdString();
        QCOMPARE(::mkfifo(pipe.c_str(), 0600), 0);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, SettingsFile(pipe).Write("MainForm", "Zoom", "2"));
        QCOMPARE(SettingsFile(pipe).Read("MainForm", "Zoom"), std::string());
        QVERIFY(std::filesystem::is_fifo(pipe));

        // A link to the settings file is followed and stays a link.
        box.write("real.ini", "[MainForm]\nLanguage=2000\n");
        const std::string link = box.path("link.ini").toStdString();
        std::filesystem::create_symlink("real.ini", link);
        SettingsFile(link).Write("MainForm", "Zoom", "2");
        QVERIFY(std::filesystem::is_symlink(link));
        QCOMPARE(SettingsFile(box.path("real.ini").toStdString()).Read("MainForm", "Language"), std::string("2000"));
        QCOMPARE(SettingsFile(box.path("real.ini").toStdString()).Read("MainForm", "Zoom"), std::string("2"));

        // A file that can be written but not read keeps all its keys.
        if (::geteuid() != 0) {
            const std::string locked = box.path("locked.ini").toStdString();
            box.write("locked.ini", "[MainForm]\nLanguage=2000\n");
            ::chmod(locked.c_str(), 0200);
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, SettingsFile(locked).Write("MainForm", "Zoom", "2"));
            ::chmod(locked.c_str(), 0600);
            QCOMPARE(SettingsFile(locked).Read("MainForm", "Language"), std::string("2000"));
        }
    }

    void programFilesAreFoundBesideTheProgramThenInShare()
    {
        Sandbox box;
        QDir(box.path(".")).mkpath("bin");
        QDir(box.path(".")).mkpath("share/kresbon");
        const QString bin = QDir::cleanPath(box.path("bin"));
        QCOMPARE(FindProgramFile(bin, "demo.krs"), bin + "/demo.krs");
        box.write("share/kresbon/demo.krs", "Point 1, 1");
        QCOMPARE(FindProgramFile(bin, "demo.krs"), QDir::cleanPath(box.path("share/kresbon/demo.krs")));
        box.write("bin/demo.krs", "Point 1, 1");
        QCOMPARE(FindProgramFile(bin, "demo.krs"), bin + "/demo.krs");
    }
};

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
