#include "interpreter/line_bond.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "platform/encoding.h"
#include "platform/text_helpers.h"
#include "platform/texts.h"

namespace kresbon {

namespace {

bool isDrawingCommand(std::string_view word)
{
    static constexpr std::string_view drawing[] = {"point",  "line",       "rectangle", "ellipse",
                                                   "circle", "circlepart", "fillarea",  "dimline",
                                                   "text",   "picture"};
    return std::any_of(std::begin(drawing), std::end(drawing),
                       [word](std::string_view d) { return EqualsFolded(word, d); });
}

// Whether a command running from position was drawn by open-script line:
// the line itself, a call or @include on it, or a body line written there.
bool drawnBy(const RunPosition& position, int line)
{
    if (position.top.line == line) return true;
    const LineOrigin bodyLine{line, -1};
    return std::any_of(position.calls.begin(), position.calls.end(),
                       [&](const RunPosition::BodyLine& b) { return b.origin == bodyLine; });
}

// Runs the script again with the surface reporting what it writes, asking
// the pixel watched who wrote it last and marking what one line writes.
class BondWatch : public RunWatch {
public:
    BondWatch(int x, int y, int inkLine) : x_(x), y_(y), inkLine_(inkLine) {}

    void commandStarting(const RunPosition& position, std::string_view word, int layer) override
    {
        settle();
        pending_ = position;
        pendingWord_.assign(word);
        pendingLayer_ = layer;
        if (inkLine_ >= 0) tap_.marks = drawnBy(position, inkLine_) ? marks_.data() : nullptr;
    }

    void canvasPrepared(Surface& canvas) override
    {
        // The old drawing is gone, and with it whatever its commands wrote.
        tap_.probeWritten = false;
        source_.background = true;
        if (EqualsFolded(pendingWord_, "backgroundcolor")) source_.backgroundSetter = pending_;
        const bool inside = x_ >= 0 && y_ >= 0 && x_ < canvas.width() && y_ < canvas.height();
        tap_.probe = inside ? canvas.pixelIndex(x_, y_) : InkTap::NoPixel;
        if (inkLine_ >= 0) {
            marks_.assign(canvas.pixelIndexCount() / 64 + 1, 0);
            tap_.marks = nullptr;
        }
        canvas.setInkTap(&tap_);
    }

    // Takes the pixel watched as written by the command that just ended.
    void settle()
    {
        if (!tap_.probeWritten) return;
        tap_.probeWritten = false;
        source_.background = false;
        source_.position = pending_;
        source_.command = pendingWord_;
        source_.layer = pendingLayer_;
    }

    // Whether the pixel asked about lies outside the drawing; never for the
    // ink of a line.
    bool outside(const Surface& drawn) const
    {
        return inkLine_ < 0 && (x_ < 0 || y_ < 0 || x_ >= drawn.width() || y_ >= drawn.height());
    }

    PixelSource& source() { return source_; }
    std::vector<std::uint64_t>& marks() { return marks_; }

private:
    int x_;
    int y_;
    int inkLine_;
    InkTap tap_;
    RunPosition pending_;
    std::string pendingWord_;
    int pendingLayer_ = 0;
    PixelSource source_;
    std::vector<std::uint64_t> marks_;
};

// Names the procedures of source's call chain, and the included files they
// were declared in, as the interpreter that ran them knows them.
void nameProcedures(PixelSource& source, const Interpreter& interpreter)
{
    const auto& names = interpreter.procedureNames();
    for (const RunPosition::BodyLine& call : source.position.calls) {
        source.procedures.push_back(call.procedure >= 0 && static_cast<std::size_t>(call.procedure) < names.size()
                                            ? names[call.procedure]
                                            : std::string());
        std::string file;
        if (call.origin.includeLine >= 0) {
            for (const auto& [line, path] : interpreter.includedFiles())
                if (line == call.origin.line) file = path;
        }
        source.procedureFiles.push_back(std::move(file));
    }
}

// Runs lines with watch; the status tells whether the run gave the drawing
// shown again. ink, when given, takes the size of the marks.
BondStatus runWatched(Host& host, const ScriptLines& lines, const SameDrawing& same, BondWatch& watch,
                      RunControl* control, LineInk* ink = nullptr)
{
    Interpreter interpreter(host);
    interpreter.setRunControl(control);
    interpreter.setRunWatch(&watch);
    interpreter.RunScript(lines);
    watch.settle();
    Surface& drawn = interpreter.canvas();
    drawn.setInkTap(nullptr);
    nameProcedures(watch.source(), interpreter);
    if (control != nullptr && control->cancel.load()) return BondStatus::Cancelled;
    if (ink != nullptr) {
        ink->width = drawn.width();
        ink->height = drawn.height();
        ink->stride = drawn.height() > 0 ? drawn.pixelIndexCount() / static_cast<std::size_t>(drawn.height()) : 0;
    }
    if (watch.outside(drawn)) return BondStatus::Outside;
    return same(drawn) ? BondStatus::Answered : BondStatus::OutOfDate;
}

SameDrawing sameAs(const Surface& shown)
{
    return [&shown](Surface& drawn) { return drawn.samePixels(shown); };
}

std::string number(int value) { return std::to_string(value); }

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

}  // namespace

PixelSource FindPixelSource(Host& host, const ScriptLines& lines, const Surface& shown, int x, int y,
                            RunControl* control)
{
    if (x < 0 || y < 0 || x >= shown.width() || y >= shown.height()) {
        PixelSource outside;
        outside.status = BondStatus::Outside;
        return outside;
    }
    return FindPixelSource(host, lines, sameAs(shown), x, y, control);
}

PixelSource FindPixelSource(Host& host, const ScriptLines& lines, const SameDrawing& same, int x, int y,
                            RunControl* control)
{
    BondWatch watch(x, y, -1);
    const BondStatus status = runWatched(host, lines, same, watch, control);
    if (status == BondStatus::Outside) {
        PixelSource outside;
        outside.status = status;
        return outside;
    }
    PixelSource source = std::move(watch.source());
    source.status = status;
    return source;
}

LineInk FindLineInk(Host& host, const ScriptLines& lines, const Surface& shown, int line, RunControl* control)
{
    return FindLineInk(host, lines, sameAs(shown), line, control);
}

LineInk FindLineInk(Host& host, const ScriptLines& lines, const SameDrawing& same, int line, RunControl* control)
{
    LineInk ink;
    if (line < 0) return ink;
    BondWatch watch(-1, -1, line);
    ink.status = runWatched(host, lines, same, watch, control, &ink);
    if (ink.status != BondStatus::Answered) {
        ink.width = ink.height = 0;
        ink.stride = 0;
        return ink;
    }
    ink.marks = std::move(watch.marks());
    return ink;
}

bool LineInk::contains(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    const std::size_t i = static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x);
    return (marks[i >> 6] >> (i & 63)) & 1;
}

std::size_t LineInk::count() const
{
    std::size_t n = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) n += contains(x, y) ? 1 : 0;
    return n;
}

std::string DescribePixelSource(const PixelSource& source, int lang)
{
    switch (source.status) {
    case BondStatus::OutOfDate: return TextUtf8(lang, TextId::InkOutOfDate);
    case BondStatus::Outside: return TextUtf8(lang, TextId::InkOutside);
    case BondStatus::Cancelled: return std::string();
    case BondStatus::Answered: break;
    }
    if (source.background) {
        std::string text = TextUtf8(lang, TextId::InkBackground);
        if (source.backgroundSetter.top.line >= 0)
            text += TextUtf8(lang, TextId::InkBackgroundSetHead) + number(source.backgroundSetter.top.line + 1) +
                    TextUtf8(lang, TextId::InkBackgroundSetTail);
        return text;
    }
    const RunPosition& p = source.position;
    std::string text = TextUtf8(lang, TextId::InkLineHead) + number(p.top.line + 1) + ": " + Cp1250ToUtf8(source.command);
    std::vector<std::string> parts;
    const std::string lineWord = TextUtf8(lang, TextId::InkLineWord);
    if (p.top.includeLine >= 0)
        parts.push_back(TextUtf8(lang, TextId::InkFromFile) + fileName(p.includeFile) + ", " + lineWord +
                        number(p.top.includeLine + 1));
    for (std::size_t k = 0; k < p.calls.size(); ++k) {
        const LineOrigin& origin = p.calls[k].origin;
        const std::string where = origin.includeLine < 0
                                          ? lineWord + number(origin.line + 1)
                                          : fileName(k < source.procedureFiles.size() ? source.procedureFiles[k] : std::string()) +
                                                    ", " + lineWord + number(origin.includeLine + 1);
        const std::string name = k < source.procedures.size() ? Cp1250ToUtf8(source.procedures[k]) : std::string();
        parts.push_back(TextUtf8(lang, TextId::InkIn) + name + " (" + where + ")");
    }
    if (!p.calls.empty() && p.top.includeLine < 0)
        parts.push_back(TextUtf8(lang, TextId::InkCalledFrom) + number(p.top.line + 1));
    for (std::size_t k = 0; k < parts.size(); ++k) text += (k == 0 ? " \u2014 " : ", ") + parts[k];
    return text + TextUtf8(lang, TextId::InkLayer) + number(source.layer);
}

// Records each command of the stepped run and holds the run before the
// command at which the stepper's stop says so, or at which the step is
// cancelled.
class DrawingStepper::Watch : public RunWatch {
public:
    explicit Watch(DrawingStepper& stepper) : s_(stepper) {}

    void commandStarting(const RunPosition& position, std::string_view word, int layer) override
    {
        const bool drawing = isDrawingCommand(word);
        std::unique_lock lock(s_.mutex_);
        const std::size_t index = s_.started_++;
        if (index < s_.commands_.size())
            s_.commands_[index] = {position.top.line, drawing};
        else
            s_.commands_.push_back({position.top.line, drawing});
        if (s_.cancelled() || (s_.stop_ && s_.stop_(index))) {
            s_.liveAt_ = index;
            s_.livePosition_ = lastDrawing_;
            s_.liveCommand_ = {lastWord_, lastLayer_};
            s_.paused_ = true;
            s_.changed_.notify_all();
            s_.changed_.wait(lock, [this] { return !s_.paused_ || s_.quit_; });
            if (s_.quit_) throw std::runtime_error("stepping ended");
        }
        if (drawing) {
            lastDrawing_ = position;
            lastWord_.assign(word);
            lastLayer_ = layer;
        }
    }
    void canvasPrepared(Surface&) override {}

    RunPosition lastDrawing_;
    std::string lastWord_;
    int lastLayer_ = 0;

private:
    DrawingStepper& s_;
};

DrawingStepper::DrawingStepper(Host& host, ScriptLines lines, StepControl* control)
    : host_(host), lines_(std::move(lines)), control_(control)
{
    shownPosition_.top.line = -1;
    startRun([](std::size_t i) { return i == 0; });
    shown_ = &interpreter_->canvas();
}

DrawingStepper::~DrawingStepper() { endRun(); }

void DrawingStepper::endRun()
{
    if (!worker_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

// Starts the script from its first line and waits until stop holds it or it
// ends.
void DrawingStepper::startRun(Stop stop)
{
    endRun();
    started_ = 0;
    liveAt_ = 0;
    livePosition_ = RunPosition{};
    livePosition_.top.line = -1;
    liveCommand_ = {};
    paused_ = false;
    finished_ = false;
    quit_ = false;
    stop_ = std::move(stop);
    interpreter_ = std::make_unique<Interpreter>(host_);
    watch_ = std::make_unique<Watch>(*this);
    interpreter_->setRunWatch(watch_.get());
    interpreter_->setRunControl(control_ != nullptr ? &control_->run : nullptr);
    worker_ = std::thread([this] {
        RunReport report = interpreter_->RunScript(lines_);
        std::lock_guard lock(mutex_);
        report_ = std::move(report);
        finished_ = true;
        commands_.resize(started_);
        liveAt_ = started_;
        livePosition_ = watch_->lastDrawing_;
        liveCommand_ = {watch_->lastWord_, watch_->lastLayer_};
        changed_.notify_all();
    });
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return paused_ || finished_; });
}

void DrawingStepper::resume(Stop stop)
{
    std::unique_lock lock(mutex_);
    if (finished_) return;
    stop_ = std::move(stop);
    paused_ = false;
    changed_.notify_all();
    changed_.wait(lock, [this] { return paused_ || finished_; });
    lock.unlock();
    endIfCancelled();
}

bool DrawingStepper::cancelled() const
{
    return control_ != nullptr && control_->cancel.load();
}

// A step cancelled half way leaves the step shown as it was, from its kept
// drawing: the run may have gone on past it, or started again. Without a
// kept drawing the step shown is where the run is held.
void DrawingStepper::endIfCancelled()
{
    if (!cancelled()) return;
    if (const Snapshot* kept = snapshotAt(shownAt_))
        shown_ = &kept->drawing;
    else
        showLive();
    throw StepCancelled{};
}

bool DrawingStepper::atEnd() const
{
    std::lock_guard lock(mutex_);
    return finished_ && shownAt_ == liveAt_;
}

const Surface& DrawingStepper::drawing() const { return *shown_; }

PixelSource DrawingStepper::shownCommand() const
{
    PixelSource source;
    if (shownPosition_.top.line < 0) return source;
    source.background = false;
    source.position = shownPosition_;
    source.command = shownCommand_.word;
    source.layer = shownCommand_.layer;
    // The run is held or has ended: its procedures stay as they are.
    std::lock_guard lock(mutex_);
    nameProcedures(source, *interpreter_);
    return source;
}

std::size_t DrawingStepper::findRecorded(std::size_t from, const Stop& stop) const
{
    const std::size_t recorded = finished_ ? commands_.size() : liveAt_ + 1;
    for (std::size_t i = from; i < recorded; ++i)
        if (stop(i)) return i;
    return std::string::npos;
}

const DrawingStepper::Snapshot* DrawingStepper::snapshotAt(std::size_t at) const
{
    for (const auto& s : snapshots_)
        if (s->at == at) return s.get();
    return nullptr;
}

void DrawingStepper::keepSnapshot()
{
    if (snapshotAt(liveAt_) != nullptr) return;
    const Surface& live = interpreter_->canvas();
    const std::size_t bytes = live.pixelIndexCount() * static_cast<std::size_t>(live.depth()) / 8;
    const std::size_t room = std::min(KeptSnapshots, SnapshotBytes / std::max<std::size_t>(bytes, 1));
    if (room == 0) return;
    while (snapshots_.size() > room) snapshots_.erase(snapshots_.begin());
    if (snapshots_.size() == room) {
        // The oldest drawing's memory takes the new one: it is already paged in.
        std::rotate(snapshots_.begin(), snapshots_.begin() + 1, snapshots_.end());
        Snapshot& reused = *snapshots_.back();
        reused.at = liveAt_;
        reused.drawing = live;
        reused.position = livePosition_;
        reused.command = liveCommand_;
        return;
    }
    snapshots_.push_back(std::make_unique<Snapshot>(Snapshot{liveAt_, live, livePosition_, liveCommand_}));
}

void DrawingStepper::showLive()
{
    shownAt_ = liveAt_;
    shownPosition_ = livePosition_;
    shownCommand_ = liveCommand_;
    shown_ = &interpreter_->canvas();
}

// The drawing after target commands, target at most the number of commands
// recorded so far (or any number past the live run).
void DrawingStepper::goTo(std::size_t target)
{
    if (target != liveAt_) {
        if (const Snapshot* kept = snapshotAt(target)) {
            shownAt_ = target;
            shownPosition_ = kept->position;
            shownCommand_ = kept->command;
            shown_ = &kept->drawing;
            return;
        }
        // The ends of the drawing lines just before target are kept on the
        // way, so that stepping further back needs no run of its own.
        std::vector<std::size_t> keep;
        for (std::size_t j = target; j-- > 1 && keep.size() + 1 < KeptSnapshots;) {
            if (commands_[j - 1].drawing && commands_[j].line > commands_[j - 1].line) keep.push_back(j);
        }
        const auto stop = [target, keep](std::size_t i) {
            return i == target || std::find(keep.begin(), keep.end(), i) != keep.end();
        };
        if (target < liveAt_ || finished_) {
            startRun(stop);
            endIfCancelled();
        } else {
            // A run started again for an earlier step and cancelled on its
            // way there goes on.
            resume(stop);
        }
        while (!finished_ && liveAt_ != target) {
            keepSnapshot();
            resume(stop);
        }
    }
    keepSnapshot();
    showLive();
}

void DrawingStepper::seek(std::size_t from, const Stop& stop)
{
    const std::size_t found = findRecorded(from, stop);
    if (found != std::string::npos)
        goTo(found);
    else if (finished_)
        goTo(commands_.size());
    else {
        // The records up to the live run did not stop it, so the live run
        // goes on from where it is held (which a cancelled step may have
        // left before from).
        resume([from, stop](std::size_t i) { return i >= from && stop(i); });
        keepSnapshot();
        showLive();
    }
}

void DrawingStepper::runThrough(int line)
{
    seek(0, [this, line](std::size_t i) { return commands_[i].line > line; });
}

bool DrawingStepper::next()
{
    const int from = shownPosition_.top.line;
    auto drawn = std::make_shared<int>(-1);
    seek(shownAt_, [this, from, drawn](std::size_t i) {
        const Command& c = commands_[i];
        if (*drawn < 0) {
            if (c.drawing && c.line > from) *drawn = c.line;
            return false;
        }
        return c.line > *drawn;
    });
    return *drawn >= 0;
}

bool DrawingStepper::stepInto()
{
    auto seen = std::make_shared<bool>(false);
    seek(shownAt_, [this, seen](std::size_t i) {
        if (*seen) return true;
        *seen = commands_[i].drawing;
        return false;
    });
    return *seen;
}

bool DrawingStepper::previous()
{
    const int from = shownPosition_.top.line;
    if (from < 0) return false;
    std::size_t last = shownAt_;
    while (last > 0 && !(commands_[last - 1].drawing && commands_[last - 1].line < from)) --last;
    if (last == 0) {
        // Before the first drawing line: what the lines before it set up
        // (the drawing's size and background), nothing drawn.
        std::size_t first = 0;
        while (first < shownAt_ && !commands_[first].drawing) ++first;
        while (first > 0 && commands_[first - 1].line == commands_[first].line) --first;
        goTo(first);
        return true;
    }
    const int line = commands_[last - 1].line;
    std::size_t end = last;
    while (commands_[end].line <= line) ++end;
    goTo(end);
    return true;
}

}  // namespace kresbon
