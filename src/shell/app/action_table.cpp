#include "shell/app/action_table.h"

#include "platform/texts.h"
#include "shell/app/main_window.h"
#include "shell/step/step_mode.h"
#include "shell/editor/script_editor.h"
#include "ui_main_window.h"

namespace kresbon {

namespace {

using W = MainWindow;

template <int Layer>
void ToggleLayer(W& w)
{
    w.toggleLayer(Layer);
}

// One row an item: adding an item to the program is adding its row here.
constexpr ActionRow Rows[] = {
    // Script menu.
    {.name = "MnuNew", .text = TextId::MenuNew, .place = Place::Script, .run = [](W& w) { w.newScript(); }, .keys = "Ctrl+N", .icon = "document-new|new", .button = "BtnNew", .hint = TextId::ButtonNew, .popup = "PopMemoNew", .popupText = TextId::PopupNew, .help = "menus.html#script"},
    {.name = "MnuOpenScr", .text = TextId::MenuOpenScript, .place = Place::Script, .run = [](W& w) { w.openScript(); }, .keys = "Ctrl+O", .icon = "document-open|open", .button = "BtnOpenScr", .hint = TextId::ButtonOpenScript, .popup = "PopMemoOpenScr", .popupText = TextId::PopupOpenScript, .help = "menus.html#script"},
    {.name = "MnuRecent", .text = TextId::OpenRecent, .place = Place::Script, .submenu = Place::Recent, .help = "menus.html#script"},
    {.name = "MnuRecentClear", .text = TextId::ClearTheList, .place = Place::Recent, .run = [](W& w) { w.clearRecentFiles(); }, .help = "menus.html#script"},
    {.name = "MnuSaveScr", .text = TextId::MenuSaveScript, .place = Place::Script, .run = [](W& w) { w.saveScript(); }, .keys = "F2; Ctrl+S", .icon = "document-save|save", .button = "BtnSaveScr", .hint = TextId::ButtonSaveScript, .popup = "PopMemoSaveScr", .popupText = TextId::PopupSaveScript, .help = "menus.html#script"},
    {.name = "MnuSaveScrAs", .text = TextId::MenuSaveScriptAs, .place = Place::Script, .run = [](W& w) { w.saveScriptAs(); }, .keys = "Ctrl+Shift+S", .popup = "PopMemoSaveScrAs", .popupText = TextId::PopupSaveScriptAs, .help = "menus.html#script"},
    {.name = "MnuFont", .text = TextId::MenuFont, .place = Place::Script, .run = [](W& w) { w.chooseEditorFont(); }, .popup = "PopMemoFont", .popupText = TextId::PopupFont, .separatorBefore = true, .help = "menus.html#script"},
    {.name = "MnuWatchFiles", .text = TextId::MenuWatchFiles, .place = Place::Script, .run = [](W& w) { w.watchFilesChanged(); }, .separatorBefore = true, .checkable = true, .onToggle = true, .help = "scriptfiles.html#watch"},
    {.name = "MnuKonec", .text = TextId::MenuExit, .place = Place::Script, .run = [](W& w) { w.close(); }, .keys = "Ctrl+Q", .separatorBefore = true, .help = "menus.html#script"},
    // Edit menu, also the editor's popup menu. In the editor, the editor's
    // own keys do the common editing; these rows give them their items.
    {.name = "MnuUndo", .text = TextId::MenuUndo, .place = Place::Edit, .run = [](W& w) { w.form().MEMO_SCRIPT->undo(); }, .keys = "Ctrl+Z", .popup = "=", .separatorBefore = true, .help = "menus.html#edit"},
    {.name = "MnuRedo", .text = TextId::MenuRedo, .place = Place::Edit, .run = [](W& w) { w.form().MEMO_SCRIPT->redo(); }, .keys = "Ctrl+Y; Ctrl+Shift+Z", .popup = "=", .help = "menus.html#edit"},
    {.name = "MnuCut", .text = TextId::MenuCut, .place = Place::Edit, .run = [](W& w) { w.form().MEMO_SCRIPT->cut(); }, .keys = "Ctrl+X", .popup = "=", .separatorBefore = true, .help = "menus.html#edit"},
    {.name = "MnuCopy", .text = TextId::MenuCopy, .place = Place::Edit, .run = [](W& w) { w.form().MEMO_SCRIPT->copy(); }, .keys = "Ctrl+C", .popup = "=", .help = "menus.html#edit"},
    {.name = "MnuPaste", .text = TextId::MenuPaste, .place = Place::Edit, .run = [](W& w) { w.form().MEMO_SCRIPT->paste(); }, .keys = "Ctrl+V", .popup = "=", .help = "menus.html#edit"},
    {.name = "MnuSelectAll", .text = TextId::MenuSelectAll, .place = Place::Edit, .run = [](W& w) { w.form().MEMO_SCRIPT->selectAll(); }, .keys = "Ctrl+A", .popup = "=", .separatorBefore = true, .help = "menus.html#edit"},
    {.name = "MnuFind", .text = TextId::MenuFindInScript, .place = Place::Edit, .run = [](W& w) { w.showFindDialog(false); }, .keys = "Ctrl+F", .popup = "=", .separatorBefore = true, .help = "menus.html#edit"},
    {.name = "MnuReplace", .text = TextId::MenuReplaceInScript, .place = Place::Edit, .run = [](W& w) { w.showFindDialog(true); }, .keys = "Ctrl+H", .popup = "=", .help = "menus.html#edit"},
    {.name = "MnuFindNext", .text = TextId::FindNext, .place = Place::Edit, .run = [](W& w) { w.findAgain(true); }, .keys = "F3", .popup = "=", .help = "menus.html#edit"},
    {.name = "MnuFindPrevious", .text = TextId::FindPrevious, .place = Place::Edit, .run = [](W& w) { w.findAgain(false); }, .keys = "Shift+F3", .popup = "=", .help = "menus.html#edit"},
    {.name = "MnuGoToLine", .text = TextId::MenuGoToLine, .place = Place::Edit, .run = [](W& w) { w.askGoToLine(); }, .keys = "Ctrl+G", .popup = "=", .help = "menus.html#edit"},
    {.name = "MnuToggleComment", .text = TextId::MenuToggleComment, .place = Place::Edit, .run = [](W& w) { w.form().MEMO_SCRIPT->toggleComment(); }, .keys = "Ctrl+/", .separatorBefore = true, .help = "menus.html#edit"},
    {.name = "MnuErrorSource", .text = TextId::MenuErrorSource, .place = Place::Edit, .run = [](W& w) { w.openErrorSource(); }, .keys = "F4", .help = "menus.html#edit"},
    // Drawing menu.
    {.name = "MnuRefresh", .text = TextId::MenuRefresh, .place = Place::Drawing, .run = [](W& w) { w.refresh(); }, .keys = "F5", .icon = "view-refresh|refresh", .button = "BtnRefresh", .hint = TextId::ButtonRefresh, .help = "menus.html#drawing"},
    {.name = "MnuClear", .text = TextId::MenuClear, .place = Place::Drawing, .run = [](W& w) { w.clearDrawing(); }, .help = "menus.html#drawing"},
    {.name = "MnuLayers", .text = TextId::ShowLayers, .place = Place::Drawing, .submenu = Place::Layers, .help = "layers.html"},
    {.name = "MnuLayer1", .text = TextId::FirstLayer, .place = Place::Layers, .run = ToggleLayer<1>, .checkable = true, .help = "layers.html"},
    {.name = "MnuLayer2", .text = TextId::FirstLayer + 1, .place = Place::Layers, .run = ToggleLayer<2>, .checkable = true, .help = "layers.html"},
    {.name = "MnuLayer3", .text = TextId::FirstLayer + 2, .place = Place::Layers, .run = ToggleLayer<3>, .checkable = true, .help = "layers.html"},
    {.name = "MnuLayer4", .text = TextId::FirstLayer + 3, .place = Place::Layers, .run = ToggleLayer<4>, .checkable = true, .help = "layers.html"},
    {.name = "MnuLayer5", .text = TextId::FirstLayer + 4, .place = Place::Layers, .run = ToggleLayer<5>, .checkable = true, .help = "layers.html"},
    {.name = "MnuLayer6", .text = TextId::FirstLayer + 5, .place = Place::Layers, .run = ToggleLayer<6>, .checkable = true, .help = "layers.html"},
    {.name = "MnuLayer7", .text = TextId::FirstLayer + 6, .place = Place::Layers, .run = ToggleLayer<7>, .checkable = true, .help = "layers.html"},
    {.name = "MnuLayer8", .text = TextId::FirstLayer + 7, .place = Place::Layers, .run = ToggleLayer<8>, .checkable = true, .help = "layers.html"},
    {.name = "MnuLayer9", .text = TextId::FirstLayer + 8, .place = Place::Layers, .run = ToggleLayer<9>, .checkable = true, .help = "layers.html"},
    {.name = "MnuLayerAll", .text = TextId::CheckAll, .place = Place::Layers, .run = [](W& w) { w.checkAllLayers(); }, .separatorBefore = true, .help = "layers.html"},
    {.name = "MnuLayerNone", .text = TextId::CheckNone, .place = Place::Layers, .run = [](W& w) { w.checkNoLayers(); }, .help = "layers.html"},
    {.name = "MnuSavePic", .text = TextId::MenuSaveDrawingAs, .place = Place::Drawing, .run = [](W& w) { w.saveDrawing(); }, .icon = "document-save-as|save-picture", .button = "BtnSavePic", .hint = TextId::ButtonSaveDrawingAs, .help = "saving.html"},
    {.name = "MnuPrintPic", .text = TextId::MenuPrintDrawing, .place = Place::Drawing, .run = [](W& w) { w.printDrawing(); }, .keys = "Ctrl+P", .icon = "document-print|print", .button = "BtnPrintPic", .hint = TextId::ButtonPrintDrawing, .help = "menus.html#printing"},
    {.name = "MnuLiveRefresh", .text = TextId::MenuRefreshWhileTyping, .place = Place::Drawing, .run = [](W& w) { w.liveRefreshChanged(); }, .icon = "media-playback-start", .button = "BtnLiveRefresh", .hint = TextId::RefreshWhileTypingHint, .glyph = "\u21bb", .separatorBefore = true, .checkable = true, .onToggle = true, .help = "menus.html#drawing"},
    {.name = "MnuShowLineInk", .text = TextId::BondShowLineInk, .place = Place::Drawing, .run = [](W& w) { w.lineInkChanged(); }, .button = "BtnShowLineInk", .hint = TextId::BondShowLineInkHint, .glyph = "\u25ce", .checkable = true, .onToggle = true, .help = "bond.html"},
    {.name = "MnuZoom", .text = TextId::MenuZoom, .place = Place::Drawing, .submenu = Place::Zoom, .help = "menus.html#drawing"},
    {.name = "MnuZoomIn", .text = TextId::MenuZoomIn, .place = Place::Zoom, .run = [](W& w) { w.zoomIn(); }, .keys = "Ctrl+=; Ctrl++", .icon = "zoom-in", .button = "BtnZoomIn", .glyph = "+", .buttonOrder = 2, .help = "menus.html#drawing"},
    {.name = "MnuZoomOut", .text = TextId::MenuZoomOut, .place = Place::Zoom, .run = [](W& w) { w.zoomOut(); }, .keys = "Ctrl+-", .icon = "zoom-out", .button = "BtnZoomOut", .glyph = "\u2212", .buttonOrder = 1, .help = "menus.html#drawing"},
    {.name = "MnuZoomActual", .text = TextId::MenuActualSize, .place = Place::Zoom, .run = [](W& w) { w.setDrawingZoom(1); }, .keys = "Ctrl+0", .help = "menus.html#drawing"},
    {.name = "MnuZoomFit", .text = TextId::MenuFitToPane, .place = Place::Zoom, .run = [](W& w) { w.fitDrawingZoom(); }, .keys = "Ctrl+9", .help = "menus.html#drawing"},
    {.name = "MnuPrintPreview", .text = TextId::PrintPreview, .place = Place::Drawing, .run = [](W& w) { w.printPreview(); }, .icon = "document-print|print", .help = "menus.html#printing"},
    {.name = "MnuDrawToCaret", .text = TextId::MenuDrawToCaret, .place = Place::Drawing, .run = [](W& w) { w.stepMode().toggled(); }, .keys = "F9", .separatorBefore = true, .checkable = true, .onToggle = true, .help = "stepping.html"},
    {.name = "MnuStep", .text = TextId::MenuStep, .place = Place::Drawing, .submenu = Place::Step, .help = "stepping.html#keys"},
    {.name = "MnuStepNext", .text = TextId::MenuStepNext, .place = Place::Step, .run = [](W& w) { w.stepMode().next(); }, .keys = "F8", .help = "stepping.html#keys"},
    {.name = "MnuStepPrevious", .text = TextId::MenuStepPrevious, .place = Place::Step, .run = [](W& w) { w.stepMode().previous(); }, .keys = "Shift+F8", .help = "stepping.html#keys"},
    {.name = "MnuStepInto", .text = TextId::MenuStepInto, .place = Place::Step, .run = [](W& w) { w.stepMode().stepInto(); }, .keys = "F7", .help = "stepping.html#keys"},
    // Help menu.
    {.name = "MnuNapObsah", .text = TextId::MenuContents, .place = Place::Help, .run = [](W& w) { w.showHelpContents(); }, .help = "menus.html#help"},
    {.name = "MnuNapHledat", .text = TextId::MenuSearchHelp, .place = Place::Help, .run = [](W& w) { w.showHelpSearch(); }, .help = "menus.html#help"},
    {.name = "MnuExamples", .text = TextId::MenuExamples, .place = Place::Help, .submenu = Place::Examples, .help = "menus.html#help"},
    {.name = "MnuJazyk", .text = TextId::MenuLanguage, .place = Place::Help, .submenu = Place::Language, .separatorBefore = true, .help = "menus.html#help"},
    {.name = "MnuJazyk_EN", .text = TextId::MenuEnglish, .place = Place::Language, .run = [](W& w) { w.switchLanguage(EnglishBase); }, .icon = "flag:flag-en", .checkable = true, .help = "menus.html#help"},
    {.name = "MnuJazyk_CZ", .text = TextId::MenuCzech, .place = Place::Language, .run = [](W& w) { w.switchLanguage(CzechBase); }, .icon = "flag:flag-cz", .checkable = true, .help = "menus.html#help"},
    {.name = "MnuOprogramu", .text = TextId::MenuAbout, .place = Place::Help, .run = [](W& w) { w.showAbout(); }, .separatorBefore = true, .help = "menus.html#help"},
    // Keys alone.
    {.name = "HelpKey", .text = TextId::MenuContents, .run = [](W& w) { w.showHelpForCaretWord(); }, .keys = "F1", .everywhere = true, .help = "menus.html#keys"},
    {.name = "StopRunKey", .text = TextId::StopButton, .run = [](W& w) { w.stopRun(); }, .keys = "Esc", .help = "menus.html#printing"},
};

}  // namespace

std::span<const ActionRow> ActionRows()
{
    return Rows;
}

}  // namespace kresbon
