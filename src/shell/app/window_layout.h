#pragma once

#include <QHBoxLayout>
#include <QList>
#include <QObject>

class QSplitter;

namespace kresbon {

// A toolbar row that wraps: its widgets stand side by side at the width their
// texts need, and those that do not fit go on to a further row below, so that
// no text is ever cut however narrow the toolbar is. It stays a box layout:
// widgets are inserted into it as into any row, and a closing spacer at its
// end is left out of the rows.
class WrappingRowLayout : public QHBoxLayout {
public:
    using QHBoxLayout::QHBoxLayout;

    void setGeometry(const QRect& rect) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    int minimumHeightForWidth(int width) const override { return heightForWidth(width); }
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }

private:
    // Lays the items out in rows within the rectangle (only measures when
    // `place` is false) and gives the height the rows take.
    int arrange(const QRect& rect, bool place) const;
};

// Gives a toolbar a wrapping row in place of its box row, keeping its items,
// their order, spacing and margins. The widgets of `group` are gathered into
// one widget named `groupName`, standing where the first of them stood, so
// that they wrap together. Returns the new row.
WrappingRowLayout* MakeToolbarWrap(QWidget* toolbar, const QList<QWidget*>& group, const QString& groupName);

// Keeps the first pane's share of a two-pane splitter's width when the
// splitter grows or shrinks (a maximized window widens both panes). The share
// is set with setSizes and taken again whenever the user moves the handle.
class SplitterShare : public QObject {
public:
    explicit SplitterShare(QSplitter* splitter);

    // The first pane `first` wide in a splitter `width` wide.
    void setSizes(int first, int width);
    // The width of the first pane in a splitter `width` wide.
    int firstFor(int width) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int handles() const;

    QSplitter* splitter_;
    double share_ = -1;
};

}  // namespace kresbon
