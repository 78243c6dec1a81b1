#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/app/main_window.h"
#include "shell/dialogs/user_dialogs.h"

namespace kresbon {
class ScriptEditor;
}

namespace kresbon::testing {

// How many times longer a test waits for the program when it is built with
// the thread sanitizer, which slows every run down several times over.
#if defined(__SANITIZE_THREAD__)
constexpr int SlowBuild = 6;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr int SlowBuild = 6;
#else
constexpr int SlowBuild = 1;
#endif
#else
constexpr int SlowBuild = 1;
#endif

// Answers the main window's questions and dialogs from queues and records
// what was asked. A box with only a Yes button (a notice) is answered Yes
// without taking an answer from the queue; any other box with no answer
// queued is answered Cancel and counted as unexpected.
class FakeDialogs : public UserDialogs {
public:
    QMessageBox::StandardButton ask(QWidget* parent, const MessageRequest& request) override;
    std::optional<QString> openFileName(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> saveFileName(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QFont> chooseFont(QWidget* parent, const QFont& current) override;
    bool setUpPrinter(QWidget* parent, QPrinter& printer, PrintChoice& choice) override;
    std::optional<ChosenFont> chooseFontAndColour(QWidget* parent, const QFont& current, const QColor& colour,
                                                  const QString& colourCaption) override;
    // Paints the page once onto the printer as the preview would, after
    // previewSetUp has set it up, and answers previewPrints.
    bool previewPrint(QWidget* parent, QPrinter& printer, const std::function<void(QPrinter&)>& paint) override;

    std::deque<QMessageBox::StandardButton> answers;
    std::deque<std::optional<QString>> openNames;
    std::deque<std::optional<QString>> saveNames;
    // The millimetres per unit the save dialog gives back with a name;
    // nothing keeps the one shown, which is kept in shownMillimetres.
    std::optional<double> millimetres;
    double shownMillimetres = 0;
    std::optional<QFont> font;
    // The colour the font dialog gives back; nothing keeps the one shown.
    std::optional<QColor> colour;
    QColor shownColour;
    QString colourCaption;
    std::function<void(QPrinter&)> previewSetUp;
    bool previewPrints = false;
    int previewRequests = 0;

    std::vector<MessageRequest> asked;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;
    int fontRequests = 0;
    int printerRequests = 0;
    int unexpected = 0;

    // Notices (boxes with only a Yes button) and questions asked so far.
    std::vector<MessageRequest> notices() const;
    std::vector<MessageRequest> questions() const;
    void forget();
};

// A program folder of its own for one test: settings file, demo script and
// any other file live in a temporary folder.
class Sandbox {
public:
    Sandbox();
    QString path(const QString& name) const { return dir_.filePath(name); }
    ShellEnvironment environment(QStringList arguments = {}) const;

    void write(const QString& name, const std::string& bytes) const;
    std::string read(const QString& name) const;
    bool exists(const QString& name) const;
    // The settings file's text.
    std::string settings() const { return read(QStringLiteral("Kresbon.ini")); }
    void writeSettings(const std::string& text) const { write(QStringLiteral("Kresbon.ini"), text); }

private:
    QTemporaryDir dir_;
};

// Shows the window and waits until its first activation has run.
bool Started(MainWindow& window);

// The interface language follows the locale variables while the object lives.
class SystemLanguage {
public:
    explicit SystemLanguage(const char* locale);
    ~SystemLanguage();

private:
    QByteArray saved_;
};

// The window's script editor, and text appended to it with the caret left at
// the end, as typing would leave it.
ScriptEditor& Editor(MainWindow& w);
void Type(MainWindow& w, const QString& text);

}  // namespace kresbon::testing
