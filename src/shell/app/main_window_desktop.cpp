// The main window's desktop conventions: standard shortcuts, scripts
// dropped on the window, the keyboard focus and the window state kept
// between runs.

#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "shell/editor/editor_status.h"
#include "shell/texts/error_text.h"
#include "shell/texts/interface_text.h"
#include "shell/app/main_window.h"
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

    documents_->readRecentFiles();

    setAcceptDrops(true);
    // The editor takes dropped text itself; a dropped script is opened instead.
    ui_->MEMO_SCRIPT->viewport()->installEventFilter(this);
}

// ---------------------------------------------------------------- window state

void MainWindow::restoreWindowState(bool maximized)
{
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) screens << screen->availableGeometry();
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) move(MendedWindowPosition(QRect(pos(), size()), screens, primary->availableGeometry()));
    if (maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

// ---------------------------------------------------------------- drops

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
    QTimer::singleShot(0, this, [this, path] { runGuarded([this, path] { documents_->openScriptFile(path); }); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
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
