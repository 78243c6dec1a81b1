#pragma once

#include <QHash>
#include <QString>
#include <functional>
#include <map>

#include "shell/app/action_table.h"

class QAction;
class QBoxLayout;
class QMenu;
class QToolButton;
class QWidget;

namespace kresbon {

// The items of the action table made real: actions with their keys and
// icons, the menus and the editor's popup filled in table order, and the
// toolbar buttons tied to their actions.
class WindowActions {
public:
    // Runs a row's command, as the window runs every command of the user.
    using Perform = std::function<void(const ActionRow&)>;

    // menus holds the window's top-level menus; the submenus are made here.
    WindowActions(QWidget* window, std::map<Place, QMenu*> menus, QMenu* popup, QBoxLayout* madeButtons,
                  const Perform& perform);

    QAction* action(const QString& name) const { return actions_.value(name); }
    QMenu* menu(Place place) const;
    QToolButton* button(const QString& name) const { return buttons_.value(name); }

    // Texts and tooltips in the language.
    void applyTexts(int languageBase);

private:
    QWidget* window_;
    std::map<Place, QMenu*> menus_;
    QMenu* popup_;
    QHash<QString, QAction*> actions_;
    QHash<QString, QAction*> popupItems_;
    QHash<QString, QToolButton*> buttons_;
};

}  // namespace kresbon
