// Times the editing loop in the desktop program's own window: a key typed
// into a 10,000-line script, refresh while typing on the demo, and a zoom
// change on a 4000x4000 drawing. With --shots FOLDER it also photographs
// the screen (run it under Xvfb) in the states worth looking at.
//
//   editing_bench DEMO.krs [--shots FOLDER]
// prints, in ms: keystroke median and 99th percentile as this thread's CPU
// time, the same as wall time; live refresh median (wall time from the key
// to the new drawing painted, the 300 ms pause included); zoom change
// median and worst as CPU time, the same as wall time; the procedure scan
// of the 10,000-line script that follows a pause in typing.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <vector>

#include "shell/view/drawing_view.h"
#include "shell/app/main_window.h"
#include "shell/editor/script_editor.h"
#include "bench_window.h"
#include "shell/dialogs/user_dialogs.h"
#include "ui_main_window.h"

using namespace kresbon;
using kresbon::bench::BenchWindow;
using kresbon::bench::Percentile;
using kresbon::bench::TimedToPaint;
using kresbon::bench::Wait;

namespace {

// CPU time of this thread in ms: on a shared machine it leaves out the
// time other processes hold the cores.
double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

QString LongScript()
{
    QString script = QStringLiteral("PixelsPerUnit = 1\nMaximumX = 400\nMaximumY = 400\n");
    for (int i = 0; script.count(QLatin1Char('\n')) < 10000; ++i) {
        script += QStringLiteral("Line %1, 1, %2, 300, DashDot, 1, NavyBlue  % a line\n").arg(i % 390).arg(i % 350);
        if (i % 50 == 0)
            script += QStringLiteral("Procedure P%1 #x, #y\nText #x, #y, \"P%1\", 0,0,0,0, DefaultFontName\nEnd\n").arg(i);
    }
    return script;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: editing_bench DEMO.krs [--shots FOLDER]\n");
        return 2;
    }
    const QString demo = args.at(1);
    const qsizetype shotsAt = args.indexOf(QStringLiteral("--shots"));
    const QString shots = shotsAt > 0 && shotsAt + 1 < args.size() ? args.at(shotsAt + 1) : QString();
    auto shoot = [&shots](const char* name) {
        if (shots.isEmpty()) return;
        Wait(300);
        QProcess::execute(QStringLiteral("import"),
                          {QStringLiteral("-window"), QStringLiteral("root"), shots + QLatin1Char('/') + QLatin1String(name)});
    };

    BenchWindow bench;
    if (!bench.open(QFileInfo(demo).absoluteFilePath(), QFileInfo(demo).absolutePath())) return 1;
    MainWindow& window = bench.window();
    ScriptEditor& editor = *window.form().MEMO_SCRIPT;
    DrawingView& view = *window.form().IMAGE_VYKRES;
    QScrollArea& box = *window.form().ScrollBox_VYKRES;

    // Screenshots of the demo: colours, a fold, an error note, a call tip.
    shoot("editor-colours.png");
    const int holeLine = static_cast<int>(editor.text().left(editor.text().indexOf(QStringLiteral("Procedure Hole"))).count(QLatin1Char('\n')));
    editor.foldLine(holeLine);
    shoot("editor-fold.png");
    editor.foldLine(holeLine);
    const QString demoText = editor.text();
    editor.setFocus();
    editor.setCursorPosition(holeLine + 2, 0);
    editor.insert(QStringLiteral("Circle #x, #y, #r, Solid, 1, Bleu\n"));
    window.refresh();
    shoot("editor-error.png");
    editor.setPlainText(demoText);
    window.refresh();
    editor.setFocus();
    editor.setCursorPosition(holeLine + 4, 0);
    editor.insert(QStringLiteral("\n"));
    QTest::keyClicks(&editor, QStringLiteral("Line 10, 20, 30, "));
    shoot("editor-calltip.png");
    editor.setPlainText(demoText);
    window.refresh();
    window.setDrawingZoom(16);
    box.horizontalScrollBar()->setValue(16 * 150);
    box.verticalScrollBar()->setValue(16 * 80);
    shoot("drawing-16x.png");
    window.setDrawingZoom(1);

    // Keystrokes in a 10,000-line script, each painted before the next.
    editor.setPlainText(LongScript());
    editor.setFocus();
    editor.setCursorPosition(5000, 10);
    editor.ensureLineVisible(5000);
    editor.viewport()->repaint();
    std::vector<double> keys;
    std::vector<double> keysCpu;
    QElapsedTimer clock;
    for (int i = 0; i < 400; ++i) {
        clock.start();
        const double cpu = ThreadCpuMs();
        QTest::keyClick(&editor, i % 2 == 0 ? Qt::Key_A : Qt::Key_Backspace);
        editor.viewport()->repaint();
        keysCpu.push_back(ThreadCpuMs() - cpu);
        keys.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (i % 40 == 39) QCoreApplication::processEvents();
    }
    clock.start();
    editor.refreshProcedures();
    const double scan = static_cast<double>(clock.nsecsElapsed()) / 1e6;

    // Refresh while typing on the demo: from the key to the new drawing.
    editor.setPlainText(demoText);
    window.refresh();
    window.setLiveRefresh(true);
    std::vector<double> live;
    for (int i = 0; i < 5; ++i) {
        editor.setCursorPosition(0, 2);
        live.push_back(TimedToPaint(view, &window, &MainWindow::liveRunShown, [&] {
            QTest::keyClick(&editor, i % 2 == 0 ? Qt::Key_X : Qt::Key_Backspace);
        }));
        Wait(100);
    }
    window.setLiveRefresh(false);

    // Zoom changes on a 4000x4000 drawing, each painted.
    editor.setPlainText(QStringLiteral("PixelsPerUnit = 1\nMaximumX = 4000\nMaximumY = 4000\n"
                                       "FillArea 5, 5, DiagCross, Teal\nCircle 2000, 2000, 1500, Solid, 3, Red\n"));
    window.refresh();
    std::vector<double> zooms;
    std::vector<double> zoomsCpu;
    const double factors[] = {2, 16, 32, 8, 1, 0.5, 0.25, 0.125, 1, 3, 1, 0.125, 4, 1};
    for (int round = 0; round < 3; ++round)
        for (double f : factors) {
            clock.start();
            const double cpu = ThreadCpuMs();
            window.setDrawingZoom(f);
            box.viewport()->repaint();
            zoomsCpu.push_back(ThreadCpuMs() - cpu);
            zooms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            if (qEnvironmentVariableIsSet("KRESBON_BENCH_VERBOSE")) std::fprintf(stderr, "zoom %g: %.1f ms\n", f, zooms.back());
        }

    std::printf("%.2f %.2f %.2f %.2f %.1f %.1f %.1f %.1f %.1f %.1f\n", Percentile(keysCpu, 0.5),
                Percentile(keysCpu, 0.99), Percentile(keys, 0.5), Percentile(keys, 0.99), Percentile(live, 0.5),
                Percentile(zoomsCpu, 0.5), Percentile(zoomsCpu, 1.0), Percentile(zooms, 0.5),
                Percentile(zooms, 1.0), scan);
    window.close();
    return 0;
}
