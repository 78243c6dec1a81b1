#pragma once

// app/: the main window, built from the other folders and wired together,
// the action table its menus, toolbars and keys come from, and the
// program's start.

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

#include "interactive/click_commands.h"
#include "interpreter/interpreter.h"
#include "shell/dialogs/message_box.h"
#include "shell/document/document_controller.h"
#include "shell/help/help_keys.h"
#include "shell/print/print_controller.h"
#include "shell/settings/script_font.h"
#include "shell/run/run_controller.h"
#include "shell/settings/settings_file.h"
#include "shell/texts/toolkit_translation.h"
#include "shell/app/window_actions.h"
#include "shell/dialogs/user_dialogs.h"
#include "shell/view/zoom_control.h"

namespace Ui {
class FormMain;
}

class QAction;
class QCheckBox;
class QLabel;
class QDragEnterEvent;
class QDropEvent;
class QMenu;
class QTimer;
class QToolButton;

namespace kresbon {

class AboutDialog;
struct Example;
class DrawingBond;
class FindDialog;
class ScriptFollow;
class StepMode;
class Recovery;
class SplitterShare;

// What the main window is given by the program around it.
struct ShellEnvironment {
    // Folder of the executable, without a trailing separator.
    QString programFolder;
    // Full path of Kresbon.ini.
    QString settingsPath;
    // Full path of the demo script shipped with the program.
    QString demoScript;
    // The command-line arguments after the program name.
    QStringList arguments;
    // Where the copy of unsaved work is kept against a crash; empty for the
    // user's state folder.
    QString stateFolder;
    // The folder of the example scripts (holding KR1000 and KR2000).
    QString examplesFolder;
};

// The main window: the script editor on the left, the drawing on the right,
// the menus, the settings file and the commands of the desktop program.
// Creating it runs the start-up; its first activation loads and draws the
// demo or command-line script; closing asks about unsaved changes and
// writes the settings.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(ShellEnvironment environment, UserDialogs& dialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The About dialog, created after the window; it is given the texts of
    // every language switch.
    void setAboutDialog(AboutDialog* about);

    // What the interpreter reads of the window.
    HostValues hostValues() const;
    bool layerShown(int layer) const;
    int viewWidth() const;
    int colourDepth() const { return prints_->printDepth(); }
    int languageBase() const { return language_; }

    // The commands of the menus, buttons and the editor's popup menu.
    void newScript() { documents_->newScript(); }
    void openScript() { documents_->openScript(); }
    void saveScript() { documents_->saveScript(); }
    void saveScriptAs() { documents_->saveScriptAs(); }
    void chooseEditorFont();
    void refresh();
    void clearDrawing();
    void toggleLayer(int layer);
    void checkAllLayers();
    void checkNoLayers();
    void saveDrawing();
    void printDrawing() { prints_->printDrawing(); }
    void switchLanguage(int languageBase);
    void showAbout();

    // Runs once, when the window is first activated: layer selection, the
    // first drawing and the demo or command-line script.
    void firstActivation();
    bool firstActivationDone() const { return firstActivationDone_; }

    // An error notice, as every unhandled error is shown.
    void showErrorNotice(const QString& message);

    bool saved() const { return documents_->saved(); }
    QString scriptFile() const { return documents_->scriptFile(); }
    int layerFlag(int layer) const { return layerFlags_.at(static_cast<std::size_t>(layer)); }
    bool layerRefreshOn() const { return layerRefresh_; }
    bool caretToErrorOn() const { return caretToError_; }
    int printStretch() const { return prints_->printStretch(); }
    int runCount() const { return runs_->runCount(); }
    const ScriptFont& scriptFont() const { return scriptFont_; }
    QString scriptFileFilter() const { return documents_->scriptFileFilter(); }
    QString pictureFileFilter() const { return pictureFilter_; }
    const MessageCaptions& messageCaptions() const { return captions_; }
    // The interpreter once no run is going.
    Interpreter& interpreter() { return runs_->settled(); }
    RunController& runs() const { return *runs_; }
    const Ui::FormMain& form() const { return *ui_; }
    QMenu* editorPopup() const { return editorPopup_; }
    QCheckBox* layerBox(int layer) const;
    QAction* layerItem(int layer) const;
    // An item of the action table, by its name ("MnuNew").
    QAction* action(const QString& name) const { return actions_->action(name); }
    QMenu* drawingPopup() const { return drawingPopup_; }
    const ClickTool& clickTool() const { return clickTool_; }

    // The editing loop (main_window_editing.cpp): live refresh, zoom of the
    // drawing, find and replace, runs that can be stopped.
    void setLiveRefresh(bool on);
    bool liveRefreshOn() const;
    void setDrawingZoom(double factor) { zoom_->setZoom(factor); }
    void zoomIn() { zoom_->zoomIn(); }
    void zoomOut() { zoom_->zoomOut(); }
    void liveRefreshChanged();
    void watchFilesChanged();
    void showHelpContents() { help_->showHelpContents(); }
    void showHelpSearch() { help_->showHelpSearch(); }
    // F1: the page of the word under the editor's caret, else the contents.
    void showHelpForCaretWord() { help_->showHelpForCaretWord(); }
    double drawingZoom() const { return zoom_->zoom(); }
    void fitDrawingZoom() { zoom_->fit(); }
    void showFindDialog(bool replace);
    void findAgain(bool forward);
    void askGoToLine();
    // Opens the included file the marked error came from, at its line.
    void openErrorSource();
    void stopRun();
    bool runInProgress() const;
    int liveRunCount() const { return runs_->liveRunCount(); }
    QLabel* runStatusLabel() const { return runs_->statusLabel(); }
    QToolButton* stopButton() const { return runs_->stopButton(); }
    QAction* liveRefreshItem() const { return action(QStringLiteral("MnuLiveRefresh")); }
    FindDialog* findDialog() const { return findDialog_; }
    // Desktop conventions: recent scripts, dropped scripts, print preview.
    // Opening a named script passes the unsaved-changes guard as Open does;
    // a recent script that has gone is dropped from the list with a notice.
    void openScriptFile(const QString& path) { documents_->openScriptFile(path); }
    void openRecentFile(const QString& path) { documents_->openRecentFile(path); }
    void clearRecentFiles() { documents_->clearRecentFiles(); }
    void printPreview() { prints_->printPreview(); }
    const QStringList& recentFiles() const { return documents_->recentFiles(); }
    QMenu* recentMenu() const { return actions_->menu(Place::Recent); }
    QAction* printPreviewItem() const { return action(QStringLiteral("MnuPrintPreview")); }
    // The PDF file the last print went into, offered again to the next one.
    QString printFileName() const { return prints_->printFileName(); }
    // Following the script and the files it uses on disk.
    ScriptFollow* fileFollow() const { return fileFollow_; }
    QAction* watchFilesItem() const { return action(QStringLiteral("MnuWatchFiles")); }
    // Help > Examples: the example in the interface's language, opened as a
    // new unnamed script after the unsaved-changes guard, and run.
    void openExample(const Example& example);
    QMenu* examplesMenu() const { return actions_->menu(Place::Examples); }
    // Which line drew a pixel, the mark of the caret line's drawing, measuring.
    DrawingBond* drawingBond() const { return bond_; }
    void lineInkChanged();
    // Drawing up to the caret line and stepping through the drawing.
    StepMode& stepMode() const { return *stepMode_; }

signals:
    // A run made while typing has been shown (its drawing or its error).
    void liveRunShown();
    // The drawing was painted for the first time after the first activation.
    void firstDrawingShown();
    // The window has closed and written its settings: the program ends.
    void closed();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildEditorPopup();
    void connectCommands();
    void runGuarded(const std::function<void()>& work);

    // Start-up.
    void applyWindowSettings();
    void applyScriptFont();

    // Texts.
    void applyTexts();

    // The script and its parts.
    void setUpParts();
    void updateCaretReadout();

    // Drawing.
    void runScript(bool recordShapes = false);
    void showDrawing();
    void onLayerBoxChanged(int layer, bool ticked);
    void setAllLayerBoxes(bool ticked);

    // Drawing by clicks.
    void buildDrawingPopup();
    void applyDrawingPopupTexts();
    void chooseDrawingAction(DrawingAction action);
    void cancelDrawingAction();
    void clickOnDrawing(int x, int y);
    void showPointerPosition(int x, int y);
    void insertDrawingCommand();
    void showCrossPointer(bool cross);

    // Closing.
    void writeSettingsAtClosing();

    // The editing loop.
    void setUpEditingLoop();
    void applyEditingTexts();
    void onLiveRunFinished(const RunReport& report);
    void markRunError(const RunReport& report);
    void writeEditingSetting(const char* key, const std::string& value);

    QMessageBox::StandardButton ask(const MessageRequest& request);

    // Following the files on disk (main_window_watch.cpp).
    void setUpFileFollowing();
    void applyFollowTexts();
    // The copy of unsaved work kept against a crash (main_window_recovery.cpp).
    void setUpRecovery();
    void keepRecoveryCopy();
    void offerRecoveryCopy();
    // The script and the drawing bound (main_window_bond.cpp).
    void setUpDrawingBond();

    // Help > Examples (main_window_examples.cpp).
    void setUpExamples();

    // Desktop conventions.
    void setUpDesktopConventions();
    void restoreWindowState(bool maximized);
    void showScriptFontColour();

    std::unique_ptr<Ui::FormMain> ui_;
    ShellEnvironment environment_;
    UserDialogs& dialogs_;
    SettingsFile settings_;
    // The one owner of the interpreter and its drawing.
    RunController* runs_ = nullptr;
    AboutDialog* about_ = nullptr;
    QMenu* editorPopup_ = nullptr;
    QMenu* drawingPopup_ = nullptr;
    ClickTool clickTool_;
    bool crossPointer_ = false;
    std::unique_ptr<WindowActions> actions_;
    ToolkitTranslation toolkitTranslation_;

    int language_ = 1000;
    MessageCaptions captions_;
    QString pictureFilter_;

    // The parts the window is built from.
    DocumentController* documents_ = nullptr;
    PrintController* prints_ = nullptr;
    ZoomControl* zoom_ = nullptr;
    HelpKeys* help_ = nullptr;
    ScriptFont scriptFont_;

    bool caretToError_ = true;
    bool layerRefresh_ = false;
    std::array<int, 10> layerFlags_{};

    bool firstActivationStarted_ = false;
    bool firstActivationDone_ = false;
    bool firstDrawingReported_ = false;

    // The editing loop.
    FindDialog* findDialog_ = nullptr;
    // The included file and line of the marked error; empty when the error
    // is on a line of the script itself.
    QString errorSourceFile_;
    int errorSourceLine_ = 0;
    // Following the files on disk.
    ScriptFollow* fileFollow_ = nullptr;
    std::unique_ptr<Recovery> recovery_;
    // The editor's share of the window's width.
    SplitterShare* splitterShare_ = nullptr;
    DrawingBond* bond_ = nullptr;
    StepMode* stepMode_ = nullptr;
};

}  // namespace kresbon
