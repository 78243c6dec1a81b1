#pragma once

// document/: the open script as a document: reading and writing its file
// in its own encoding, safely; its name in the window's caption, its saved
// state and the question before unsaved work is lost (DocumentController);
// the recent scripts; following the script and the files it uses on disk;
// the copy of unsaved work kept against a crash.

#include <QString>
#include <string>

#include "interpreter/script_text.h"

namespace kresbon {

// A script as the editor holds it: Unicode text with "\n" line breaks, and
// the way its file was written, so that saving writes it back the same way.
struct ScriptDocument {
    QString text;
    ScriptEncoding encoding = ScriptEncoding::Utf8;
    bool byteOrderMark = false;
};

// Decodes a script file's bytes: UTF-8 when they are valid UTF-8 (an ASCII
// file counts as UTF-8), Windows-1250 otherwise. CR LF, LF and CR each end a
// line; the text keeps a final line end.
ScriptDocument DecodeScriptDocument(std::string_view bytes);

// The bytes of a script file: lines joined by CR LF, no line end added after
// the last line. A Windows-1250 document whose text holds characters that
// code page lacks is written as UTF-8 instead, so that nothing typed is lost.
std::string EncodeScriptDocument(const ScriptDocument& document);

// The encoding EncodeScriptDocument writes the document in.
ScriptEncoding SavedEncoding(const ScriptDocument& document);

// Reads a script file: a regular file of at most 1 GiB, read whole or not at
// all. Throws FileError naming the file.
ScriptDocument ReadScriptFile(const QString& path);

// Replaces a file's contents through a temporary file beside it, so that a
// failed write never loses the old file; a symbolic link is followed and a
// folder, device or named pipe is refused. Throws FileError naming the file.
void WriteFileSafely(const QString& path, const std::string& bytes);

// True when the name is not empty and names a regular file that can be
// opened for reading; a named pipe is never waited on.
bool FileCanBeRead(const QString& path);

}  // namespace kresbon
