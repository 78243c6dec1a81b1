// Times following the script on disk in the desktop program's own window:
// a copy of the demo is replaced by renaming a new file over it, as
// `mv new.krs script.krs` does, and the time to the new drawing painted is
// taken, the pause that lets the writes settle included. The copy lives
// beside the demo, so that the pictures it places are found, and is removed
// at the end.
//
//   watch_bench DEMO.krs [RUNS]
// prints each time in ms, then the median.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "shell/app/main_window.h"
#include "bench_window.h"
#include "shell/dialogs/user_dialogs.h"
#include "shell/view/drawing_view.h"
#include "ui_main_window.h"

using namespace kresbon;
using kresbon::bench::BenchWindow;
using kresbon::bench::Wait;

namespace {

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: watch_bench DEMO.krs [RUNS]\n");
        return 2;
    }
    const int runs = args.size() > 2 ? std::max(1, args.at(2).toInt()) : 9;
    QFile demoFile(args.at(1));
    if (!demoFile.open(QIODevice::ReadOnly)) return 2;
    const QByteArray demo = demoFile.readAll();

    BenchWindow bench;
    const QDir demoFolder = QFileInfo(args.at(1)).absoluteDir();
    const QString script = demoFolder.filePath(QStringLiteral("watch_bench_demo.krs"));
    const QString fresh = demoFolder.filePath(QStringLiteral("watch_bench_new.krs"));
    if (!Write(script, demo)) return 1;
    if (!bench.open(script, demoFolder.absolutePath(), 300)) return 1;
    MainWindow& window = bench.window();

    DrawingView& view = *window.form().IMAGE_VYKRES;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        // Each version differs from the last, in a colour of the background.
        const QByteArray version = demo + (i % 2 ? "\r\nBackgroundColor = White\r\n" : "\r\nBackgroundColor = Silver\r\n");
        if (!Write(fresh, version)) return 1;
        bool shown = false;
        bool painted = false;
        const auto c1 = QObject::connect(&window, &MainWindow::liveRunShown, [&] { shown = true; });
        const auto c2 = QObject::connect(&view, &DrawingView::painted, [&] { painted = shown; });
        QElapsedTimer clock;
        clock.start();
        if (std::rename(fresh.toLocal8Bit().constData(), script.toLocal8Bit().constData()) != 0) return 1;
        while (!painted && clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        QObject::disconnect(c1);
        QObject::disconnect(c2);
        std::printf("%.1f\n", times.back());
        Wait(300);
    }
    QFile::remove(script);
    QFile::remove(fresh);
    std::sort(times.begin(), times.end());
    std::printf("median %.1f ms\n", times[times.size() / 2]);
    return 0;
}
