#pragma once

#include <QApplication>

namespace kresbon {

// The busy pointer for as long as a run holds the program.
class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { release(); }
    void release()
    {
        if (active_) QApplication::restoreOverrideCursor();
        active_ = false;
    }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    bool active_ = true;
};

}  // namespace kresbon
