// The main window's start and end: the window placed as the settings file
// keeps it, the first activation that draws the demo or the script named on
// the command line, and closing, which asks about unsaved work and writes
// the settings.

#include <QCloseEvent>
#include <QFileInfo>
#include <QSplitter>
#include <QTimer>

#include "shell/app/main_window.h"
#include "shell/document/recovery.h"
#include "shell/settings/settings_values.h"
#include "shell/settings/window_settings.h"
#include "shell/texts/error_text.h"
#include "shell/texts/interface_text.h"
#include "ui_main_window.h"

namespace kresbon {

// ---------------------------------------------------------------- start-up

void MainWindow::applyWindowSettings()
{
    const WindowPlacement placement = ReadWindowPlacement(settings_);
    const int width = placement.bounds.width();
    resize(width, placement.bounds.height());
    move(placement.bounds.topLeft());
    ui_->Splitter1->setSizes({placement.splitter, std::max(0, width - placement.splitter)});
    restoreWindowState(placement.maximized);
}

// ---------------------------------------------------------------- first activation

bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && !firstActivationStarted_) {
        firstActivationStarted_ = true;
        // Run after the activation has been handled and the window laid out,
        // so that notices shown by the first run are not nested in it.
        QTimer::singleShot(0, this, [this] { runGuarded([this] { firstActivation(); }); });
    }
    return QMainWindow::event(event);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Without a window manager nothing activates a new window.
    if (!firstActivationStarted_)
        QTimer::singleShot(0, this, [this] {
            if (!firstActivationStarted_ && !isActiveWindow()) activateWindow();
        });
}

void MainWindow::firstActivation()
{
    if (firstActivationDone_) return;
    if (runs_->busy()) {
        runs_->whenIdle([this] { runGuarded([this] { firstActivation(); }); });
        return;
    }
    firstActivationStarted_ = true;
    layerRefresh_ = false;
    for (int layer = 1; layer <= 9; ++layer) {
        const std::string key = "Layer" + std::to_string(layer);
        if (LayerShownFromSetting(settings_.Read("Layers", key))) layerBox(layer)->setChecked(true);
    }
    caretToError_ = true;
    Interpreter& interpreter = runs_->stopped();
    interpreter.ResetDrawingState();
    interpreter.ClearDrawing();
    showDrawing();
    if (settings_.ignoredAsTooLarge())
        ask(WarningNotice(captions_, UiText(language_, TextId::SettingsIgnoredHead) + u'"' +
                                         QString::fromStdString(settings_.path()) + u'"' +
                                         UiText(language_, TextId::SettingsIgnoredTail)));

    QString name;
    if (settings_.Read("MainForm", "DemoScript") != "1") name = environment_.demoScript;
    if (!environment_.arguments.isEmpty())
        name = QFileInfo(environment_.arguments.constFirst()).absoluteFilePath();
    if (!FileCanBeRead(name)) name.clear();

    if (!name.isEmpty()) {
        try {
            documents_->loadScript(name);
            if (!environment_.arguments.isEmpty()) documents_->rememberRecentFile(name);
            caretToError_ = false;
            runScript();
        } catch (const std::exception& error) {
            showErrorNotice(ErrorMessage(error, language_));
        }
    }
    offerRecoveryCopy();
    layerRefresh_ = true;
    caretToError_ = true;
    firstActivationDone_ = true;
    // The drawing may already be on screen; make sure it is painted once more
    // so that the first drawing is reported.
    ui_->IMAGE_VYKRES->update();
}

// ---------------------------------------------------------------- closing

void MainWindow::closeEvent(QCloseEvent* event)
{
    // A run is stopped first, never waited for. A command waiting for its
    // run has to return before the window can go: the close comes again
    // once it has.
    if (runs_->waitedFor()) {
        runs_->stop();
        event->ignore();
        runs_->whenIdle([this] { close(); });
        return;
    }
    runs_->stopped();
    try {
        if (!documents_->passUnsavedGuard(DocumentController::GuardedCommand::Closing)) {
            event->ignore();
            return;
        }
    } catch (const std::exception& error) {
        showErrorNotice(ErrorMessage(error, language_));
        event->ignore();
        return;
    }
    // Closed cleanly: the copy kept against a crash is no longer needed.
    recovery_->discard();
    writeSettingsAtClosing();
    event->accept();
    emit closed();
}

void MainWindow::writeSettingsAtClosing()
{
    ClosingSettings values;
    // A maximized window keeps the geometry it returns to, as outer bounds.
    values.placement.maximized = isMaximized();
    const QPoint frameOffset = pos() - geometry().topLeft();
    values.placement.bounds = (values.placement.maximized ? normalGeometry() : geometry()).translated(frameOffset);
    values.placement.splitter = ui_->P_SCRIPT->width();
    for (int layer = 1; layer <= 9; ++layer) values.layers[static_cast<std::size_t>(layer)] = layerShown(layer);
    values.font = &scriptFont_;
    values.dpiY = logicalDpiY();
    try {
        WriteClosingSettings(settings_, values);
    } catch (const std::exception& error) {
        showErrorNotice(ErrorMessage(error, language_));
    }
}

}  // namespace kresbon
