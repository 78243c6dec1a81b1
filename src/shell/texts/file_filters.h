#pragma once

#include <QString>
#include <QStringList>

namespace kresbon {

// Filters are written as "description|patterns|description|patterns...",
// patterns separated by ";", as the program's texts build them.

// "KRS Files (*.krs)|*.krs|All Files (*.*)|*.*" in the language given.
QString ScriptFileFilter(int languageBase);
// BMP, JPEG, GIF, PNG, all pictures and all files, in the language given.
QString PictureFileFilter(int languageBase);

// The toolkit's name filters for such a filter: the patterns come from the
// pattern part ("*.*" matches every file), the description keeps its words.
// "JPEG Files (*.jpg, *.jpeg)|*.jpg;*.jpeg" gives "JPEG Files (*.jpg *.jpeg)".
QStringList ToNameFilters(const QString& filter);

// "bmp" for "BMP Files (*.bmp)"; empty when the first pattern names no
// single extension.
QString FirstSuffixOf(const QString& nameFilter);

}  // namespace kresbon
