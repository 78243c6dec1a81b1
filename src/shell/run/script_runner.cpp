#include "shell/run/script_runner.h"

namespace kresbon {

ScriptRunner::ScriptRunner(Interpreter& interpreter, QObject* parent)
    : QObject(parent), interpreter_(interpreter)
{
}

ScriptRunner::~ScriptRunner()
{
    if (worker_.joinable()) {
        control_.cancel = true;
        worker_.join();
    }
    interpreter_.setRunControl(nullptr);
}

ScriptRunner::Job ScreenRun(std::shared_ptr<const ScriptLines> lines, bool recordShapes)
{
    return [lines = std::move(lines), recordShapes](Interpreter& interpreter) {
        interpreter.setShapeRecording(recordShapes);
        return interpreter.RunScript(*lines);
    };
}

void ScriptRunner::start(Job job)
{
    if (running_) join();
    job_ = std::move(job);
    control_.line = 0;
    control_.cancel = false;
    done_ = false;
    running_ = true;
    interpreter_.setRunControl(&control_);
    worker_ = std::thread([this] {
        report_ = job_(interpreter_);
        done_ = true;
        handoff_.post([this] { collect(); });
    });
}

void ScriptRunner::cancel()
{
    if (running_) control_.cancel = true;
}

void ScriptRunner::join()
{
    if (!running_) return;
    worker_.join();
    collect();
}

void ScriptRunner::collect()
{
    // A queued notice may come after join() has already collected the run.
    if (!running_ || !done_) return;
    if (worker_.joinable()) worker_.join();
    running_ = false;
    interpreter_.setRunControl(nullptr);
    emit finished();
}

}  // namespace kresbon
