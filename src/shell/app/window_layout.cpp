#include "shell/app/window_layout.h"

#include <QResizeEvent>
#include <QSplitter>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <vector>

namespace kresbon {

namespace {

// The size an item is laid out at: what its texts need, within its limits.
QSize WholeSize(const QLayoutItem* item)
{
    return item->sizeHint().expandedTo(item->minimumSize()).boundedTo(item->maximumSize());
}

bool InRow(QLayoutItem* item)
{
    return !item->isEmpty() && item->spacerItem() == nullptr;
}

}  // namespace

int WrappingRowLayout::arrange(const QRect& rect, bool place) const
{
    const QRect inner = rect.marginsRemoved(contentsMargins());
    const int gap = std::max(0, spacing());
    struct Cell {
        QLayoutItem* item;
        int x;
        QSize size;
    };
    std::vector<Cell> row;
    int x = inner.x();
    int y = inner.y();
    int rowHeight = 0;
    const auto endRow = [&] {
        if (place)
            for (const Cell& cell : row) {
                const int height = std::min(rowHeight, cell.item->maximumSize().height());
                cell.item->setGeometry(QRect(cell.x, y + (rowHeight - height) / 2, cell.size.width(), height));
            }
        y += rowHeight + gap;
        row.clear();
        rowHeight = 0;
        x = inner.x();
    };
    for (int i = 0; i < count(); ++i) {
        QLayoutItem* item = itemAt(i);
        if (!InRow(item)) continue;
        const QSize size = WholeSize(item);
        if (!row.empty() && x + size.width() > inner.x() + inner.width()) endRow();
        row.push_back({item, x, size});
        x += size.width() + gap;
        rowHeight = std::max(rowHeight, size.height());
    }
    if (!row.empty()) endRow();
    const int rows = std::max(0, y - gap - inner.y());
    return rows + contentsMargins().top() + contentsMargins().bottom();
}

void WrappingRowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

QSize WrappingRowLayout::sizeHint() const
{
    int width = 0;
    int height = 0;
    int items = 0;
    for (int i = 0; i < count(); ++i) {
        QLayoutItem* item = itemAt(i);
        if (!InRow(item)) continue;
        const QSize size = WholeSize(item);
        width += size.width();
        height = std::max(height, size.height());
        ++items;
    }
    const QMargins m = contentsMargins();
    return {width + std::max(0, items - 1) * std::max(0, spacing()) + m.left() + m.right(),
            height + m.top() + m.bottom()};
}

QSize WrappingRowLayout::minimumSize() const
{
    // As narrow as the widest item: everything else wraps.
    int width = 0;
    for (int i = 0; i < count(); ++i)
        if (InRow(itemAt(i))) width = std::max(width, WholeSize(itemAt(i)).width());
    const QMargins m = contentsMargins();
    return {width + m.left() + m.right(), sizeHint().height()};
}

int WrappingRowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

WrappingRowLayout* MakeToolbarWrap(QWidget* toolbar, const QList<QWidget*>& group, const QString& groupName)
{
    QLayout* old = toolbar->layout();
    const QString name = old->objectName();
    const QMargins margins = old->contentsMargins();
    const int spacing = old->spacing();
    QList<QLayoutItem*> items;
    while (QLayoutItem* item = old->takeAt(0)) items << item;
    delete old;

    auto* row = new WrappingRowLayout(toolbar);
    row->setObjectName(name);
    row->setContentsMargins(margins);
    row->setSpacing(spacing);
    QWidget* gathered = nullptr;
    QHBoxLayout* gatheredRow = nullptr;
    for (QLayoutItem* item : items) {
        QWidget* widget = item->widget();
        if (!widget || !group.contains(widget)) {
            row->addItem(item);
            continue;
        }
        if (!gathered) {
            gathered = new QWidget(toolbar);
            gathered->setObjectName(groupName);
            gatheredRow = new QHBoxLayout(gathered);
            gatheredRow->setContentsMargins(0, 0, 0, 0);
            gatheredRow->setSpacing(spacing);
            row->addWidget(gathered);
        }
        delete item;
        gatheredRow->addWidget(widget);
    }
    return row;
}

SplitterShare::SplitterShare(QSplitter* splitter) : QObject(splitter), splitter_(splitter)
{
    splitter_->installEventFilter(this);
    connect(splitter_, &QSplitter::splitterMoved, this, [this] {
        const QList<int> sizes = splitter_->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        if (total > 0) share_ = double(sizes.value(0)) / total;
    });
}

int SplitterShare::handles() const
{
    return splitter_->handleWidth() * std::max(0, splitter_->count() - 1);
}

void SplitterShare::setSizes(int first, int width)
{
    const int panes = std::max(1, width - handles());
    share_ = std::clamp(double(first) / panes, 0.0, 1.0);
    splitter_->setSizes({first, std::max(0, width - first)});
}

int SplitterShare::firstFor(int width) const
{
    const int panes = std::max(0, width - handles());
    if (share_ < 0) return splitter_->sizes().value(0);
    return static_cast<int>(std::lround(share_ * panes));
}

bool SplitterShare::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == splitter_ && event->type() == QEvent::Resize && share_ >= 0) {
        // The splitter has its new size already; sizes that fill it are kept
        // as they are by its own layout that follows.
        const int width = static_cast<QResizeEvent*>(event)->size().width();
        const int first = firstFor(width);
        splitter_->setSizes({first, std::max(0, width - handles() - first)});
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kresbon
