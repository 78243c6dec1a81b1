// Help > Examples: the menu of the demo and the short example scripts, each
// opened by the document as a new unnamed script.

#include <QFileInfo>
#include <QMenu>

#include "shell/app/main_window.h"
#include "shell/document/document_controller.h"
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
    documents_->openExample(ExampleFile(environment_.examplesFolder, environment_.demoScript, language_, example));
}

}  // namespace kresbon
