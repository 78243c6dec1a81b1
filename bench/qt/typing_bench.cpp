// Times typing in the desktop program's own window on a very long script:
// a plain keystroke and a keystroke that opens the completion list, each
// painted before the next, and the work the editor does once typing pauses.
//
//   typing_bench [LINES]     (default 300000)
// prints, in ms, for an empty script and for the long one: keystroke
// median and 99th percentile, completion keystroke median and 99th
// percentile (wall time, key to painted editor), then the longest pass of
// the editor's work after a pause in typing (procedures found again), and
// a key typed while a failed run's mark is shown.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "shell/app/main_window.h"
#include "shell/editor/script_editor.h"
#include "bench_window.h"
#include "shell/dialogs/user_dialogs.h"
#include "ui_main_window.h"

using namespace kresbon;
using kresbon::bench::BenchWindow;
using kresbon::bench::Percentile;
using kresbon::bench::Wait;

namespace {

QString LongScript(int lines)
{
    QString script = QStringLiteral("PixelsPerUnit = 1\nMaximumX = 400\nMaximumY = 400\n");
    int count = 3;
    for (int i = 0; count < lines; ++i) {
        if (i % 50 == 0 && count + 3 <= lines) {
            script += QStringLiteral("Procedure P%1 #x, #y\nText #x, #y, \"P%1\", 0,0,0,0, DefaultFontName\nEnd\n").arg(i);
            count += 3;
        } else {
            script += QStringLiteral("Line %1, 1, %2, 300, DashDot, 1, NavyBlue  % a line\n").arg(i % 390).arg(i % 350);
            ++count;
        }
    }
    return script;
}

struct Figures {
    double keyMedian, key99, completionMedian, completion99;
};

// One key, then the editor painted: what a person waits for.
double TimedKey(ScriptEditor& editor, Qt::Key key)
{
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(&editor, key, Qt::NoModifier);
    editor.viewport()->repaint();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

Figures Measure(ScriptEditor& editor, int line)
{
    editor.setFocus();
    editor.setCursorPosition(line, 10);
    editor.ensureLineVisible(line);
    editor.viewport()->repaint();
    QCoreApplication::processEvents();
    std::vector<double> keys;
    for (int i = 0; i < 400; ++i) {
        keys.push_back(TimedKey(editor, i % 2 == 0 ? Qt::Key_A : Qt::Key_Backspace));
        QCoreApplication::processEvents();
    }
    // A new line, "C" and then "i": the second letter opens the list.
    std::vector<double> completions;
    for (int i = 0; i < 100; ++i) {
        editor.setCursorPosition(line, 0);
        editor.insert(QStringLiteral("\n"));
        TimedKey(editor, Qt::Key_C);
        completions.push_back(TimedKey(editor, Qt::Key_I));
        if (!editor.isListActive()) std::fprintf(stderr, "no completion list was shown\n");
        QTest::keyClick(&editor, Qt::Key_Escape);
        editor.setSelection(line, 0, line + 1, 0);
        editor.removeSelectedText();
        QCoreApplication::processEvents();
    }
    return {Percentile(keys, 0.5), Percentile(keys, 0.99), Percentile(completions, 0.5),
            Percentile(completions, 0.99)};
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300000;

    BenchWindow bench;
    QFile demo(bench.folder.filePath(QStringLiteral("demo.krs")));
    if (!demo.open(QIODevice::WriteOnly)) return 1;
    demo.write("MaximumX = 100\nMaximumY = 100\n");
    demo.close();
    if (!bench.open(demo.fileName())) return 1;
    MainWindow& window = bench.window();
    ScriptEditor& editor = *window.form().MEMO_SCRIPT;

    editor.setPlainText(QString());
    const Figures empty = Measure(editor, 0);

    editor.setPlainText(LongScript(lines));
    Wait(400);
    const Figures full = Measure(editor, lines / 2);

    // The work after a pause: a key, then the event loop left alone until
    // the editor's delayed work has run; its longest single pass counts.
    std::vector<double> pauses;
    for (int i = 0; i < 10; ++i) {
        TimedKey(editor, i % 2 == 0 ? Qt::Key_A : Qt::Key_Backspace);
        QElapsedTimer wall;
        wall.start();
        double longest = 0;
        while (wall.elapsed() < 400) {
            QElapsedTimer pass;
            pass.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            longest = std::max(longest, static_cast<double>(pass.nsecsElapsed()) / 1e6);
            QTest::qSleep(1);
        }
        pauses.push_back(longest);
    }

    // A key typed while a failed run's mark is shown, near the end.
    editor.setCursorPosition(lines - 1, 0);
    editor.insert(QStringLiteral("Circle 5, 5, 5, Solid, 1, Blu\n"));
    editor.showRunError(lines, QStringLiteral("Colour \"Blu\" not exist."));
    std::vector<double> marked;
    editor.setCursorPosition(lines / 2, 10);
    for (int i = 0; i < 200; ++i) {
        marked.push_back(TimedKey(editor, i % 2 == 0 ? Qt::Key_A : Qt::Key_Backspace));
        QCoreApplication::processEvents();
    }

    std::printf("empty: key %.2f / %.2f, completion %.2f / %.2f\n", empty.keyMedian, empty.key99,
                empty.completionMedian, empty.completion99);
    std::printf("%d lines: key %.2f / %.2f, completion %.2f / %.2f, pause work %.2f, key with mark %.2f / %.2f\n",
                lines, full.keyMedian, full.key99, full.completionMedian, full.completion99,
                Percentile(pauses, 0.5), Percentile(marked, 0.5), Percentile(marked, 0.99));
    window.close();
    return 0;
}
