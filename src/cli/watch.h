#pragma once

#include <map>
#include <set>
#include <string>

#include "interpreter/interpreter.h"

// Following a script's files for kresbon-render --watch.
namespace kresbon {

// Ends the watch on Ctrl+C or a termination request: the run in progress
// through control is stopped and StopRequested() turns true.
void StopOnInterrupt(RunControl& control);
bool StopRequested();

// The files a drawing depends on, each noted as it stood when last looked
// at (there or not, which file, its size and times). Editors that save by
// writing a new file and renaming it are seen as well as those that write
// in place.
class FileWatch {
public:
    // Notes how each file stands now; files not named are forgotten.
    void Note(const std::set<std::string>& paths);
    // Notes the files not noted yet and forgets those not named, keeping
    // the notes of the others, so that a change since they were noted is
    // still seen.
    void Keep(const std::set<std::string>& paths);
    // Waits until some file differs from its note and then stays unchanged
    // for a moment, as a file being written does once it is written; false
    // when the watch is to end instead.
    bool WaitForChange() const;

private:
    struct Stamp {
        bool exists = false;
        unsigned long long device = 0, inode = 0;
        long long size = 0, modifiedSeconds = 0, modifiedNanoseconds = 0, changedSeconds = 0,
                  changedNanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp StampOf(const std::string& path);
    std::map<std::string, Stamp> StampsNow() const;

    std::map<std::string, Stamp> notes_;
};

}  // namespace kresbon
