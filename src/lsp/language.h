#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

// What kresbon-lsp knows of one script: its lines and procedures, and the
// answers to the editor's questions about a place in it. Texts are UTF-8;
// positions are the protocol's (line, UTF-16 unit).
namespace kresbon::lsp {

using nlohmann::json;

struct ProcedureInfo {
    std::string name;
    // The declaration as written, from the name on: "Box x, y".
    std::string declaration;
    std::vector<std::string> parameters;
    int line = 0;
    int endLine = 0;  // the End line, or the last line when there is none
    int nameStart = 0, nameEnd = 0;  // UTF-16 columns of the name
};

class Document {
public:
    Document(std::string uri, std::string text);

    const std::string& uri() const { return uri_; }
    const std::string& text() const { return text_; }
    // The file the document is, empty for a document that is no file.
    const std::string& path() const { return path_; }

    json Completion(const json& position, int language) const;
    json SignatureHelp(const json& position, int language) const;
    json Hover(const json& position, int language, const std::string& helpFolder) const;
    json Definition(const json& position) const;
    json Symbols() const;
    json FoldingRanges() const;

    // The first error of a run of the script without a window, with its
    // hint, stopped after budgetMilliseconds; the program folder resolves
    // includes of a document that is no file.
    json Diagnostics(int language, const std::string& programFolder, int budgetMilliseconds) const;

private:
    const ProcedureInfo* findProcedure(std::string_view name) const;

    std::string uri_;
    std::string text_;
    std::string path_;
    // Each line on its own, without its line end.
    std::vector<std::string> lines_;
    std::vector<ProcedureInfo> procedures_;
};

// The file a file: URI names, percent escapes decoded; empty for others.
std::string PathOfUri(std::string_view uri);
std::string UriOfPath(std::string_view path);

// Byte offset in a UTF-8 line of a UTF-16 column, and back.
std::size_t ByteOfColumn(std::string_view line, long long column);
int ColumnOfByte(std::string_view line, std::size_t byte);

}  // namespace kresbon::lsp
