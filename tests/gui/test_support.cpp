#include "test_support.h"

#include <QFile>
#include <QTest>

#include "shell/editor/script_editor.h"
#include "ui_main_window.h"

namespace kresbon::testing {

QMessageBox::StandardButton FakeDialogs::ask(QWidget*, const MessageRequest& request)
{
    asked.push_back(request);
    if (request.buttons == QMessageBox::StandardButtons(QMessageBox::Yes)) return QMessageBox::Yes;
    if (answers.empty()) {
        ++unexpected;
        return QMessageBox::Cancel;
    }
    const QMessageBox::StandardButton answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<QString> FakeDialogs::openFileName(QWidget*, const FileDialogRequest& request)
{
    openRequests.push_back(request);
    if (openNames.empty()) {
        ++unexpected;
        return std::nullopt;
    }
    auto name = openNames.front();
    openNames.pop_front();
    return name;
}

std::optional<QString> FakeDialogs::saveFileName(QWidget*, const FileDialogRequest& request)
{
    saveRequests.push_back(request);
    if (saveNames.empty()) {
        ++unexpected;
        return std::nullopt;
    }
    auto name = saveNames.front();
    saveNames.pop_front();
    if (request.millimetresPerUnit != nullptr) {
        shownMillimetres = *request.millimetresPerUnit;
        if (name && millimetres) *request.millimetresPerUnit = *millimetres;
    }
    return name;
}

std::optional<QFont> FakeDialogs::chooseFont(QWidget*, const QFont&)
{
    ++fontRequests;
    return font;
}

bool FakeDialogs::setUpPrinter(QWidget*, QPrinter&, PrintChoice&)
{
    ++printerRequests;
    return false;
}

std::optional<ChosenFont> FakeDialogs::chooseFontAndColour(QWidget*, const QFont&, const QColor& shown,
                                                           const QString& caption)
{
    ++fontRequests;
    shownColour = shown;
    colourCaption = caption;
    if (!font) return std::nullopt;
    return ChosenFont{*font, colour.value_or(shown)};
}

bool FakeDialogs::previewPrint(QWidget*, QPrinter& printer, const std::function<void(QPrinter&)>& paint)
{
    ++previewRequests;
    if (previewSetUp) previewSetUp(printer);
    paint(printer);
    return previewPrints;
}

std::vector<MessageRequest> FakeDialogs::notices() const
{
    std::vector<MessageRequest> result;
    for (const auto& r : asked)
        if (r.buttons == QMessageBox::StandardButtons(QMessageBox::Yes)) result.push_back(r);
    return result;
}

std::vector<MessageRequest> FakeDialogs::questions() const
{
    std::vector<MessageRequest> result;
    for (const auto& r : asked)
        if (r.buttons != QMessageBox::StandardButtons(QMessageBox::Yes)) result.push_back(r);
    return result;
}

void FakeDialogs::forget()
{
    asked.clear();
    openRequests.clear();
    saveRequests.clear();
    fontRequests = 0;
    printerRequests = 0;
    previewRequests = 0;
    unexpected = 0;
}

Sandbox::Sandbox() = default;

ShellEnvironment Sandbox::environment(QStringList arguments) const
{
    ShellEnvironment e;
    e.programFolder = dir_.path();
    e.settingsPath = path(QStringLiteral("Kresbon.ini"));
    e.demoScript = path(QStringLiteral("demo.krs"));
    e.arguments = std::move(arguments);
    e.stateFolder = path(QStringLiteral("state"));
    return e;
}

void Sandbox::write(const QString& name, const std::string& bytes) const
{
    QFile file(path(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write test file");
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string Sandbox::read(const QString& name) const
{
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll().toStdString();
}

bool Sandbox::exists(const QString& name) const
{
    return QFile::exists(path(name));
}

bool Started(MainWindow& window)
{
    window.show();
    return QTest::qWaitFor([&] { return window.firstActivationDone(); }, 5000);
}

SystemLanguage::SystemLanguage(const char* locale) : saved_(qgetenv("LC_ALL"))
{
    qputenv("LC_ALL", locale);
}

SystemLanguage::~SystemLanguage()
{
    qputenv("LC_ALL", saved_);
}

ScriptEditor& Editor(MainWindow& w)
{
    return *w.form().MEMO_SCRIPT;
}

void Type(MainWindow& w, const QString& text)
{
    Editor(w).append(text);
    Editor(w).SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
}

}  // namespace kresbon::testing
