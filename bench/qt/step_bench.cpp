// Times the step mode in the desktop program's own window: a step forward
// and back, and a caret move, from the key to the step's drawing painted.
//
//   step_bench DEMO.krs [LINES]      (LINES default 100000)
// prints, in ms (wall time, median and longest): on the demo, the first
// drawing after turning the mode on, steps forward over every drawing line,
// steps back over them and caret moves; on a LINES-line script (2000x2000,
// lines, circles, rectangles, procedure calls, comments) the first drawing
// near its end, 20 steps forward and 20 back from there, and the longest
// time the window was held while the step mode was built for it, against
// the time the editor alone holds it when the text is set.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "bench_window.h"
#include "shell/app/main_window.h"
#include "shell/editor/script_editor.h"
#include "shell/step/step_mode.h"
#include "shell/view/drawing_view.h"
#include "ui_main_window.h"

using namespace kresbon;
using kresbon::bench::BenchWindow;
using kresbon::bench::Percentile;
using kresbon::bench::TimedToPaint;
using kresbon::bench::Wait;

namespace {

struct Figure {
    double median = 0;
    double longest = 0;
};

Figure Summary(const std::vector<double>& times)
{
    return {Percentile(times, 0.5), Percentile(times, 1.0)};
}

// Does what, then waits for the step mode to show its answer and the view to
// paint it: the time a person waits.
double Timed(MainWindow& w, const std::function<void()>& what)
{
    return TimedToPaint(*w.form().IMAGE_VYKRES, &w.stepMode(), &StepMode::stepShown, what,
                        [&w] { return w.stepMode().settled(); });
}

void Print(const char* what, const Figure& f)
{
    std::printf("%-44s median %8.2f ms   longest %8.2f ms\n", what, f.median, f.longest);
}

QString LongScript(int count)
{
    std::mt19937 random(2026);
    const auto c = [&](int limit) { return QString::number(std::uniform_int_distribution<int>(0, limit)(random)); };
    QStringList lines{QStringLiteral("MaximumX = 2000"), QStringLiteral("MaximumY = 2000"),
                      QStringLiteral("Procedure Hole #x, #y"), QStringLiteral("Circle #x, #y, 8, Solid, 1, Red"),
                      QStringLiteral("Line #x-10, #y, #x+10, #y, DashDot, 1, Blue"), QStringLiteral("End")};
    while (lines.size() < count) {
        switch (lines.size() % 10) {
        case 0: lines << QStringLiteral("Hole %1, %2").arg(c(2000), c(2000)); break;
        case 1: lines << QStringLiteral("Circle %1, %2, %3, Solid, 1, Green").arg(c(2000), c(2000), c(100)); break;
        case 2: lines << QStringLiteral("Rectangle %1, %2, %3, %4").arg(c(2000), c(2000), c(2000), c(2000)); break;
        case 3: lines << QStringLiteral("% a comment"); break;
        default:
            lines << QStringLiteral("Line %1, %2, %3, %4, Solid, 1, Black").arg(c(2000), c(2000), c(2000), c(2000));
            break;
        }
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: step_bench DEMO.krs [LINES]\n");
        return 2;
    }
    const int count = argc > 2 ? std::max(100, std::atoi(argv[2])) : 100000;

    BenchWindow bench;
    if (!bench.open(QString::fromLocal8Bit(argv[1]))) return 1;
    MainWindow& w = bench.window();
    ScriptEditor& editor = *w.form().MEMO_SCRIPT;
    QAction* toggle = w.action(QStringLiteral("MnuDrawToCaret"));
    QAction* next = w.action(QStringLiteral("MnuStepNext"));
    QAction* previous = w.action(QStringLiteral("MnuStepPrevious"));

    // The demo.
    editor.setCursorPosition(0, 0);
    Print("demo: first drawing after turning on", Summary({Timed(w, [&] { toggle->trigger(); })}));
    std::vector<double> forward;
    std::vector<double> back;
    int steps = 0;
    for (int line = -1; steps < 500;) {
        forward.push_back(Timed(w, [&] { next->trigger(); }));
        int at = 0;
        int index = 0;
        editor.getCursorPosition(&at, &index);
        if (at == line) break;
        line = at;
        ++steps;
    }
    for (int k = 0; k < steps; ++k) back.push_back(Timed(w, [&] { previous->trigger(); }));
    std::printf("demo: %d drawing lines\n", steps);
    Print("demo: step to the next drawing line", Summary(forward));
    Print("demo: step to the previous drawing line", Summary(back));
    std::vector<double> moves;
    std::mt19937 random(7);
    for (int k = 0; k < 40; ++k) {
        const int line = std::uniform_int_distribution<int>(0, editor.lines() - 1)(random);
        moves.push_back(Timed(w, [&] { editor.setCursorPosition(line, 0); }));
    }
    Print("demo: caret moved to another line", Summary(moves));

    // The long script, the caret near its end. The text is set with the
    // mode off, then the mode is turned on; meanwhile the event loop is
    // watched for the longest gap, the time the window could not answer.
    toggle->trigger();
    double held = 0;
    QElapsedTimer beat;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        held = std::max(held, static_cast<double>(beat.nsecsElapsed()) / 1e6);
        beat.restart();
    });
    const auto watch = [&](const std::function<bool()>& done) {
        held = 0;
        beat.start();
        heartbeat.start(1);
        while (!done()) Wait(5);
        heartbeat.stop();
        return held;
    };
    editor.setPlainText(LongScript(count));
    editor.setCursorPosition(count - 20, 0);
    QElapsedTimer pause;
    pause.start();
    const double editorHeld = watch([&] { return pause.elapsed() > 2500; });
    QElapsedTimer first;
    first.start();
    toggle->trigger();
    const double stepHeld = watch([&] { return w.stepMode().settled(); });
    std::printf("%d lines: first drawing near the end %.0f ms after turning on\n", count,
                static_cast<double>(first.nsecsElapsed()) / 1e6);
    std::printf("%d lines: longest time the window was held: %.1f ms while the step mode built, "
                "%.1f ms while the editor took the text (mode off)\n",
                count, stepHeld, editorHeld);
    forward.clear();
    back.clear();
    for (int k = 0; k < 20; ++k) forward.push_back(Timed(w, [&] { next->trigger(); }));
    for (int k = 0; k < 20; ++k) back.push_back(Timed(w, [&] { previous->trigger(); }));
    Print("long: step to the next drawing line", Summary(forward));
    Print("long: step to the previous drawing line", Summary(back));
    toggle->trigger();
    return 0;
}
