#include "shell/step/step_worker.h"

#include "interpreter/script_text.h"
#include "platform/encoding.h"
#include "shell/view/drawing_view.h"

namespace kresbon {

StepWorker::StepWorker(std::function<void(StepResult)> deliver) : deliver_(std::move(deliver))
{
    thread_ = std::thread([this] { loop(); });
}

StepWorker::~StepWorker()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        queue_.clear();
        if (working_) {
            control_.cancel = true;
            control_.run.cancel = true;
        }
    }
    wake_.notify_all();
    thread_.join();
    // The stepper's run reads the host: it ends first.
    stepper_.reset();
}

std::uint64_t StepWorker::post(StepRequest request)
{
    using Kind = StepRequest::Kind;
    std::lock_guard lock(mutex_);
    switch (request.kind) {
    case Kind::Build:
    case Kind::Drop:
        // The stepper is replaced: its run may end half way through a
        // command.
        queue_.clear();
        if (working_) {
            control_.cancel = true;
            control_.run.cancel = true;
        }
        break;
    case Kind::Through:
        // The caret's line says which drawing to show, whatever the steps
        // before it would have shown.
        while (!queue_.empty() && queue_.back().kind != Kind::Build) queue_.pop_back();
        if (working_ && queue_.empty() && workingOn_ != Kind::Build) control_.cancel = true;
        break;
    default: break;
    }
    request.serial = ++serial_;
    const std::uint64_t serial = request.serial;
    queue_.push_back(std::move(request));
    wake_.notify_all();
    return serial;
}

bool StepWorker::idle() const
{
    std::lock_guard lock(mutex_);
    return queue_.empty() && !working_;
}

void StepWorker::cancel()
{
    std::lock_guard lock(mutex_);
    queue_.clear();
    if (working_) control_.cancel = true;
}

void StepWorker::loop()
{
    for (;;) {
        StepRequest request;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || !queue_.empty(); });
            if (quit_) return;
            request = std::move(queue_.front());
            queue_.pop_front();
            working_ = true;
            workingOn_ = request.kind;
            control_.cancel = false;
            control_.run.cancel = false;
        }
        StepResult result;
        bool cancelled = false;
        try {
            result = carryOut(request);
        } catch (const StepCancelled&) {
            cancelled = true;
        } catch (const std::exception&) {
            stepper_.reset();
            result = StepResult{};
            result.failure = std::current_exception();
        }
        result.serial = request.serial;
        result.kind = request.kind;
        bool last = false;
        {
            std::lock_guard lock(mutex_);
            last = queue_.empty() && !quit_;
            working_ = false;
        }
        if (last && !cancelled && request.kind != StepRequest::Kind::Drop) deliver_(std::move(result));
    }
}

// A new picture of a large drawing at every step leaves the memory in
// pieces that are not given back; the view holds one of two pictures while
// the next step is written into the other.
QImage StepWorker::picture(const Surface& drawing)
{
    for (QImage& kept : pictures_) {
        if (kept.isDetached() && kept.width() == drawing.width() && kept.height() == drawing.height()) {
            kept = DrawingView::ImageOf(&drawing, std::move(kept));
            return kept;
        }
    }
    // Both are still shown or waiting to be: the older one is let go.
    std::swap(pictures_[0], pictures_[1]);
    pictures_[1] = DrawingView::ImageOf(&drawing);
    return pictures_[1];
}

StepResult StepWorker::carryOut(StepRequest& request)
{
    using Kind = StepRequest::Kind;
    StepResult result;
    switch (request.kind) {
    case Kind::Drop:
        stepper_.reset();
        host_.reset();
        pictures_ = {};
        return result;
    case Kind::Build:
        stepper_.reset();
        host_ = std::make_unique<FixedHost>(request.host);
        // The lines as the interpreter reads them, made here rather than
        // on the window's thread: a long script takes a while.
        stepper_ = std::make_unique<DrawingStepper>(*host_, SplitLines(Utf8ToCp1250(request.text)),
                                                    &control_);
        break;
    case Kind::Through:
        if (stepper_) stepper_->runThrough(request.line);
        break;
    case Kind::Next:
        if (stepper_) result.stuck = !stepper_->next();
        break;
    case Kind::Previous:
        if (stepper_) result.stuck = !stepper_->previous();
        break;
    case Kind::Into:
        if (stepper_) result.stuck = !stepper_->stepInto();
        break;
    }
    if (!stepper_) return result;
    {
        // Another request waiting replaces this one's result: no copy.
        std::lock_guard lock(mutex_);
        if (!queue_.empty()) return result;
    }
    result.drawing = picture(stepper_->drawing());
    result.command = stepper_->shownCommand();
    const RunPosition& at = stepper_->position();
    if (!result.stuck && request.kind != Kind::Through && request.kind != Kind::Build && at.top.line >= 0)
        result.caretLine = (request.kind == Kind::Into && !at.calls.empty()) ? at.calls.back().origin.line
                                                                             : at.top.line;
    if (stepper_->atEnd() && !stepper_->report().valid) {
        result.errorLine = stepper_->report().lineNumber;
        result.error = Cp1250ToUtf8(stepper_->report().message);
    }
    return result;
}

}  // namespace kresbon
