#include "shell/app/main_window.h"
#include "shell/document/recovery.h"

#include <clocale>

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>

#include "platform/texts.h"
#include "shell/dialogs/about_dialog.h"
#include "shell/app/application.h"
#include "shell/editor/editor_status.h"
#include "shell/texts/error_text.h"
#include "shell/dialogs/file_filters.h"
#include "shell/help/help.h"
#include "shell/editor/script_editor.h"
#include "shell/run/script_runner.h"
#include "shell/settings/settings_values.h"
#include "shell/step/step_mode.h"
#include "ui_main_window.h"
#include "shell/texts/interface_text.h"

namespace kresbon {

namespace {

constexpr int DesignWidth = 533;
constexpr int DesignHeight = 335;
constexpr int DesignLeft = 195;
constexpr int DesignTop = 110;
constexpr int DesignSplitter = 160;

}  // namespace

MainWindow::MainWindow(ShellEnvironment environment, UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::FormMain>()),
      environment_(std::move(environment)),
      dialogs_(dialogs),
      settings_(environment_.settingsPath.toStdString())
{
    ui_->setupUi(this);
    runs_ = new RunController([this] { return hostValues(); }, this);
    // The drawing pane is never narrower than its toolbar.
    ui_->P_VYKRES->setMinimumWidth(std::max(337, ui_->P_VYKRES->minimumSizeHint().width()));
    ui_->Splitter1->setStretchFactor(0, 0);
    ui_->Splitter1->setStretchFactor(1, 1);
    ui_->ScrollBox_VYKRES->viewport()->setBackgroundRole(QPalette::Window);
    ui_->ScrollBox_VYKRES->viewport()->setAutoFillBackground(true);
    buildEditorPopup();
    actions_ = std::make_unique<WindowActions>(
        this,
        std::map<Place, QMenu*>{{Place::Script, ui_->MnuScript}, {Place::Drawing, ui_->MnuVykres},
                                {Place::Help, ui_->MnuAbout}},
        editorPopup_, qobject_cast<QBoxLayout*>(ui_->P_VYKRES_TOOLBAR->layout()),
        [this](const ActionRow& row) { runGuarded([this, &row] { row.run(*this); }); });
    runs_->setStopKey(action(QStringLiteral("StopRunKey")));
    stepMode_ = new StepMode({*ui_->MEMO_SCRIPT, *ui_->IMAGE_VYKRES, *runs_, *runs_->statusLabel(),
                              *action(QStringLiteral("MnuDrawToCaret")), settings_, [this] { return language_; }},
                             this);
    buildDrawingPopup();
    connectCommands();
    setUpEditingLoop();
    setUpFileFollowing();
    setUpRecovery();

    // Scripts and the coordinate readout always write numbers with a point,
    // whatever the locale the toolkit has set.
    std::setlocale(LC_NUMERIC, "C");

    language_ = LanguageFromSetting(settings_.Read("MainForm", "Language"), SystemLanguageBase());
    if (auto* app = qobject_cast<KresbonApplication*>(QCoreApplication::instance()))
        app->setErrorHook([this](const QString& message) {
            showErrorNotice(message.isEmpty() ? UiText(language_, TextId::UnknownError) : message);
        });
    applyTexts();
    ui_->L_SOURADNICE->clear();
    applyWindowSettings();
    ui_->MEMO_SCRIPT->setModified(false);
    scriptFile_.clear();
    updateCaption();
    applyScriptFont();
    readPrintSettings();

    showDrawing();
    setUpDesktopConventions();
}

MainWindow::~MainWindow()
{
    // The stepper's thread ends before the editor and the view it shows in.
    delete stepMode_;
    stepMode_ = nullptr;
    // A run still going uses the interpreter: it ends first.
    delete runs_;
    runs_ = nullptr;
    if (auto* app = qobject_cast<KresbonApplication*>(QCoreApplication::instance()))
        app->setErrorHook(nullptr);
    showCrossPointer(false);
}

void MainWindow::setAboutDialog(AboutDialog* about)
{
    about_ = about;
    if (about_) about_->applyTexts(language_);
}

HostValues MainWindow::hostValues() const
{
    HostValues values;
    values.layers = layerFlags_;
    values.viewWidth = viewWidth();
    values.viewHeight = ui_->ScrollBox_VYKRES->viewport()->height();
    values.colourDepth = printDepth_;
    values.programFolder = environment_.programFolder.toStdString();
    values.scriptFile = scriptFile_.toStdString();
    values.language = language_;
    return values;
}

bool MainWindow::layerShown(int layer) const
{
    return layer >= 1 && layer <= 9 && layerFlags_[static_cast<std::size_t>(layer)] == 1;
}

int MainWindow::viewWidth() const
{
    return ui_->ScrollBox_VYKRES->viewport()->width();
}

QCheckBox* MainWindow::layerBox(int layer) const
{
    const std::array<QCheckBox*, 9> boxes{ui_->ChLayer1, ui_->ChLayer2, ui_->ChLayer3,
                                          ui_->ChLayer4, ui_->ChLayer5, ui_->ChLayer6,
                                          ui_->ChLayer7, ui_->ChLayer8, ui_->ChLayer9};
    return boxes.at(static_cast<std::size_t>(layer - 1));
}

QAction* MainWindow::layerItem(int layer) const
{
    return action(QStringLiteral("MnuLayer%1").arg(layer));
}

void MainWindow::buildEditorPopup()
{
    editorPopup_ = new QMenu(this);
    editorPopup_->setObjectName(QStringLiteral("PopupMEMO_SCRIPT"));
    connect(ui_->MEMO_SCRIPT, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        editorPopup_->exec(ui_->MEMO_SCRIPT->viewport()->mapToGlobal(at));
    });
}

void MainWindow::runGuarded(const std::function<void()>& work)
{
    try {
        work();
    } catch (const std::exception& error) {
        showErrorNotice(ErrorMessage(error, language_));
    }
}

void MainWindow::connectCommands()
{
    for (int layer = 1; layer <= 9; ++layer) {
        connect(layerBox(layer), &QCheckBox::toggled, this, [this, layer](bool ticked) {
            runGuarded([this, layer, ticked] { onLayerBoxChanged(layer, ticked); });
        });
    }

    // The saved flag is the editor's save point, shown in the title; the
    // caret readout is a constant-time look-up.
    MarkModifiedTitle(*this, *ui_->MEMO_SCRIPT);
    connect(ui_->MEMO_SCRIPT, &QsciScintilla::cursorPositionChanged, this, &MainWindow::updateCaretReadout);
    connect(ui_->MEMO_SCRIPT, &QsciScintilla::selectionChanged, this, &MainWindow::updateCaretReadout);

    connect(ui_->IMAGE_VYKRES, &DrawingView::painted, this, [this] {
        if (firstActivationDone_ && !firstDrawingReported_) {
            firstDrawingReported_ = true;
            emit firstDrawingShown();
        }
    });
}

// ---------------------------------------------------------------- start-up

void MainWindow::applyWindowSettings()
{
    const int height = WindowSizeFromSetting(settings_.Read("MainForm", "Height"), DesignHeight);
    const int width = WindowSizeFromSetting(settings_.Read("MainForm", "Width"), DesignWidth);
    const int left = WindowEdgeFromSetting(settings_.Read("MainForm", "Left"), DesignLeft);
    const int top = WindowEdgeFromSetting(settings_.Read("MainForm", "Top"), DesignTop);
    const int splitter = WindowSizeFromSetting(settings_.Read("MainForm", "Splitter"), DesignSplitter);
    resize(width, height);
    move(left, top);
    ui_->Splitter1->setSizes({splitter, std::max(0, width - splitter)});
    restoreWindowState();
}

void MainWindow::applyScriptFont()
{
    scriptFont_ = DesignScriptFont();
    ApplyScriptFontSettings(scriptFont_, settings_, logicalDpiY());
    ui_->MEMO_SCRIPT->setFont(scriptFont_.font);
    showScriptFontColour();
}

void MainWindow::showScriptFontColour()
{
    QPalette palette = ui_->MEMO_SCRIPT->palette();
    palette.setColor(QPalette::Text, ExplicitColour(scriptFont_.color).value_or(
                                         QPalette().color(QPalette::Text)));
    ui_->MEMO_SCRIPT->setPalette(palette);
    ui_->MEMO_SCRIPT->setScriptFont(scriptFont_.font, palette.color(QPalette::Text));
}

void MainWindow::readPrintSettings()
{
    // A default written back here may fail on a read-only folder; the value
    // in use is the default all the same.
    auto writeBack = [this](const char* key, int value) {
        try {
            settings_.Write("Print", key, std::to_string(value));
        } catch (const std::exception&) {
        }
    };
    const auto stretch = PrintStretchFromSetting(settings_.Read("Print", "Stretch"));
    printStretch_ = stretch.value_or(DefaultPrintStretch);
    if (!stretch) writeBack("Stretch", DefaultPrintStretch);
    const auto depth = PrintDepthFromSetting(settings_.Read("Print", "BitsPerPixel"));
    printDepth_ = depth.value_or(DefaultPrintDepth);
    if (!depth) writeBack("BitsPerPixel", DefaultPrintDepth);
    printVectors_ = settings_.Read("Print", "Vectors") == "1";
}

// ---------------------------------------------------------------- first activation

bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && !firstActivationStarted_) {
        firstActivationStarted_ = true;
        // Run after the activation has been handled and the window laid out,
        // so that notices shown by the first run are not nested in it.
        QTimer::singleShot(0, this, [this] { runGuarded([this] { firstActivation(); }); });
    }
    return QMainWindow::event(event);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Without a window manager nothing activates a new window.
    if (!firstActivationStarted_)
        QTimer::singleShot(0, this, [this] {
            if (!firstActivationStarted_ && !isActiveWindow()) activateWindow();
        });
}

void MainWindow::firstActivation()
{
    if (firstActivationDone_) return;
    if (runs_->busy()) {
        runs_->whenIdle([this] { runGuarded([this] { firstActivation(); }); });
        return;
    }
    firstActivationStarted_ = true;
    layerRefresh_ = false;
    for (int layer = 1; layer <= 9; ++layer) {
        const std::string key = "Layer" + std::to_string(layer);
        if (LayerShownFromSetting(settings_.Read("Layers", key))) layerBox(layer)->setChecked(true);
    }
    caretToError_ = true;
    Interpreter& interpreter = runs_->stopped();
    interpreter.ResetDrawingState();
    interpreter.ClearDrawing();
    showDrawing();
    if (settings_.ignoredAsTooLarge())
        ask(WarningNotice(captions_, UiText(language_, TextId::SettingsIgnoredHead) + u'"' +
                                         QString::fromStdString(settings_.path()) + u'"' +
                                         UiText(language_, TextId::SettingsIgnoredTail)));

    QString name;
    if (settings_.Read("MainForm", "DemoScript") != "1") name = environment_.demoScript;
    if (!environment_.arguments.isEmpty())
        name = QFileInfo(environment_.arguments.constFirst()).absoluteFilePath();
    if (!FileCanBeRead(name)) name.clear();

    if (!name.isEmpty()) {
        try {
            loadScript(name);
            if (!environment_.arguments.isEmpty()) rememberRecentFile(name);
            caretToError_ = false;
            runScript();
        } catch (const std::exception& error) {
            showErrorNotice(ErrorMessage(error, language_));
        }
    }
    offerRecoveryCopy();
    layerRefresh_ = true;
    caretToError_ = true;
    firstActivationDone_ = true;
    // The drawing may already be on screen; make sure it is painted once more
    // so that the first drawing is reported.
    ui_->IMAGE_VYKRES->update();
}

// ---------------------------------------------------------------- closing

void MainWindow::closeEvent(QCloseEvent* event)
{
    // A run is stopped first, never waited for. A command waiting for its
    // run has to return before the window can go: the close comes again
    // once it has.
    if (runs_->waitedFor()) {
        runs_->stop();
        event->ignore();
        runs_->whenIdle([this] { close(); });
        return;
    }
    runs_->stopped();
    try {
        if (!passUnsavedGuard(GuardedCommand::Closing)) {
            event->ignore();
            return;
        }
    } catch (const std::exception& error) {
        showErrorNotice(ErrorMessage(error, language_));
        event->ignore();
        return;
    }
    // Closed cleanly: the copy kept against a crash is no longer needed.
    recovery_->discard();
    writeSettingsAtClosing();
    event->accept();
    emit closed();
}

void MainWindow::writeSettingsAtClosing()
{
    // A failed write ends its group silently, except for the editor font,
    // which the user chose and is told about. Nothing is written into a
    // settings file ignored for its size, as the user was told at start.
    if (settings_.ignoredAsTooLarge()) return;
    try {
        writeWindowState();
        settings_.Write("MainForm", "Splitter", std::to_string(ui_->P_SCRIPT->width()));
        settings_.Write("MainForm", "DemoScript", "1");
    } catch (const std::exception&) {
    }
    try {
        for (int layer = 1; layer <= 9; ++layer)
            settings_.Write("Layers", "Layer" + std::to_string(layer), layerShown(layer) ? "1" : "0");
    } catch (const std::exception&) {
    }
    try {
        WriteScriptFontSettings(scriptFont_, settings_, logicalDpiY());
    } catch (const std::exception& error) {
        showErrorNotice(ErrorMessage(error, language_));
    }
}

// ---------------------------------------------------------------- texts

void MainWindow::applyTexts()
{
    captions_ = LoadMessageCaptions(language_);
    action(QStringLiteral("MnuJazyk_EN"))->setChecked(language_ != CzechBase);
    action(QStringLiteral("MnuJazyk_CZ"))->setChecked(language_ == CzechBase);
    scriptFilter_ = ScriptFileFilter(language_);
    pictureFilter_ = PictureFileFilter(language_);
    setWindowTitle(UiText(language_, TextId::MainWindowTitle));

    ui_->MnuScript->menuAction()->setText(UiText(language_, TextId::MenuScript));
    ui_->MnuVykres->menuAction()->setText(UiText(language_, TextId::MenuDrawing));
    ui_->MnuAbout->menuAction()->setText(UiText(language_, TextId::MenuHelp));
    actions_->applyTexts(language_);
    applyDrawingPopupTexts();
    ui_->L_VRSTVY->setText(UiText(language_, TextId::Layers));
    applyEditingTexts();
    applyFollowTexts();
    installToolkitTranslation();
}

void MainWindow::installToolkitTranslation()
{
    // The toolkit's own dialogs (files, fonts, printers) follow the language.
    if (toolkitTranslation_) QCoreApplication::removeTranslator(toolkitTranslation_.get());
    toolkitTranslation_.reset();
    if (language_ != CzechBase) return;
    auto translation = std::make_unique<QTranslator>();
    if (translation->load(QStringLiteral("qtbase_cs"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translation.get());
        toolkitTranslation_ = std::move(translation);
    }
}

void MainWindow::switchLanguage(int languageBase)
{
    language_ = languageBase == CzechBase ? CzechBase : EnglishBase;
    applyTexts();
    if (about_) about_->applyTexts(language_);
    settings_.Write("MainForm", "Language", language_ == CzechBase ? "2000" : "1000");
}

void MainWindow::showHelpContents()
{
    ShowHelpContents(this, language_);
}

void MainWindow::showHelpSearch()
{
    ShowHelpSearch(this, language_);
}

void MainWindow::showAbout()
{
    if (about_) about_->exec();
}

// ---------------------------------------------------------------- notices

QMessageBox::StandardButton MainWindow::ask(const MessageRequest& request)
{
    return dialogs_.ask(this, request);
}

void MainWindow::showErrorNotice(const QString& message)
{
    ask(ErrorNotice(captions_, message));
}

}  // namespace kresbon
