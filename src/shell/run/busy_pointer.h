#pragma once

#include <QApplication>
#include <QCursor>
#include <QPointer>
#include <QWidget>
#include <optional>

namespace kresbon {

// The busy pointer for as long as a run holds the program. Given a widget,
// it shows over that widget only: the rest of the window, the script
// editor and the Stop button above all, keeps taking input meanwhile and
// keeps its own pointers.
class BusyPointer {
public:
    explicit BusyPointer(QWidget* over = nullptr) : over_(over), wholeProgram_(over == nullptr)
    {
        if (wholeProgram_) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            return;
        }
        if (over->testAttribute(Qt::WA_SetCursor)) previous_ = over->cursor();
        over->setCursor(Qt::WaitCursor);
    }
    ~BusyPointer() { release(); }
    void release()
    {
        if (!active_) return;
        active_ = false;
        if (wholeProgram_)
            QApplication::restoreOverrideCursor();
        else if (over_ && previous_)
            over_->setCursor(*previous_);
        else if (over_)
            over_->unsetCursor();
    }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    QPointer<QWidget> over_;
    bool wholeProgram_;
    std::optional<QCursor> previous_;
    bool active_ = true;
};

}  // namespace kresbon
