#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "bench_support.h"
#include "no_dialogs.h"
#include "shell/app/main_window.h"

namespace kresbon::bench {

// The program's window as a benchmark opens it: a settings file in a folder
// of its own puts the window at the top left, 1200x760, the editor 560 wide;
// the window is shown and given time to settle before anything is timed.
class BenchWindow {
public:
    // Shows the window on script, the program's folder programFolder (the
    // settings file's folder when empty); false when the settings file
    // cannot be written.
    bool open(const QString& script, const QString& programFolder = {}, int settleMs = 200)
    {
        QFile ini(folder.filePath(QStringLiteral("Kresbon.ini")));
        if (!ini.open(QIODevice::WriteOnly)) return false;
        ini.write("[MainForm]\nLeft=0\nTop=0\nWidth=1200\nHeight=760\nSplitter=560\n");
        ini.close();
        ShellEnvironment environment;
        environment.programFolder = programFolder.isEmpty() ? folder.path() : programFolder;
        environment.settingsPath = ini.fileName();
        environment.demoScript = script;
        window_ = std::make_unique<MainWindow>(environment, dialogs_);
        window_->show();
        while (!window_->firstActivationDone()) Wait(20);
        Wait(settleMs);
        return true;
    }
    MainWindow& window() { return *window_; }

    QTemporaryDir folder;

private:
    NoDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace kresbon::bench
