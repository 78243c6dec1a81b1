#pragma once

// run/: running the script on the worker thread, stopping a run, and the
// run status under the drawing. RunController owns the interpreter and its
// drawing; the rest of the program reaches them only through settled() or
// stopped(), which first let a run end, so that no command changes the
// drawing while a worker still draws into it. The host interface the
// interpreter reads lives here as well: what the window shows is copied
// when a run starts, and the worker reads only that copy.

#include <QObject>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "interpreter/host.h"
#include "interpreter/interpreter.h"
#include "interpreter/script_text.h"
#include "platform/text_ids.h"
#include "shell/run/print_run.h"
#include "shell/run/script_runner.h"

class QAction;
class QLabel;
class QTimer;
class QToolButton;
class QWidget;

namespace kresbon {

// What the interpreter reads of the window.
struct HostValues {
    // Index 1..9: 1 when the layer is shown.
    std::array<int, 10> layers{};
    int viewWidth = 0;
    int viewHeight = 0;
    int colourDepth = 4;
    std::string programFolder;
    std::string scriptFile;
    int language = 1000;
    bool operator==(const HostValues&) const = default;
};

class RunController : public QObject {
    Q_OBJECT
public:
    using ReadHost = std::function<HostValues()>;

    // readHost is asked on the window's thread; window gets the Esc key and
    // parents the status label and the Stop button.
    RunController(ReadHost readHost, QWidget* window);
    ~RunController() override;

    // The interpreter once no run is going: a run in progress is waited
    // for (the user may stop it), so the drawing is the whole script's.
    Interpreter& settled();
    // The interpreter once no run is going: a run in progress is stopped
    // first. For commands that replace the drawing or the script.
    Interpreter& stopped();
    // The interpreter when no run is going, else nothing.
    const Interpreter* idle() const;

    // A run for a command: a run made while typing is out of date and is
    // stopped; this one is waited for. The status line says how it ended.
    // With recordShapes the run also records its shapes for a vector file
    // (Interpreter::shapeRecord).
    RunReport runAndWait(ScriptLines lines, bool recordShapes = false);
    // Whether the last run waited for was stopped by the user.
    bool lastRunStopped() const { return lastRunStopped_; }
    // Other work on the worker, such as the print run; false when stopped.
    bool runJobAndWait(ScriptRunner::Job job);
    // The print run on the worker, waited for as runJobAndWait is.
    bool runPrintAndWait(const std::function<void(PrintRun&)>& print);
    // Print runs on this thread once no run goes, such as the pages of a
    // print preview painted while its dialog is open: no other run starts
    // until the work returns, and the screen run's drawing state is back
    // afterwards.
    void withPrintRun(const std::function<void(PrintRun&)>& work);

    // Asks the run in progress to stop at its next line.
    void stop();
    bool running() const;
    // A run is going or a command is waiting for one.
    bool busy() const;
    // A command is waiting for a run.
    bool waitedFor() const { return waitDepth_ > 0; }
    // Runs the work once nothing is running or waited for.
    void whenIdle(std::function<void()> work);

    // Refresh while typing: the lines of the editor, asked when a run starts.
    void setLiveSource(std::function<ScriptLines()> lines);
    void setLiveRefresh(bool on);
    bool liveRefreshOn() const { return liveOn_; }
    // The text changed: a run follows after a pause in typing.
    void scheduleLiveRun();
    // A redraw asked by something other than typing, shown as a run made
    // while typing is, whether refresh while typing is on or not; false
    // when a run is going or waited for, so the caller may ask again.
    bool startRedraw();

    void setLanguage(int languageBase);
    // The widget that keeps taking keys and clicks while a command waits
    // for its run, as it does during a run made while typing.
    void setTypingTarget(QWidget* target);
    // The key that stops a run, enabled while a run shows its progress.
    void setStopKey(QAction* key);
    QLabel* statusLabel() const { return status_; }
    QToolButton* stopButton() const { return stopButton_; }
    int runCount() const { return runCount_; }
    int liveRunCount() const { return liveRunCount_; }

    // The host the interpreter reads: the window's values on its own
    // thread, the copy taken at the start of the run on the worker.
    class RunHost : public Host {
    public:
        explicit RunHost(ReadHost read) : read_(std::move(read)) {}
        bool layerShown(int layer) const override;
        int viewWidth() const override { return values().viewWidth; }
        int viewHeight() const override { return values().viewHeight; }
        int colourDepth() const override { return values().colourDepth; }
        std::string programFolder() const override { return values().programFolder; }
        std::string currentScriptFile() const override { return values().scriptFile; }
        int languageBase() const override { return values().language; }
        void takeSnapshot()
        {
            snapshot_ = read_();
            taken_ = true;
        }
        // What the last run read; the window's values before any run.
        HostValues lastRun() const { return taken_ ? snapshot_ : read_(); }

    private:
        HostValues values() const;
        ReadHost read_;
        HostValues snapshot_;
        bool taken_ = false;
    };
    // What the last run read of the window, so that another interpreter
    // draws as it did.
    HostValues lastRunHost() const { return host_.lastRun(); }

signals:
    // A run made while typing has ended and its drawing may be shown.
    void liveRunFinished(const RunReport& report);
    // Every run and every job on the worker, before it starts and once it
    // has ended (the interpreter is then idle).
    void runStarting();
    void runEnded();

private:
    void start(ScriptRunner::Job job, bool live);
    void settle();
    void startLiveRun();
    void onRunFinished();
    void showProgress();
    void showOutcome(const RunReport& report, bool stopped);
    // A text of the table, then tail, in the run status; shown anew in the
    // other language when the language is switched while it stands.
    void showStatus(TextId id, const QString& tail = {});
    void doIdleWork();

    RunHost host_;
    Interpreter interpreter_;
    ScriptRunner* runner_ = nullptr;
    std::function<ScriptLines()> liveLines_;
    bool liveOn_ = false;
    bool liveRun_ = false;
    bool liveRunPending_ = false;
    bool lastRunStopped_ = false;
    int waitDepth_ = 0;
    int runCount_ = 0;
    int liveRunCount_ = 0;
    int language_ = 1000;
    QTimer* liveTimer_ = nullptr;
    QTimer* progressTimer_ = nullptr;
    QAction* stopKey_ = nullptr;
    QLabel* status_ = nullptr;
    QWidget* typingTarget_ = nullptr;
    QToolButton* stopButton_ = nullptr;
    std::vector<std::function<void()>> idleWork_;
    struct StatusText {
        TextId id;
        QString tail;
    };
    std::optional<StatusText> statusText_;
};

}  // namespace kresbon
