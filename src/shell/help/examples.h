#pragma once

#include <QString>
#include <span>

#include "platform/text_ids.h"

namespace kresbon {

// The example scripts of Help > Examples: the demo and a short script for
// each command, procedures, layers and includes, one set per language in
// examples/KR1000 (English) and examples/KR2000 (Czech), whose comments and
// texts are in that language. Their relative names resolve beside them.
struct Example {
    // The file's name within a language's folder.
    const char* file;
    TextId title;
};

// The examples in menu order, the demo first.
std::span<const Example> Examples();

// The file of an example in a language: "<examples>/KR2000/line.krs". The
// English demo is the demo script shipped with the program.
QString ExampleFile(const QString& examplesFolder, const QString& demoScript, int languageBase,
                    const Example& example);

}  // namespace kresbon
