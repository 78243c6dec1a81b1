#include "shell/app/window_actions.h"

#include <QAction>
#include <QBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <algorithm>
#include <vector>

#include "shell/texts/interface_text.h"

namespace kresbon {

namespace {

QIcon OwnIcon(const QString& name)
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/%1-16.png").arg(name), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/%1-32.png").arg(name), QSize(32, 32));
    return icon;
}

// A flag for a language item. A checked menu item with a picture shows the
// picture rather than a check mark, so the checked state carries its own
// mark drawn over the flag.
QIcon FlagIcon(const QString& name)
{
    QIcon icon;
    for (int size : {16, 32}) {
        const QPixmap flag(QStringLiteral(":/icons/%1-%2.png").arg(name).arg(size));
        if (flag.isNull()) continue;
        icon.addPixmap(flag, QIcon::Normal, QIcon::Off);
        QPixmap checked = flag;
        QPainter painter(&checked);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        QPainterPath tick;
        tick.moveTo(3.5, 8);
        tick.lineTo(6.5, 11.5);
        tick.lineTo(12.5, 3.5);
        painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(tick);
        painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(tick);
        painter.end();
        icon.addPixmap(checked, QIcon::Normal, QIcon::On);
    }
    return icon;
}

// The icon of an item, and whether the item shows it or only its button.
QIcon RowIcon(const ActionRow& row, bool* onItem)
{
    const QString source = QString::fromUtf8(row.icon);
    *onItem = true;
    if (source.startsWith(QStringLiteral("flag:"))) return FlagIcon(source.mid(5));
    const qsizetype bar = source.indexOf(QLatin1Char('|'));
    // A themed icon when the desktop has one, else the program's own.
    if (bar >= 0) return QIcon::fromTheme(source.left(bar), OwnIcon(source.mid(bar + 1)));
    *onItem = false;
    return QIcon::fromTheme(source);
}

QList<QKeySequence> RowKeys(const ActionRow& row)
{
    QList<QKeySequence> keys;
    for (const QString& key : QString::fromUtf8(row.keys).split(QStringLiteral("; "), Qt::SkipEmptyParts))
        keys << QKeySequence::fromString(key, QKeySequence::PortableText);
    return keys;
}

}  // namespace

WindowActions::WindowActions(QWidget* window, std::map<Place, QMenu*> menus, QMenu* popup,
                             QBoxLayout* madeButtons, const Perform& perform)
    : window_(window), menus_(std::move(menus)), popup_(popup)
{
    std::vector<std::pair<const ActionRow*, QToolButton*>> made;
    for (const ActionRow& row : ActionRows()) {
        const QString name = QString::fromLatin1(row.name);
        if (row.submenu != Place::Nowhere) {
            QMenu* parent = menu(row.place);
            if (row.separatorBefore) parent->addSeparator();
            QMenu* submenu = parent->addMenu(QString());
            submenu->setObjectName(name);
            submenu->menuAction()->setObjectName(name);
            menus_[row.submenu] = submenu;
            continue;
        }
        auto* action = new QAction(window);
        action->setObjectName(name);
        action->setShortcuts(RowKeys(row));
        if (row.everywhere) action->setShortcutContext(Qt::ApplicationShortcut);
        action->setCheckable(row.checkable);
        bool iconOnItem = false;
        const QIcon icon = RowIcon(row, &iconOnItem);
        if (iconOnItem) action->setIcon(icon);
        if (row.onToggle)
            QObject::connect(action, &QAction::toggled, window, [perform, &row] { perform(row); });
        else
            QObject::connect(action, &QAction::triggered, window, [perform, &row] { perform(row); });
        window->addAction(action);
        actions_.insert(name, action);

        if (row.place != Place::Nowhere) {
            QMenu* parent = menu(row.place);
            if (row.separatorBefore) parent->addSeparator();
            parent->addAction(action);
        }
        if (*row.popup) {
            if (row.separatorBefore) popup_->addSeparator();
            if (QString::fromLatin1(row.popup) == QStringLiteral("=")) {
                popup_->addAction(action);
            } else {
                QAction* item = popup_->addAction(QString());
                item->setObjectName(QString::fromLatin1(row.popup));
                QObject::connect(item, &QAction::triggered, window, [perform, &row] { perform(row); });
                popupItems_.insert(QString::fromLatin1(row.popup), item);
            }
        }
        if (*row.button) {
            const QString buttonName = QString::fromLatin1(row.button);
            auto* button = window->findChild<QToolButton*>(buttonName);
            if (!button) {
                button = new QToolButton(window);
                button->setObjectName(buttonName);
                button->setAutoRaise(true);
                button->setText(QString::fromUtf8(row.glyph));
                made.emplace_back(&row, button);
            } else {
                // A click on a button leaves the keyboard where it was.
                button->setFocusPolicy(Qt::NoFocus);
            }
            button->setIcon(icon);
            button->setCheckable(row.checkable);
            QObject::connect(button, &QToolButton::clicked, action, &QAction::trigger);
            if (row.checkable) QObject::connect(action, &QAction::toggled, button, &QToolButton::setChecked);
            buttons_.insert(buttonName, button);
        }
    }
    std::stable_sort(made.begin(), made.end(),
                     [](const auto& a, const auto& b) { return a.first->buttonOrder < b.first->buttonOrder; });
    if (madeButtons) {
        int at = madeButtons->count() - 1;  // before the closing spacer
        for (const auto& [row, button] : made) madeButtons->insertWidget(at++, button);
    }
}

QMenu* WindowActions::menu(Place place) const
{
    const auto found = menus_.find(place);
    return found == menus_.end() ? nullptr : found->second;
}

void WindowActions::applyTexts(int languageBase)
{
    for (const ActionRow& row : ActionRows()) {
        const QString name = QString::fromLatin1(row.name);
        const QString text = UiText(languageBase, row.text);
        if (row.submenu != Place::Nowhere) {
            menu(row.submenu)->menuAction()->setText(text);
            continue;
        }
        actions_.value(name)->setText(text);
        if (row.popupText) popupItems_.value(QString::fromLatin1(row.popup))->setText(UiText(languageBase, *row.popupText));
        if (QToolButton* b = buttons_.value(QString::fromLatin1(row.button)))
            b->setToolTip(row.hint ? UiText(languageBase, *row.hint) : QString(text).remove(QLatin1Char('&')));
    }
}

}  // namespace kresbon
