// The main window's desktop conventions: standard shortcuts, the recent
// scripts, scripts dropped on the window, the keyboard focus, the window
// state kept between runs, F1 in modal boxes and the print preview.

#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPrinter>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "shell/editor/editor_status.h"
#include "shell/texts/error_text.h"
#include "shell/help/help.h"
#include "shell/texts/interface_text.h"
#include "shell/app/main_window.h"
#include "shell/print/print_job.h"
#include "shell/document/recent_files.h"
#include "shell/app/window_state.h"
#include "ui_main_window.h"

namespace kresbon {

namespace {

// The first local .krs file among the dragged items, or nothing.
QString DroppedScript(const QMimeData* data)
{
    if (!data || !data->hasUrls()) return QString();
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (QFileInfo(path).suffix().compare(QStringLiteral("krs"), Qt::CaseInsensitive) == 0) return path;
    }
    return QString();
}

}  // namespace

void MainWindow::setUpDesktopConventions()
{
    // A click on a layer box leaves the keyboard in the editor; the boxes can
    // still be reached with Tab.
    for (int layer = 1; layer <= 9; ++layer) layerBox(layer)->setFocusPolicy(Qt::TabFocus);
    ui_->MEMO_SCRIPT->setFocus();

    recentFiles_ = ReadRecentFiles(settings_);
    rebuildRecentMenu();

    setAcceptDrops(true);
    // The editor takes dropped text itself; a dropped script is opened instead.
    ui_->MEMO_SCRIPT->viewport()->installEventFilter(this);
    qApp->installEventFilter(this);
}

// ---------------------------------------------------------------- window state

void MainWindow::restoreWindowState()
{
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) screens << screen->availableGeometry();
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) move(MendedWindowPosition(QRect(pos(), size()), screens, primary->availableGeometry()));
    if (settings_.Read("MainForm", "Maximized") == "1") setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::writeWindowState()
{
    // A maximized window keeps the geometry it returns to, as outer bounds.
    const bool maximized = isMaximized();
    const QPoint frameOffset = pos() - geometry().topLeft();
    const QRect normal = maximized ? normalGeometry() : geometry();
    settings_.Write("MainForm", "Height", std::to_string(normal.height()));
    settings_.Write("MainForm", "Width", std::to_string(normal.width()));
    settings_.Write("MainForm", "Left", std::to_string(normal.x() + frameOffset.x()));
    settings_.Write("MainForm", "Top", std::to_string(normal.y() + frameOffset.y()));
    settings_.Write("MainForm", "Maximized", maximized ? "1" : "0");
}

// ---------------------------------------------------------------- recent scripts

void MainWindow::rememberRecentFile(const QString& path)
{
    // Read afresh, so that another copy of the program keeps its entries.
    settings_.Refresh();
    recentFiles_ = WithRecentFile(ReadRecentFiles(settings_), path);
    storeRecentFiles();
}

void MainWindow::storeRecentFiles()
{
    rebuildRecentMenu();
    // The list is a convenience: a settings file that cannot be written
    // must not stop the open or save that changed it.
    try {
        WriteRecentFiles(settings_, recentFiles_);
    } catch (const std::exception&) {
    }
}

void MainWindow::rebuildRecentMenu()
{
    QMenu* recentMenu = actions_->menu(Place::Recent);
    QAction* clearItem = action(QStringLiteral("MnuRecentClear"));
    recentMenu->clear();
    for (int i = 0; i < recentFiles_.size(); ++i) {
        const QString path = recentFiles_[i];
        QAction* item = recentMenu->addAction(RecentFileCaption(i, path));
        connect(item, &QAction::triggered, this, [this, path] { runGuarded([this, path] { openRecentFile(path); }); });
    }
    recentMenu->addSeparator();
    recentMenu->addAction(clearItem);
    clearItem->setEnabled(!recentFiles_.isEmpty());
}

void MainWindow::clearRecentFiles()
{
    recentFiles_.clear();
    storeRecentFiles();
}

void MainWindow::openRecentFile(const QString& path)
{
    if (!FileCanBeRead(path)) {
        settings_.Refresh();
        recentFiles_ = ReadRecentFiles(settings_);
        recentFiles_.removeAll(path);
        storeRecentFiles();
        ask(WarningNotice(captions_, UiText(language_, TextId::RecentFileGoneHead) + u'"' + path + u'"' +
                                         UiText(language_, TextId::RecentFileGoneTail)));
        return;
    }
    openScriptFile(path);
}

void MainWindow::openScriptFile(const QString& path)
{
    if (!passUnsavedGuard(GuardedCommand::Open)) return;
    openAction(path);
}

void MainWindow::openAction(const QString& path)
{
    // A run going on draws into the drawing about to be replaced.
    Interpreter& interpreter = runs_->stopped();
    loadScript(path);
    rememberRecentFile(path);
    interpreter.ResetDrawingState();
    interpreter.ClearDrawing();
    showDrawing();
    runScript();
}

// ---------------------------------------------------------------- drops and F1

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (DroppedScript(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QString path = DroppedScript(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The guard's questions are asked once the drop has ended, so that the
    // program the script came from is not kept waiting.
    QTimer::singleShot(0, this, [this, path] { runGuarded([this, path] { openScriptFile(path); }); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
        QApplication::activeModalWidget() && !helpPending_) {
        // The window's own F1 key is shut out while a modal box is open; the
        // help is asked for here instead, once per press however far the key
        // travels, and the key goes on as usual.
        helpPending_ = true;
        QTimer::singleShot(0, this, [this] {
            helpPending_ = false;
            runGuarded([this] { ShowHelpContext(this, language_, 0); });
        });
        return false;
    }
    if (watched == ui_->MEMO_SCRIPT->viewport() &&
        (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (DroppedScript(drop->mimeData()).isEmpty()) return false;
        if (type == QEvent::Drop)
            dropEvent(drop);
        else
            drop->acceptProposedAction();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace kresbon
