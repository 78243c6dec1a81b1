// Help > Examples: the demo and the short example scripts, each opened as a
// new unnamed script, so that Save asks for a name and no example file is
// ever written over.

#include <QFileInfo>
#include <QMenu>

#include "shell/app/main_window.h"
#include "shell/document/script_file.h"
#include "shell/editor/editor_status.h"
#include "shell/editor/script_editor.h"
#include "shell/help/examples.h"
#include "shell/texts/interface_text.h"
#include "ui_main_window.h"

namespace kresbon {

void MainWindow::setUpExamples()
{
    QMenu* menu = examplesMenu();
    // Made afresh each time the menu opens, in the language of the moment.
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        menu->clear();
        for (const Example& example : Examples()) {
            QAction* item = menu->addAction(UiText(language_, example.title));
            item->setObjectName(QStringLiteral("MnuExample_") + QFileInfo(QString::fromLatin1(example.file)).baseName());
            connect(item, &QAction::triggered, this, [this, &example] { runGuarded([this, &example] { openExample(example); }); });
        }
    });
}

void MainWindow::openExample(const Example& example)
{
    const QString path = ExampleFile(environment_.examplesFolder, environment_.demoScript, language_, example);
    // A missing example is reported before anything of the user's is touched.
    ScriptDocument loaded = ReadScriptFile(path);
    if (!passUnsavedGuard(GuardedCommand::New)) return;
    Interpreter& interpreter = runs_->stopped();
    scriptFile_.clear();
    exampleFolder_ = QFileInfo(path).absolutePath();
    updateCaption();
    ui_->MEMO_SCRIPT->setPlainText(loaded.text);
    ui_->MEMO_SCRIPT->clearRunError();
    ui_->MEMO_SCRIPT->setModified(false);
    loaded.text.clear();
    document_ = std::move(loaded);
    updateCaretReadout();
    interpreter.ResetDrawingState();
    interpreter.ClearDrawing();
    showDrawing();
    runScript();
}

}  // namespace kresbon
