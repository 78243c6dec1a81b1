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
#include "ui_main_window.h"
#include "shell/texts/interface_text.h"

namespace kresbon {

namespace {

constexpr int DesignWidth = 533;
constexpr int DesignHeight = 335;
constexpr int DesignLeft = 195;
constexpr int DesignTop = 110;
constexpr int DesignSplitter = 160;

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

// A themed icon when the desktop has one, else the program's own.
QIcon ProgramIcon(const QString& themeName, const QString& ownName)
{
    return QIcon::fromTheme(themeName, OwnIcon(ownName));
}

}  // namespace

MainWindow::MainWindow(ShellEnvironment environment, UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::FormMain>()),
      environment_(std::move(environment)),
      dialogs_(dialogs),
      settings_(environment_.settingsPath.toStdString()),
      interpreter_(*this)
{
    ui_->setupUi(this);
    // The drawing pane is never narrower than its toolbar.
    ui_->P_VYKRES->setMinimumWidth(std::max(337, ui_->P_VYKRES->minimumSizeHint().width()));
    ui_->Splitter1->setStretchFactor(0, 0);
    ui_->Splitter1->setStretchFactor(1, 1);
    ui_->ScrollBox_VYKRES->viewport()->setBackgroundRole(QPalette::Window);
    ui_->ScrollBox_VYKRES->viewport()->setAutoFillBackground(true);
    buildEditorPopup();
    buildDrawingPopup();
    setIcons();
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
    saved_ = true;
    scriptFile_.clear();
    updateCaption();
    applyScriptFont();
    readPrintSettings();

    helpKey_ = new QAction(this);
    helpKey_->setShortcut(QKeySequence(Qt::Key_F1));
    helpKey_->setShortcutContext(Qt::ApplicationShortcut);
    addAction(helpKey_);
    connect(helpKey_, &QAction::triggered, this,
            [this] { runGuarded([this] { showHelpForCaretWord(); }); });

    showDrawing();
    setUpDesktopConventions();
}

MainWindow::~MainWindow()
{
    // A run still going uses the interpreter and the window: it ends first.
    delete runner_;
    runner_ = nullptr;
    if (auto* app = qobject_cast<KresbonApplication*>(QCoreApplication::instance()))
        app->setErrorHook(nullptr);
    showCrossPointer(false);
}

void MainWindow::setAboutDialog(AboutDialog* about)
{
    about_ = about;
    if (about_) about_->applyTexts(language_);
}

// A run on the worker thread reads what the window was when it started.
bool MainWindow::layerShown(int layer) const
{
    if (QThread::currentThread() != thread())
        return layer >= 1 && layer <= 9 && runSnapshot_.layers[static_cast<std::size_t>(layer)] == 1;
    return layer >= 1 && layer <= 9 && layerFlags_[static_cast<std::size_t>(layer)] == 1;
}

int MainWindow::viewWidth() const
{
    if (QThread::currentThread() != thread()) return runSnapshot_.viewWidth;
    return ui_->ScrollBox_VYKRES->viewport()->width();
}

int MainWindow::viewHeight() const
{
    if (QThread::currentThread() != thread()) return runSnapshot_.viewHeight;
    return ui_->ScrollBox_VYKRES->viewport()->height();
}

int MainWindow::languageBase() const
{
    if (QThread::currentThread() != thread()) return runSnapshot_.language;
    return language_;
}

std::string MainWindow::programFolder() const
{
    if (QThread::currentThread() != thread()) return runSnapshot_.programFolder;
    return environment_.programFolder.toStdString();
}

std::string MainWindow::currentScriptFile() const
{
    if (QThread::currentThread() != thread()) return runSnapshot_.scriptFile;
    return scriptFile_.toStdString();
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
    const std::array<QAction*, 9> items{ui_->MnuLayer1, ui_->MnuLayer2, ui_->MnuLayer3,
                                        ui_->MnuLayer4, ui_->MnuLayer5, ui_->MnuLayer6,
                                        ui_->MnuLayer7, ui_->MnuLayer8, ui_->MnuLayer9};
    return items.at(static_cast<std::size_t>(layer - 1));
}

void MainWindow::buildEditorPopup()
{
    editorPopup_ = new QMenu(this);
    editorPopup_->setObjectName(QStringLiteral("PopupMEMO_SCRIPT"));
    auto item = [this](const char* name) {
        QAction* action = editorPopup_->addAction(QString());
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    item("PopMemoNew");
    item("PopMemoOpenScr");
    item("PopMemoSaveScr");
    item("PopMemoSaveScrAs");
    editorPopup_->addSeparator();
    item("PopMemoFont");
    connect(ui_->MEMO_SCRIPT, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        editorPopup_->exec(ui_->MEMO_SCRIPT->viewport()->mapToGlobal(at));
    });
}

void MainWindow::setIcons()
{
    ui_->BtnNew->setIcon(ProgramIcon(QStringLiteral("document-new"), QStringLiteral("new")));
    ui_->BtnOpenScr->setIcon(ProgramIcon(QStringLiteral("document-open"), QStringLiteral("open")));
    ui_->BtnSaveScr->setIcon(ProgramIcon(QStringLiteral("document-save"), QStringLiteral("save")));
    ui_->BtnRefresh->setIcon(ProgramIcon(QStringLiteral("view-refresh"), QStringLiteral("refresh")));
    ui_->BtnSavePic->setIcon(ProgramIcon(QStringLiteral("document-save-as"), QStringLiteral("save-picture")));
    ui_->BtnPrintPic->setIcon(ProgramIcon(QStringLiteral("document-print"), QStringLiteral("print")));
    ui_->MnuNew->setIcon(ui_->BtnNew->icon());
    ui_->MnuOpenScr->setIcon(ui_->BtnOpenScr->icon());
    ui_->MnuSaveScr->setIcon(ui_->BtnSaveScr->icon());
    ui_->MnuRefresh->setIcon(ui_->BtnRefresh->icon());
    ui_->MnuSavePic->setIcon(ui_->BtnSavePic->icon());
    ui_->MnuPrintPic->setIcon(ui_->BtnPrintPic->icon());
    ui_->MnuJazyk_EN->setIcon(FlagIcon(QStringLiteral("flag-en")));
    ui_->MnuJazyk_CZ->setIcon(FlagIcon(QStringLiteral("flag-cz")));
}

void MainWindow::runGuarded(const std::function<void()>& work)
{
    try {
        work();
    } catch (const std::exception& error) {
        showErrorNotice(ErrorMessage(error, language_));
    }
}

void MainWindow::connectCommand(QAction* action, void (MainWindow::*command)())
{
    connect(action, &QAction::triggered, this, [this, command] { runGuarded([this, command] { (this->*command)(); }); });
}

void MainWindow::connectCommands()
{
    const auto popup = [this](const char* name) {
        return editorPopup_->findChild<QAction*>(QString::fromLatin1(name));
    };
    for (QAction* a : {ui_->MnuNew, popup("PopMemoNew")}) connectCommand(a, &MainWindow::newScript);
    for (QAction* a : {ui_->MnuOpenScr, popup("PopMemoOpenScr")}) connectCommand(a, &MainWindow::openScript);
    for (QAction* a : {ui_->MnuSaveScr, popup("PopMemoSaveScr")}) connectCommand(a, &MainWindow::saveScript);
    for (QAction* a : {ui_->MnuSaveScrAs, popup("PopMemoSaveScrAs")}) connectCommand(a, &MainWindow::saveScriptAs);
    for (QAction* a : {ui_->MnuFont, popup("PopMemoFont")}) connectCommand(a, &MainWindow::chooseEditorFont);
    connect(ui_->MnuKonec, &QAction::triggered, this, &QWidget::close);
    connectCommand(ui_->MnuRefresh, &MainWindow::refresh);
    connectCommand(ui_->MnuClear, &MainWindow::clearDrawing);
    connectCommand(ui_->MnuLayerAll, &MainWindow::checkAllLayers);
    connectCommand(ui_->MnuLayerNone, &MainWindow::checkNoLayers);
    connectCommand(ui_->MnuSavePic, &MainWindow::saveDrawing);
    connectCommand(ui_->MnuPrintPic, &MainWindow::printDrawing);
    connectCommand(ui_->MnuOprogramu, &MainWindow::showAbout);
    connect(ui_->MnuNapObsah, &QAction::triggered, this,
            [this] { runGuarded([this] { ShowHelpContents(this, language_); }); });
    connect(ui_->MnuNapHledat, &QAction::triggered, this,
            [this] { runGuarded([this] { ShowHelpSearch(this, language_); }); });
    connect(ui_->MnuJazyk_EN, &QAction::triggered, this,
            [this] { runGuarded([this] { switchLanguage(EnglishBase); }); });
    connect(ui_->MnuJazyk_CZ, &QAction::triggered, this,
            [this] { runGuarded([this] { switchLanguage(CzechBase); }); });

    // Each toolbar button does exactly what its menu item does.
    connect(ui_->BtnNew, &QToolButton::clicked, ui_->MnuNew, &QAction::trigger);
    connect(ui_->BtnOpenScr, &QToolButton::clicked, ui_->MnuOpenScr, &QAction::trigger);
    connect(ui_->BtnSaveScr, &QToolButton::clicked, ui_->MnuSaveScr, &QAction::trigger);
    connect(ui_->BtnRefresh, &QToolButton::clicked, ui_->MnuRefresh, &QAction::trigger);
    connect(ui_->BtnSavePic, &QToolButton::clicked, ui_->MnuSavePic, &QAction::trigger);
    connect(ui_->BtnPrintPic, &QToolButton::clicked, ui_->MnuPrintPic, &QAction::trigger);

    for (int layer = 1; layer <= 9; ++layer) {
        connect(layerBox(layer), &QCheckBox::toggled, this, [this, layer](bool ticked) {
            runGuarded([this, layer, ticked] { onLayerBoxChanged(layer, ticked); });
        });
        connect(layerItem(layer), &QAction::triggered, this,
                [this, layer] { runGuarded([this, layer] { toggleLayer(layer); }); });
    }

    // Typing must stay cheap in a long script: a change only clears the
    // saved flag, and the caret readout is a constant-time look-up.
    connect(ui_->MEMO_SCRIPT, &QsciScintilla::textChanged, this, [this] { saved_ = false; });
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
    if (runInProgress()) {
        QTimer::singleShot(20, this, [this] { runGuarded([this] { firstActivation(); }); });
        return;
    }
    firstActivationStarted_ = true;
    layerRefresh_ = false;
    for (int layer = 1; layer <= 9; ++layer) {
        const std::string key = "Layer" + std::to_string(layer);
        if (LayerShownFromSetting(settings_.Read("Layers", key))) layerBox(layer)->setChecked(true);
    }
    caretToError_ = true;
    interpreter_.ResetDrawingState();
    interpreter_.ClearDrawing();
    showDrawing();

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
    // A run that a command waits for ends first; one made while typing is
    // stopped.
    if (runInProgress() && !liveRun_) {
        stopRun();
        event->ignore();
        return;
    }
    if (liveRun_) {
        stopRun();
        settleRun();
    }
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
    // which the user chose and is told about.
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
    ui_->MnuJazyk_EN->setChecked(language_ != CzechBase);
    ui_->MnuJazyk_CZ->setChecked(language_ == CzechBase);
    scriptFilter_ = ScriptFileFilter(language_);
    pictureFilter_ = PictureFileFilter(language_);
    setWindowTitle(UiText(language_, TextId::MainWindowTitle));

    const auto popup = [this](const char* name) {
        return editorPopup_->findChild<QAction*>(QString::fromLatin1(name));
    };
    const std::pair<QAction*, TextId> items[] = {
        {ui_->MnuScript->menuAction(), TextId::MenuScript},
        {ui_->MnuNew, TextId::MenuNew},
        {ui_->MnuOpenScr, TextId::MenuOpenScript},
        {ui_->MnuSaveScr, TextId::MenuSaveScript},
        {ui_->MnuSaveScrAs, TextId::MenuSaveScriptAs},
        {ui_->MnuFont, TextId::MenuFont},
        {ui_->MnuKonec, TextId::MenuExit},
        {ui_->MnuVykres->menuAction(), TextId::MenuDrawing},
        {ui_->MnuRefresh, TextId::MenuRefresh},
        {ui_->MnuClear, TextId::MenuClear},
        {ui_->MnuSavePic, TextId::MenuSaveDrawingAs},
        {ui_->MnuPrintPic, TextId::MenuPrintDrawing},
        {ui_->MnuAbout->menuAction(), TextId::MenuHelp},
        {ui_->MnuNapObsah, TextId::MenuContents},
        {ui_->MnuNapHledat, TextId::MenuFind},
        {ui_->MnuJazyk->menuAction(), TextId::MenuLanguage},
        {ui_->MnuJazyk_EN, TextId::MenuEnglish},
        {ui_->MnuJazyk_CZ, TextId::MenuCzech},
        {ui_->MnuOprogramu, TextId::MenuAbout},
        {popup("PopMemoNew"), TextId::PopupNew},
        {popup("PopMemoOpenScr"), TextId::PopupOpenScript},
        {popup("PopMemoSaveScr"), TextId::PopupSaveScript},
        {popup("PopMemoSaveScrAs"), TextId::PopupSaveScriptAs},
        {popup("PopMemoFont"), TextId::PopupFont},
        {ui_->MnuLayers->menuAction(), TextId::ShowLayers},
        {ui_->MnuLayerAll, TextId::CheckAll},
        {ui_->MnuLayerNone, TextId::CheckNone},
    };
    for (const auto& [action, n] : items) action->setText(UiText(language_, n));
    for (int layer = 1; layer <= 9; ++layer)
        layerItem(layer)->setText(UiText(language_, TextId::FirstLayer + (layer - 1)));
    applyDrawingPopupTexts();

    const std::pair<QToolButton*, TextId> hints[] = {
        {ui_->BtnNew, TextId::ButtonNew},
        {ui_->BtnOpenScr, TextId::ButtonOpenScript},
        {ui_->BtnSaveScr, TextId::ButtonSaveScript},
        {ui_->BtnRefresh, TextId::ButtonRefresh},
        {ui_->BtnSavePic, TextId::ButtonSaveDrawingAs},
        {ui_->BtnPrintPic, TextId::ButtonPrintDrawing},
    };
    for (const auto& [button, n] : hints) button->setToolTip(UiText(language_, n));
    ui_->L_VRSTVY->setText(UiText(language_, TextId::Layers));
    applyEditingTexts();
    applyDesktopTexts();
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
