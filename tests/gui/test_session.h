#pragma once

#include <QSize>
#include <memory>
#include <string>

#include "test_support.h"

namespace kresbon::testing {

// One test's window with a program folder and dialog answers of its own.
// A test file derives its own session to add what it looks at.
struct WindowSession {
    Sandbox box;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;

    MainWindow& w() { return *window; }
    ScriptEditor& editor() { return Editor(*window); }
};

// Shows a window of the given size on a demo script holding script, with
// settings as the settings file's text when given; nothing when the window
// never finished starting.
template <typename Session = WindowSession>
std::unique_ptr<Session> StartSession(const std::string& script, QSize size, const std::string& settings = {})
{
    auto s = std::make_unique<Session>();
    s->box.write("demo.krs", script);
    if (!settings.empty()) s->box.writeSettings(settings);
    s->window = std::make_unique<MainWindow>(s->box.environment(), s->dialogs);
    s->window->resize(size);
    if (!Started(*s->window)) return nullptr;
    return s;
}

}  // namespace kresbon::testing
