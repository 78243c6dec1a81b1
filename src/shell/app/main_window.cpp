#include "shell/app/main_window.h"
#include "shell/document/recovery.h"

#include <clocale>

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include "platform/texts.h"
#include "shell/dialogs/about_dialog.h"
#include "shell/app/application.h"
#include "shell/app/window_layout.h"
#include "shell/bond/drawing_bond.h"
#include "shell/editor/editor_status.h"
#include "shell/texts/error_text.h"
#include "shell/texts/file_filters.h"
#include "shell/editor/script_editor.h"
#include "shell/run/script_runner.h"
#include "shell/settings/settings_values.h"
#include "shell/step/step_mode.h"
#include "ui_main_window.h"
#include "shell/texts/interface_text.h"

namespace kresbon {

MainWindow::MainWindow(ShellEnvironment environment, UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::FormMain>()),
      environment_(std::move(environment)),
      dialogs_(dialogs),
      settings_(environment_.settingsPath.toStdString())
{
    ui_->setupUi(this);
    MakeToolbarWrap(ui_->P_VYKRES_TOOLBAR, {ui_->L_VRSTVY, ui_->ChLayer1, ui_->ChLayer2, ui_->ChLayer3, ui_->ChLayer4,
                                            ui_->ChLayer5, ui_->ChLayer6, ui_->ChLayer7, ui_->ChLayer8, ui_->ChLayer9},
                    QStringLiteral("P_LAYERS"));
    splitterShare_ = new SplitterShare(ui_->Splitter1);
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
        std::map<Place, QMenu*>{{Place::Script, ui_->MnuScript}, {Place::Edit, ui_->MnuEdit}, {Place::Drawing, ui_->MnuVykres},
                                {Place::Help, ui_->MnuAbout}},
        editorPopup_, qobject_cast<QBoxLayout*>(ui_->P_VYKRES_TOOLBAR->layout()),
        [this](const ActionRow& row) { runGuarded([this, &row] { row.run(*this); }); });
    setUpParts();
    runs_->setStopKey(action(QStringLiteral("StopRunKey")));
    stepMode_ = new StepMode({*ui_->MEMO_SCRIPT, *ui_->IMAGE_VYKRES, *runs_, *runs_->statusLabel(),
                              *action(QStringLiteral("MnuDrawToCaret")), settings_, [this] { return language_; }},
                             this);
    buildDrawingPopup();
    connectCommands();
    setUpEditingLoop();
    setUpFileFollowing();
    setUpRecovery();
    setUpExamples();
    setUpDrawingBond();

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
    documents_->updateCaption();
    applyScriptFont();
    prints_->readPrintSettings();

    showDrawing();
    setUpDesktopConventions();
}

MainWindow::~MainWindow()
{
    // The bond's questions end first, then a run still going.
    delete bond_;
    bond_ = nullptr;
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
    values.colourDepth = prints_->printDepth();
    const QString exampleFolder = documents_->exampleFolder();
    values.programFolder = (exampleFolder.isEmpty() ? environment_.programFolder : exampleFolder).toStdString();
    values.scriptFile = documents_->scriptFile().toStdString();
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

void MainWindow::setUpParts()
{
    ScriptEditor* editor = ui_->MEMO_SCRIPT;
    const auto guarded = [this](const std::function<void()>& work) { runGuarded(work); };
    DocumentHooks document;
    document.stopRuns = [this] { runs_->stopped(); };
    document.clearDrawing = [this] {
        Interpreter& interpreter = runs_->stopped();
        interpreter.ResetDrawingState();
        interpreter.ClearDrawing();
        showDrawing();
    };
    document.runScript = [this] { runScript(); };
    document.guarded = guarded;
    document.caretMoved = [this] { updateCaretReadout(); };
    documents_ = new DocumentController(*this, *editor, settings_, dialogs_, std::move(document));
    documents_->setRecentMenu(actions_->menu(Place::Recent), action(QStringLiteral("MnuRecentClear")));

    PrintHooks print;
    print.runScript = [this](bool recordShapes) { runScript(recordShapes); };
    print.scriptLines = [editor] { return EditorLines(*editor); };
    print.scriptFile = [this] { return documents_->scriptFile(); };
    print.showError = [this](const QString& message) { showErrorNotice(message); };
    print.busyArea = ui_->ScrollBox_VYKRES;
    prints_ = new PrintController(*this, *runs_, settings_, dialogs_, environment_.settingsPath, std::move(print));

    zoom_ = new ZoomControl(*ui_->IMAGE_VYKRES, *ui_->ScrollBox_VYKRES, ui_->P_VYKRES_TOOLBAR);
    help_ = new HelpKeys(*this, *editor, guarded);
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

// ---------------------------------------------------------------- texts

void MainWindow::applyTexts()
{
    captions_ = LoadMessageCaptions(language_);
    action(QStringLiteral("MnuJazyk_EN"))->setChecked(language_ != CzechBase);
    action(QStringLiteral("MnuJazyk_CZ"))->setChecked(language_ == CzechBase);
    documents_->applyTexts(language_);
    prints_->setLanguage(language_);
    help_->setLanguage(language_);
    pictureFilter_ = PictureFileFilter(language_);

    ui_->MnuScript->menuAction()->setText(UiText(language_, TextId::MenuScript));
    ui_->MnuEdit->menuAction()->setText(UiText(language_, TextId::MenuEdit));
    ui_->MnuVykres->menuAction()->setText(UiText(language_, TextId::MenuDrawing));
    ui_->MnuAbout->menuAction()->setText(UiText(language_, TextId::MenuHelp));
    actions_->applyTexts(language_);
    applyDrawingPopupTexts();
    ui_->L_VRSTVY->setText(UiText(language_, TextId::Layers));
    applyEditingTexts();
    applyFollowTexts();
    toolkitTranslation_.follow(language_);
}

void MainWindow::switchLanguage(int languageBase)
{
    language_ = languageBase == CzechBase ? CzechBase : EnglishBase;
    applyTexts();
    if (about_) about_->applyTexts(language_);
    settings_.Write("MainForm", "Language", language_ == CzechBase ? "2000" : "1000");
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
