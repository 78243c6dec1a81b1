#include "shell/run/run_controller.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QShortcutEvent>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <algorithm>

#include "platform/encoding.h"
#include "shell/texts/interface_text.h"

namespace kresbon {

namespace {

// The pause after the last change before a run made while typing.
constexpr int LiveRefreshDelayMs = 300;
// A run shorter than this shows no progress in the status line.
constexpr int ProgressAfterMs = 500;
constexpr int ProgressEveryMs = 100;

// While a command waits for its run, the user's input goes nowhere but to
// the Stop button and to the typing target (the script editor), which keeps
// taking keys and clicks: the run's result is then out of date, as after a
// run made while typing. A shortcut pressed meanwhile is kept and carried
// out once the run has ended; Esc stops the run. Nothing can be dropped on
// the window. Painting, timers and the window system's own events go on.
class RunBlocker : public QObject {
public:
    RunBlocker(QWidget* stopButton, QWidget* typingTarget, std::function<void()> stop)
        : stopButton_(stopButton), typingTarget_(typingTarget), stop_(std::move(stop))
    {
        qApp->installEventFilter(this);
    }
    ~RunBlocker() override { qApp->removeEventFilter(this); }

    // The items whose keys were pressed during the wait, in order, once each.
    std::vector<QPointer<QAction>> keptShortcuts() const { return kept_; }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Shortcut) {
            const auto* shortcut = static_cast<QShortcutEvent*>(event);
            if (shortcut->key() == QKeySequence(Qt::Key_Escape)) {
                stop_();
            } else if (auto* action = qobject_cast<QAction*>(watched);
                       action && !shortcut->isAmbiguous() &&
                       std::find(kept_.begin(), kept_.end(), action) == kept_.end()) {
                kept_.emplace_back(action);
            }
            return true;
        }
        // The window passes input on to its widgets; they are where it stops.
        if (!watched->isWidgetType()) return false;
        const auto* widget = static_cast<QWidget*>(watched);
        const bool typing = typingTarget_ && (widget == typingTarget_ || typingTarget_->isAncestorOf(widget));
        const bool stopButton = widget == stopButton_ && stopButton_->isVisible();
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                stop_();
                return true;
            }
            return !typing;
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            event->ignore();
            return true;
        case QEvent::ContextMenu:
            // The popup menus hold commands.
            return true;
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return !typing && !stopButton;
        default: return false;
        }
    }

private:
    QWidget* stopButton_;
    QPointer<QWidget> typingTarget_;
    std::function<void()> stop_;
    std::vector<QPointer<QAction>> kept_;
};

// The run status beside the pointer readout: a field of its own that never
// widens the window; a text longer than the field ends in "…" and is shown
// whole in the tooltip.
class StatusField : public QLabel {
public:
    using QLabel::QLabel;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip) return QLabel::event(event);
        if (shownText() != text())
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }

    void paintEvent(QPaintEvent* event) override
    {
        QFrame::paintEvent(event);
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(textArea(), static_cast<int>(Qt::AlignLeft | Qt::AlignVCenter), shownText());
    }

private:
    QRect textArea() const { return contentsRect().adjusted(indent(), 0, 0, 0); }
    QString shownText() const { return fontMetrics().elidedText(text(), Qt::ElideRight, textArea().width()); }
};

}  // namespace

bool RunController::RunHost::layerShown(int layer) const
{
    return layer >= 1 && layer <= 9 && values().layers[static_cast<std::size_t>(layer)] == 1;
}

HostValues RunController::RunHost::values() const
{
    // A run on the worker thread reads what the window was when it started.
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) return snapshot_;
    return read_();
}

RunController::RunController(ReadHost readHost, QWidget* window)
    : QObject(window), host_(std::move(readHost)), interpreter_(host_)
{
    runner_ = new ScriptRunner(interpreter_, this);
    connect(runner_, &ScriptRunner::finished, this, &RunController::onRunFinished);

    liveTimer_ = new QTimer(this);
    liveTimer_->setSingleShot(true);
    liveTimer_->setInterval(LiveRefreshDelayMs);
    connect(liveTimer_, &QTimer::timeout, this, &RunController::startLiveRun);

    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(ProgressEveryMs);
    connect(progressTimer_, &QTimer::timeout, this, &RunController::showProgress);

    status_ = new StatusField(window);
    status_->setObjectName(QStringLiteral("L_RUN_STATUS"));
    status_->setTextFormat(Qt::PlainText);
    status_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    status_->setIndent(4);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    status_->setMinimumWidth(status_->fontMetrics().averageCharWidth() * 8);
    stopButton_ = new QToolButton(window);
    stopButton_->setObjectName(QStringLiteral("BtnStop"));
    stopButton_->setIcon(QIcon::fromTheme(QStringLiteral("process-stop")));
    stopButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    stopButton_->hide();
    connect(stopButton_, &QToolButton::clicked, this, &RunController::stop);
}

RunController::~RunController()
{
    // A run still going uses the interpreter: it ends first.
    delete runner_;
    runner_ = nullptr;
}

bool RunController::running() const
{
    return runner_ && runner_->running();
}

bool RunController::busy() const
{
    return running() || waitDepth_ > 0;
}

Interpreter& RunController::settled()
{
    settle();
    return interpreter_;
}

Interpreter& RunController::stopped()
{
    stop();
    settle();
    return interpreter_;
}

const Interpreter* RunController::idle() const
{
    return running() ? nullptr : &interpreter_;
}

void RunController::stop()
{
    if (!running()) return;
    runner_->cancel();
    liveRunPending_ = false;
}

void RunController::start(ScriptRunner::Job job, bool live)
{
    emit runStarting();
    host_.takeSnapshot();
    // A run made for a command covers the text a pending one would run.
    if (!live) liveTimer_->stop();
    liveRun_ = live;
    runner_->start(std::move(job));
    QTimer::singleShot(ProgressAfterMs, progressTimer_, [this] {
        if (running()) {
            progressTimer_->start();
            showProgress();
        }
    });
}

void RunController::settle()
{
    // Waits for the run on the worker thread; the window keeps painting.
    if (!running()) return;
    ++waitDepth_;
    std::vector<QPointer<QAction>> kept;
    {
        RunBlocker blocker(stopButton_, typingTarget_, [this] { stop(); });
        QEventLoop loop;
        const auto done = connect(runner_, &ScriptRunner::finished, &loop, &QEventLoop::quit);
        if (runner_->running()) loop.exec();
        disconnect(done);
        // A loop ended from outside, as when the program quits, still
        // leaves no worker behind.
        if (runner_->running()) {
            runner_->cancel();
            runner_->join();
        }
        kept = blocker.keptShortcuts();
    }
    --waitDepth_;
    // The keys pressed meanwhile do their work once the command is done.
    if (!kept.empty())
        idleWork_.emplace_back([kept] {
            for (const QPointer<QAction>& action : kept)
                if (action && action->isEnabled()) action->trigger();
        });
    if (!idleWork_.empty()) QTimer::singleShot(0, this, &RunController::doIdleWork);
}

RunReport RunController::runAndWait(ScriptLines lines, bool recordShapes)
{
    ++runCount_;
    ++waitDepth_;
    // A run made while typing is out of date once a command runs the
    // script: it stops at its next line and shows nothing.
    if (running() && liveRun_) {
        liveRun_ = false;
        liveRunPending_ = false;
        runner_->cancel();
    }
    settle();
    start(ScreenRun(std::move(lines), recordShapes), false);
    settle();
    --waitDepth_;
    RunReport report = runner_->report();
    lastRunStopped_ = runner_->cancelled();
    showOutcome(report, lastRunStopped_);
    return report;
}

bool RunController::runJobAndWait(ScriptRunner::Job job)
{
    ++waitDepth_;
    settle();
    start(std::move(job), false);
    settle();
    --waitDepth_;
    if (runner_->cancelled()) {
        showStatus(TextId::StoppedAtLine, QString::number(runner_->currentLine()));
        return false;
    }
    status_->clear();
    return true;
}

bool RunController::runPrintAndWait(const std::function<void(PrintRun&)>& print)
{
    return runJobAndWait([&print](Interpreter& interpreter) {
        PrintRun run(interpreter);
        print(run);
        return RunReport{};
    });
}

void RunController::withPrintRun(const std::function<void(PrintRun&)>& work)
{
    PrintRun run(settled());
    ++waitDepth_;
    struct Release {
        RunController& runs;
        PrintRun& run;
        ~Release()
        {
            run.restoreScreenState();
            --runs.waitDepth_;
            if (!runs.idleWork_.empty()) QTimer::singleShot(0, &runs, &RunController::doIdleWork);
        }
    } release{*this, run};
    work(run);
}

void RunController::showOutcome(const RunReport& report, bool stopped)
{
    if (stopped) {
        showStatus(TextId::StoppedAtLine, QString::number(report.lineNumber));
    } else if (!report.valid) {
        // An error in an included file: where in it, after the message.
        std::string text = report.message;
        const std::string included = report.IncludeText(language_);
        if (!included.empty()) text += ' ' + included;
        std::replace(text.begin(), text.end(), '\r', ' ');
        status_->setText(QString::fromStdString(Cp1250ToUtf8(text)));
    } else {
        status_->clear();
    }
}

void RunController::whenIdle(std::function<void()> work)
{
    idleWork_.push_back(std::move(work));
    QTimer::singleShot(0, this, &RunController::doIdleWork);
}

void RunController::doIdleWork()
{
    if (busy() || idleWork_.empty()) return;
    const std::vector<std::function<void()>> work = std::move(idleWork_);
    idleWork_.clear();
    for (const auto& w : work) w();
}

void RunController::showProgress()
{
    if (!running()) return;
    showStatus(TextId::RunningLine, QString::number(runner_->currentLine()));
    stopButton_->show();
    if (stopKey_) stopKey_->setEnabled(true);
}

void RunController::onRunFinished()
{
    progressTimer_->stop();
    stopButton_->hide();
    if (stopKey_) stopKey_->setEnabled(false);
    emit runEnded();
    if (liveRun_) {
        liveRun_ = false;
        if (liveRunPending_) {
            // Superseded by newer typing: the next run shows its own drawing.
            liveRunPending_ = false;
            startLiveRun();
            return;
        }
        ++liveRunCount_;
        const RunReport& report = runner_->report();
        if (!runner_->cancelled() && report.valid && report.noLayerShown)
            showStatus(TextId::SomeLayerMustBeSelected);
        else
            showOutcome(report, runner_->cancelled());
        emit liveRunFinished(report);
    }
    if (!busy() && !idleWork_.empty()) QTimer::singleShot(0, this, &RunController::doIdleWork);
}

void RunController::setLiveSource(std::function<ScriptLines()> lines)
{
    liveLines_ = std::move(lines);
}

void RunController::setLiveRefresh(bool on)
{
    liveOn_ = on;
    if (!on) liveTimer_->stop();
}

void RunController::scheduleLiveRun()
{
    if (liveOn_) liveTimer_->start();
}

bool RunController::startRedraw()
{
    if (!liveLines_) return true;
    if (busy()) return false;
    ++runCount_;
    start(ScreenRun(liveLines_()), true);
    return true;
}

void RunController::startLiveRun()
{
    if (!liveOn_ || !liveLines_) return;
    if (running()) {
        if (liveRun_) {
            // The running one is out of date: stop it and start afresh.
            liveRunPending_ = true;
            runner_->cancel();
        } else {
            liveTimer_->start();
        }
        return;
    }
    // A command waiting between its runs comes first.
    if (waitDepth_ > 0) {
        liveTimer_->start();
        return;
    }
    ++runCount_;
    start(ScreenRun(liveLines_()), true);
}

void RunController::showStatus(TextId id, const QString& tail)
{
    statusText_ = StatusText{id, tail};
    status_->setText(UiText(language_, id) + tail);
}

void RunController::setLanguage(int languageBase)
{
    // Only while nothing else has written the status since.
    const bool shown = statusText_ && status_->text() == UiText(language_, statusText_->id) + statusText_->tail;
    language_ = languageBase;
    stopButton_->setText(UiText(language_, TextId::StopButton));
    if (shown) showStatus(statusText_->id, statusText_->tail);
}

void RunController::setTypingTarget(QWidget* target)
{
    typingTarget_ = target;
}

void RunController::setStopKey(QAction* key)
{
    stopKey_ = key;
    stopKey_->setEnabled(false);
}

}  // namespace kresbon
