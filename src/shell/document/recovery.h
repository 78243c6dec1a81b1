#pragma once

#include <QLockFile>
#include <QString>
#include <memory>
#include <optional>

namespace kresbon {

// A copy of the unsaved script kept in the user's state folder, so that a
// crash or a killed program loses nothing: written while there are unsaved
// edits, removed when the program closes cleanly, offered at the next start
// when it is still there.
//
// One running program keeps the copy; another started meanwhile keeps none
// and finds none, so that it never offers a copy whose program still runs.
class Recovery {
public:
    // The folder holding the copy; empty for the user's state folder.
    explicit Recovery(QString folder = {});
    ~Recovery();

    // $XDG_STATE_HOME/Kresbon, or ~/.local/state/Kresbon.
    static QString StateFolder();

    // This program keeps the copy.
    bool active() const { return lock_ != nullptr; }

    // Writes the editor's text and the name of its script file (empty for
    // none) in place of the copy, through a temporary file. Throws FileError.
    void store(const QString& text, const QString& scriptFile);
    // Removes the copy.
    void discard();

    struct Copy {
        QString text;
        QString scriptFile;
    };
    // The copy a program that did not close cleanly left behind, found at
    // construction. Until it is taken, store and discard leave it alone, so
    // that runs made before the user has answered cannot lose it.
    std::optional<Copy> takeLeftOver();

    QString copyPath() const;

private:
    QString folder_;
    std::optional<Copy> readCopy() const;

    std::unique_ptr<QLockFile> lock_;
    std::optional<Copy> leftOver_;
};

}  // namespace kresbon
