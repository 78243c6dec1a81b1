#pragma once

#include <QImage>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "interpreter/line_bond.h"
#include "shell/run/run_controller.h"

namespace kresbon {

// What the step mode asks of its stepper.
struct StepRequest {
    enum class Kind {
        // A new stepper for these lines and host values.
        Build,
        // The drawing after line (from 0).
        Through,
        Next,
        Previous,
        Into,
        // No stepper any more: the mode is off.
        Drop,
    };
    Kind kind = Kind::Through;
    int line = -1;
    // The editor's text as it holds it (UTF-8), for a build.
    std::string text;
    HostValues host;
    std::uint64_t serial = 0;
};

// The step shown after a request.
struct StepResult {
    std::uint64_t serial = 0;
    StepRequest::Kind kind = StepRequest::Kind::Through;
    // The step's drawing as the view shows it; null when there is no
    // stepper.
    QImage drawing;
    // The last drawing command of the step (background before any).
    PixelSource command;
    // A step that found no line or command to go to.
    bool stuck = false;
    // The open-script line the caret goes to after a step, -1 for none: the
    // body line inside a procedure of the open script, else the line the
    // command ran from.
    int caretLine = -1;
    // The run ended on an error before the step: its 1-based line and
    // message (UTF-8).
    int errorLine = 0;
    std::string error;
    // The step could not be made (no memory for a drawing): the stepper
    // is given up until the next build.
    std::exception_ptr failure;
};

// Keeps a DrawingStepper on a thread of its own, so that no step, however
// long the script, holds the window. Requests are carried out in order;
// a request for a caret line replaces the steps that have not started and
// cancels the one being made (unless it is a build: the line needs it), and
// a new build or a drop cancels everything. Only the last request's result
// is delivered (on the worker's thread): the ones before it would be shown
// only to be replaced at once; a cancelled step delivers nothing.
class StepWorker {
public:
    explicit StepWorker(std::function<void(StepResult)> deliver);
    ~StepWorker();
    StepWorker(const StepWorker&) = delete;
    StepWorker& operator=(const StepWorker&) = delete;

    // Queues the request; returns its serial number.
    std::uint64_t post(StepRequest request);
    // No request is waiting or being carried out.
    bool idle() const;
    // Drops the requests waiting and ends the step being made at its next
    // command; the stepper stays at the step shown before it.
    void cancel();
    // The script line (from 1) the step being made has come to.
    int runningLine() const { return control_.run.line.load(); }

private:
    void loop();
    StepResult carryOut(StepRequest& request);
    QImage picture(const Surface& drawing);

    std::function<void(StepResult)> deliver_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<StepRequest> queue_;
    bool working_ = false;
    StepRequest::Kind workingOn_ = StepRequest::Kind::Drop;
    // Set under the mutex while a request is carried out, cleared when the
    // next one starts.
    StepControl control_;
    bool quit_ = false;
    std::uint64_t serial_ = 0;
    // Used only on the worker's thread.
    std::unique_ptr<FixedHost> host_;
    std::unique_ptr<DrawingStepper> stepper_;
    std::array<QImage, 2> pictures_;
    std::thread thread_;
};

}  // namespace kresbon
