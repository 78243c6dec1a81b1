// Times the script and the drawing bound, in the desktop program's own
// window: which line drew a pixel (from the question to the answer shown),
// and the mark of a line after a caret move (from the move to the mark
// shown), both wall time on the window's thread. With --shots FOLDER it
// photographs the screen (run it under Xvfb) in the states worth seeing.
//
//   bond_bench SCRIPT [--shots FOLDER]
// prints, in ms: a run of the script (Refresh) median; which-line median,
// worst; mark median, worst; the number of questions and marks; then the
// peak resident memory in MB.
//   bond_bench SCRIPT --memory on|off|open
// prints only the peak resident memory in MB: "on" after the refreshes,
// questions and caret moves above with the mark on; "off" after the same
// refreshes and caret moves with the mark off and no question asked; "open"
// once the window has opened the script with the mark off.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "no_dialogs.h"
#include "shell/app/main_window.h"
#include "shell/bond/drawing_bond.h"
#include "shell/editor/script_editor.h"
#include "shell/view/drawing_overlay.h"
#include "shell/view/drawing_view.h"
#include "ui_main_window.h"

using namespace kresbon;
using kresbon::bench::NoDialogs;

namespace {

double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Worst(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double PeakMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// Drawn pixels spread over the drawing: those unlike its corner.
std::vector<QPoint> DrawnPixels(const Surface& drawing, std::size_t wanted)
{
    std::vector<QPoint> found;
    const Rgb background = drawing.pixel(0, 0);
    for (int y = 3; y < drawing.height(); y += 7)
        for (int x = 5; x < drawing.width(); x += 13)
            if (drawing.pixel(x, y) != background) found.emplace_back(x, y);
    std::vector<QPoint> chosen;
    for (std::size_t i = 0; i < wanted && !found.empty(); ++i)
        chosen.push_back(found[(i * found.size()) / wanted]);
    return chosen;
}

// Lines that start with a drawing command.
std::vector<int> DrawingLines(const ScriptEditor& editor, std::size_t wanted)
{
    static const QStringList words{"line", "circle", "rectangle", "ellipse", "fillarea", "text",
                                   "point", "dimline", "circlepart", "picture"};
    std::vector<int> all;
    for (int i = 0; i < editor.lines(); ++i) {
        const QString word = editor.text(i).trimmed().section(QLatin1Char(' '), 0, 0).toLower();
        if (words.contains(word)) all.push_back(i);
    }
    std::vector<int> chosen;
    for (std::size_t i = 0; i < wanted && !all.empty(); ++i) chosen.push_back(all[(i * all.size()) / wanted]);
    return chosen;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bond_bench SCRIPT [--shots FOLDER | --memory on|off]\n");
        return 2;
    }
    const QString script = args.at(1);
    const qsizetype shotsAt = args.indexOf(QStringLiteral("--shots"));
    const QString shots = shotsAt > 0 && shotsAt + 1 < args.size() ? args.at(shotsAt + 1) : QString();
    const qsizetype memoryAt = args.indexOf(QStringLiteral("--memory"));
    const QString memory = memoryAt > 0 && memoryAt + 1 < args.size() ? args.at(memoryAt + 1) : QString();
    auto shoot = [&shots](const char* name) {
        if (shots.isEmpty()) return;
        Wait(400);
        QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                     shots + QLatin1Char('/') + QLatin1String(name)});
    };

    QTemporaryDir folder;
    QFile ini(folder.filePath(QStringLiteral("Kresbon.ini")));
    if (!ini.open(QIODevice::WriteOnly)) return 1;
    ini.write("[MainForm]\nLeft=0\nTop=0\nWidth=1200\nHeight=760\nSplitter=520\n");
    const bool featuresOff = memory == QStringLiteral("off") || memory == QStringLiteral("open");
    if (featuresOff) ini.write("ShowLineInk=0\n");
    ini.close();
    ShellEnvironment environment;
    environment.programFolder = QFileInfo(script).absolutePath();
    environment.settingsPath = ini.fileName();
    environment.demoScript = QFileInfo(script).absoluteFilePath();
    NoDialogs dialogs;
    MainWindow window(environment, dialogs);
    window.show();
    while (!window.firstActivationDone()) Wait(20);
    Wait(300);
    if (memory == QStringLiteral("open")) {
        std::printf("%.1f\n", PeakMegabytes());
        return 0;
    }

    ScriptEditor& editor = *window.form().MEMO_SCRIPT;
    DrawingBond& bond = *window.drawingBond();
    QElapsedTimer clock;

    // One run of the script in the window (F5), for comparison.
    std::vector<double> runs;
    for (int i = 0; i < 3; ++i) {
        clock.start();
        window.refresh();
        runs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }

    // Which line drew each of several pixels; the mark the caret move
    // brings is left out, so that its runs do not share the cores.
    const bool markOn = bond.showLineInkOn();
    bond.setShowLineInk(false);
    std::vector<double> answers;
    QString lastAnswer;
    for (const QPoint& pixel : DrawnPixels(window.interpreter().canvas(), featuresOff ? 0 : 7)) {
        bool answered = false;
        const auto c = QObject::connect(&bond, &DrawingBond::answered, [&](const QString& text) {
            answered = true;
            lastAnswer = text;
        });
        clock.start();
        bond.askAt(pixel);
        while (!answered) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        answers.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        QObject::disconnect(c);
        if (qEnvironmentVariableIsSet("KRESBON_BENCH_VERBOSE"))
            std::fprintf(stderr, "(%d, %d): %s\n", pixel.x(), pixel.y(), qPrintable(lastAnswer));
    }
    bond.setShowLineInk(markOn);
    shoot("bond-which-line.png");

    // The mark after each caret move onto a drawing line.
    std::vector<double> marks;
    for (int line : DrawingLines(editor, 9)) {
        bool shown = false;
        const auto c = QObject::connect(&bond, &DrawingBond::inkShown, [&](int marked) { shown = marked == line; });
        clock.start();
        editor.setCursorPosition(line, 0);
        QElapsedTimer limit;
        limit.start();
        while (!featuresOff && !shown && limit.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (shown) marks.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        QObject::disconnect(c);
    }
    if (!shots.isEmpty()) {
        window.setDrawingZoom(2);
        shoot("bond-line-ink.png");
        window.setDrawingZoom(1);
    }

    if (!memory.isEmpty()) {
        std::printf("%.1f\n", PeakMegabytes());
        return 0;
    }
    std::printf("run %.1f; which line %.1f (worst %.1f); mark %.1f (worst %.1f); %zu questions, %zu marks; peak %.1f MB\n",
                Median(runs), Median(answers), Worst(answers), Median(marks), Worst(marks), answers.size(),
                marks.size(), PeakMegabytes());
    return 0;
}
