#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "interpreter/interpreter.h"
#include "interpreter/script_text.h"
#include "shell/run/handoff.h"

namespace kresbon {

// Runs the script on a worker thread so that the window keeps repainting
// and can stop a long run. Only one run at a time; the interpreter must
// not be touched by anything else until the run has finished.
class ScriptRunner : public QObject {
    Q_OBJECT
public:
    explicit ScriptRunner(Interpreter& interpreter, QObject* parent = nullptr);
    ~ScriptRunner() override;

    // Work done on the worker with the interpreter; its report is the run's.
    using Job = std::function<RunReport(Interpreter&)>;

    // Starts a job, such as a screen run or a print run; finished() follows
    // on this thread.
    void start(Job job);
    bool running() const { return running_; }

    // Asks the run to stop at its next line.
    void cancel();
    bool cancelled() const { return control_.cancel.load(); }

    // The 1-based line the run is on.
    int currentLine() const { return control_.line.load(std::memory_order_relaxed); }

    // Blocks until the worker has ended, then reports as finished() would.
    void join();

    const RunReport& report() const { return report_; }

signals:
    void finished();

private:
    void collect();

    Interpreter& interpreter_;
    RunControl control_;
    std::thread worker_;
    std::atomic<bool> done_{false};
    bool running_ = false;
    RunReport report_;
    Job job_;
    // The worker's end, told on this object's thread.
    Handoff handoff_;
};

// The job of a screen run of the lines. Only a run for a vector file
// records the shapes; every other run turns recording off again.
ScriptRunner::Job ScreenRun(std::shared_ptr<const ScriptLines> lines, bool recordShapes = false);

}  // namespace kresbon
