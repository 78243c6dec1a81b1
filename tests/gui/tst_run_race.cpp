// Every command that touches the drawing, taken while a long run is on the
// worker thread: made while typing, or F5 waiting for it (the command then
// comes from a timer or a drop, as nothing else gets through). The run is
// stopped or waited for before the drawing changes hands; without that the
// worker draws into freed memory. Also built under ThreadSanitizer.

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>

#include "platform/texts.h"
#include "shell/editor/script_editor.h"
#include "shell/texts/interface_text.h"
#include "shell/view/drawing_view.h"
#include "test_support.h"
#include "ui_main_window.h"

using namespace kresbon;
using namespace kresbon::testing;

namespace {

// A chain of procedures that doubles at each step: no run finishes it. The
// drawing is large, so that a freed one is given back to the system and a
// worker still drawing into it faults at once.
QString EndlessScript()
{
    std::string script = "MaximumX = 3000\nMaximumY = 3000\nPoint 1, 1, Red\nProcedure A0\n"
                         "Line 0, 0, 2999, 2999\nLine 2999, 0, 0, 2999\nEnd\n";
    for (int i = 1; i <= 40; ++i)
        script += "Procedure A" + std::to_string(i) + "\nA" + std::to_string(i - 1) + "\nA" +
                  std::to_string(i - 1) + "\nEnd\n";
    return QString::fromStdString(script + "A40\n");
}

const char* const OtherScript = "MaximumX = 30\nMaximumY = 30\nPoint 1, 1, Red\n";

struct Session {
    Sandbox box;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    MainWindow& w() { return *window; }
    QString other() const { return box.path(QStringLiteral("other.krs")); }
    bool endless() { return Editor(*window).text() == EndlessScript(); }
};

enum class During { Typing, F5 };

struct Action {
    const char* name;
    std::function<void(Session&)> act;
    // What holds once everything has settled.
    std::function<bool(Session&, During)> holds;
};

bool Dropped(QWidget* target, const QString& path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

bool OtherShown(Session& s)
{
    const Interpreter& interpreter = s.w().interpreter();
    return s.w().scriptFile() == s.other() && interpreter.canvas().width() == 30 &&
           interpreter.canvas().pixel(1, 1) == Rgb(0xFF0000);
}

std::vector<Action> Actions()
{
    return {
        {"open", [](Session& s) { s.w().openScriptFile(s.other()); },
         [](Session& s, During) { return OtherShown(s); }},
        {"recent", [](Session& s) { s.w().openRecentFile(s.other()); },
         [](Session& s, During) { return OtherShown(s); }},
        {"drop", [](Session& s) { Dropped(Editor(s.w()).viewport(), s.other()); },
         // Nothing is dropped while a command waits for its run.
         [](Session& s, During during) {
             return during == During::F5 ? s.w().scriptFile() != s.other() : OtherShown(s);
         }},
        {"new", [](Session& s) { s.w().newScript(); },
         [](Session& s, During) { return Editor(s.w()).text().isEmpty(); }},
        {"language", [](Session& s) { s.w().switchLanguage(CzechBase); },
         [](Session& s, During) { return s.w().languageBase() == CzechBase; }},
        {"layer box", [](Session& s) { s.w().layerBox(3)->setChecked(false); },
         [](Session& s, During) { return s.w().layerFlag(3) == 0; }},
        {"clear", [](Session& s) { s.w().clearDrawing(); },
         [](Session& s, During) { return s.w().interpreter().canvas().pixel(1, 1) == Rgb(0xFFFFFF); }},
        {"save drawing", [](Session& s) { s.w().saveDrawing(); },
         [](Session& s, During) { return s.box.exists(QStringLiteral("saved.png")); }},
        {"print", [](Session& s) { s.w().printDrawing(); }, [](Session&, During) { return true; }},
        {"print preview", [](Session& s) { s.w().printPreview(); }, [](Session&, During) { return true; }},
        {"click command",
         [](Session& s) {
             s.w().drawingPopup()->findChild<QAction*>(QStringLiteral("PopPoint"))->trigger();
             QTest::mouseClick(s.w().form().IMAGE_VYKRES, Qt::LeftButton, {}, QPoint(3, 3));
         },
         [](Session& s, During during) {
             // The click is input, which waits while F5 runs.
             return during == During::F5 ||
                    Editor(s.w()).text().trimmed().split(QLatin1Char('\n')).last().startsWith(QStringLiteral("Point"));
         }},
        {"close", [](Session& s) { s.w().close(); }, [](Session& s, During) { return !s.w().isVisible(); }},
    };
}

}  // namespace

class RunRaceTest : public QObject {
    Q_OBJECT
private slots:
    void commandsDuringALongRun_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("during");
        const auto actions = Actions();
        for (int i = 0; i < static_cast<int>(actions.size()); ++i) {
            QTest::addRow("%s while typing", actions[i].name) << i << static_cast<int>(During::Typing);
            QTest::addRow("%s during F5", actions[i].name) << i << static_cast<int>(During::F5);
        }
    }

    void commandsDuringALongRun()
    {
        QFETCH(int, index);
        QFETCH(int, during);
        const Action action = Actions()[static_cast<std::size_t>(index)];
        const auto when = static_cast<During>(during);

        Session s;
        s.box.write("demo.krs", "MaximumX = 40\nMaximumY = 40\n");
        s.box.write("other.krs", OtherScript);
        s.window = std::make_unique<MainWindow>(s.box.environment(), s.dialogs);
        s.window->resize(800, 500);
        QVERIFY(Started(s.w()));
        // The guard's question is answered No; a picture is saved here.
        s.dialogs.answers.assign(4, QMessageBox::No);
        s.dialogs.saveNames.push_back(s.box.path(QStringLiteral("saved.png")));
        // Stands in for the user's Stop while a command waits for the endless
        // run, and only for that run.
        QTimer stopper;
        connect(&stopper, &QTimer::timeout, &s.w(), [&s] {
            if (s.endless()) s.w().stopRun();
        });
        stopper.start(300);

        QElapsedTimer clock;
        clock.start();
        if (when == During::Typing) {
            s.w().setLiveRefresh(true);
            Editor(s.w()).setPlainText(EndlessScript());
            QTRY_VERIFY_WITH_TIMEOUT(s.w().runInProgress(), 3000 * SlowBuild);
            action.act(s);
        } else {
            Editor(s.w()).setPlainText(EndlessScript());
            bool acted = false;
            QTimer::singleShot(100, &s.w(), [&] {
                QVERIFY(s.w().runInProgress());
                action.act(s);
                acted = true;
            });
            s.w().refresh();
            QTRY_VERIFY_WITH_TIMEOUT(acted, 3000 * SlowBuild);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!s.w().runs().busy(), 5000 * SlowBuild);
        QTRY_VERIFY2_WITH_TIMEOUT(action.holds(s, when), action.name, 3000 * SlowBuild);
        // Nothing waited for the endless run to end by itself.
        QVERIFY(clock.elapsed() < 8000 * SlowBuild);
    }

    // Closing stops a run made for a command and the window then goes,
    // without a second request and without waiting for the run's end.
    void closingDuringF5StopsTheRunAndCloses()
    {
        Sandbox box;
        FakeDialogs dialogs;
        box.write("demo.krs", "MaximumX = 40\n");
        MainWindow w(box.environment(), dialogs);
        QVERIFY(Started(w));
        QSignalSpy closed(&w, &MainWindow::closed);
        dialogs.answers.push_back(QMessageBox::No);
        Editor(w).setPlainText(EndlessScript());
        QTimer::singleShot(600, &w, [&w] { w.close(); });
        QElapsedTimer clock;
        clock.start();
        w.refresh();
        QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, 3000 * SlowBuild);
        QVERIFY(!w.isVisible());
        QVERIFY(clock.elapsed() < 3000 * SlowBuild);
        QVERIFY(w.runStatusLabel()->text().startsWith(UiText(EnglishBase, TextId::StoppedAtLine)));
    }
};

QTEST_MAIN(RunRaceTest)
#include "tst_run_race.moc"
