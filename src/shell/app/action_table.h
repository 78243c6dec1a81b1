#pragma once

#include <optional>
#include <span>

#include "platform/text_ids.h"

namespace kresbon {

class MainWindow;

// The menus an action or a submenu can stand in.
enum class Place { Nowhere, Script, Recent, Edit, Drawing, Layers, Zoom, Help, Language, Examples, Step };

// One menu item, toolbar button or key of the main window, declared once:
// the menus, the toolbars, the editor's popup menu and the key table of the
// help are all made from these rows, in their order.
struct ActionRow {
    // The object name of the item ("MnuNew").
    const char* name;
    TextId text;
    // The menu the item stands in; Nowhere for a key alone.
    Place place = Place::Nowhere;
    // What it does; nullptr for a submenu.
    void (*run)(MainWindow&) = nullptr;
    // Keys as the toolkit writes them, several separated by "; ".
    const char* keys = "";
    // "theme-name|own-name": the icon of the item and its button, the
    // desktop's when it has one; "theme-name" alone: the button's only;
    // "flag:name": a flag that shows the check mark over it.
    const char* icon = "";
    // The toolbar button: found in the layout by its name or, when not
    // there, made at the end of the drawing toolbar with the glyph as text.
    const char* button = "";
    // The button's tooltip; without one, the item's text.
    std::optional<TextId> hint;
    const char* glyph = "";
    // Made buttons stand in this order.
    int buttonOrder = 0;
    // The item of the editor's popup menu: its own name and text, or the
    // item itself when the name is "=".
    const char* popup = "";
    std::optional<TextId> popupText;
    // The submenu this row opens, for a submenu row.
    Place submenu = Place::Nowhere;
    bool separatorBefore = false;
    bool checkable = false;
    // Run on every change of the check mark, also one made by the program.
    bool onToggle = false;
    // The key works in every window of the program.
    bool everywhere = false;
    // The help page that tells about it, relative to the help folder.
    const char* help = "menus.html";
};

// The rows, in menu order.
std::span<const ActionRow> ActionRows();

}  // namespace kresbon
