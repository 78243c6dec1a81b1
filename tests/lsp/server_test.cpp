// kresbon-lsp spoken to directly: the answers a client reads, and a client
// that misbehaves.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "lsp_client.h"

namespace kresbon::lsptest {
namespace {

namespace fs = std::filesystem;

class LspServer : public ::testing::Test {
protected:
    LspClient client{KRESBON_LSP};
    fs::path dir = fs::temp_directory_path() / ("kresbon_lsp_" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }

    std::string uri(const std::string& name) { return "file://" + (dir / name).string(); }
    void initialize(const json& params = json::object())
    {
        ASSERT_TRUE(client.Request(1, "initialize", params));
        const auto answer = client.Answer(1);
        ASSERT_TRUE(answer && answer->contains("result"));
        client.Notify("initialized", json::object());
    }
    void open(const std::string& name, const std::string& text)
    {
        client.Notify("textDocument/didOpen",
                      {{"textDocument", {{"uri", uri(name)}, {"languageId", "kresbon"}, {"version", 1}, {"text", text}}}});
    }
    json ask(int id, const std::string& method, const std::string& name, int line, int character)
    {
        client.Request(id, method, {{"textDocument", {{"uri", uri(name)}}}, {"position", {{"line", line}, {"character", character}}}});
        const auto answer = client.Answer(id);
        return answer ? answer->value("result", json()) : json("no answer");
    }
    json diagnostics()
    {
        const auto published = client.Notification("textDocument/publishDiagnostics");
        return published ? (*published)["params"]["diagnostics"] : json("none published");
    }
};

TEST_F(LspServer, SurvivesAClientThatMisbehaves)
{
    // Before initialize, requests are refused.
    client.Request(7, "textDocument/hover", json::object());
    auto answer = client.Answer(7);
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)["error"]["code"], -32002);
    initialize();

    client.SendRaw("Content-Length: 8\r\n\r\n{\"jsonrp");
    answer = client.Next();
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)["error"]["code"], -32700);
    client.SendRaw("Content-Length: 2\r\n\r\n[]");
    answer = client.Next();
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)["error"]["code"], -32600);

    client.Request(2, "workspace/somethingNew", json::object());
    answer = client.Answer(2);
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)["error"]["code"], -32601);
    client.Notify("$/unknownNotice", json::object());  // no answer to a notification
    client.Request(3, "textDocument/completion", {{"textDocument", {{"uri", uri("none.krs")}}}, {"position", "x"}});
    answer = client.Answer(3);
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->contains("result") || answer->contains("error"));
    open("bad.krs", "Line 1, 1, 2, 2");
    client.Request(4, "textDocument/completion", {{"textDocument", {{"uri", uri("bad.krs")}}}, {"position", "x"}});
    answer = client.Answer(4);
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)["error"]["code"], -32602);

    // A 10 MB document is diagnosed and answered about.
    std::string large;
    while (large.size() < 10'000'000) large += "Line 1, 1, 50, 50, Dash, 1, Red % a line among many\n";
    open("large.krs", large + "Circel 1, 1, 1\n");
    EXPECT_EQ(ask(5, "textDocument/completion", "large.krs", 2, 20).size(), 5u);
    const json found = diagnostics();
    ASSERT_TRUE(found.is_array()) << found;

    // Exit without shutdown ends the server with status 1, as the protocol
    // has it.
    client.Notify("exit", json::object());
    EXPECT_EQ(client.ExitStatus(), 1);
}

TEST_F(LspServer, AnswersAboutTheScript)
{
    initialize({{"locale", "cs-CZ"}});
    std::ofstream(dir / "part.krs") << "Point 1, 1\nElipse 1, 1, 5, 5\n";
    open("main.krs", "Procedure Box #x, #y\nRectangle #x, #y, 9, 9\nEnd\n@include \"part.krs\"\nBox 1, 2\n");
    const json found = diagnostics();
    ASSERT_EQ(found.size(), 1u) << found;
    EXPECT_EQ(found[0]["range"]["start"]["line"], 3);
    EXPECT_EQ(found[0]["message"], "Příkaz \"Elipse\" je nepřípustný.\nMysleli jste Ellipse?");

    const json signature = ask(2, "textDocument/signatureHelp", "main.krs", 1, 18);
    EXPECT_EQ(signature["activeParameter"], 2);
    const json call = ask(3, "textDocument/signatureHelp", "main.krs", 4, 7);
    EXPECT_EQ(call["signatures"][0]["label"], "Box #x, #y");
    EXPECT_EQ(call["activeParameter"], 1);
    const std::string hover = ask(4, "textDocument/hover", "main.krs", 1, 3)["contents"]["value"];
    EXPECT_NE(hover.find("**Rectangle**"), std::string::npos) << hover;
    const std::string procedure = ask(5, "textDocument/hover", "main.krs", 4, 1)["contents"]["value"];
    EXPECT_NE(procedure.find("Procedure Box #x, #y"), std::string::npos) << procedure;
    const json include = ask(6, "textDocument/definition", "main.krs", 3, 3);
    EXPECT_EQ(include["uri"], uri("part.krs"));

    client.Request(7, "textDocument/documentSymbol", {{"textDocument", {{"uri", uri("main.krs")}}}});
    const auto symbols = client.Answer(7);
    ASSERT_TRUE(symbols);
    EXPECT_EQ((*symbols)["result"][0]["name"], "Box");
    EXPECT_EQ((*symbols)["result"][0]["range"]["end"]["line"], 2);
    client.Request(8, "textDocument/foldingRange", {{"textDocument", {{"uri", uri("main.krs")}}}});
    const auto folds = client.Answer(8);
    ASSERT_TRUE(folds);
    EXPECT_EQ((*folds)["result"], json::parse(R"([{"startLine":0,"endLine":2}])"));

    // A short script (kept within its string) is read as well as a long one;
    // a fixed script clears its diagnostic.
    client.Notify("textDocument/didChange", {{"textDocument", {{"uri", uri("main.krs")}, {"version", 2}}},
                                             {"contentChanges", {{{"text", "Pont 1, 1"}}}}});
    const json shortOne = diagnostics();
    ASSERT_EQ(shortOne.size(), 1u) << shortOne;
    EXPECT_EQ(shortOne[0]["range"]["end"], json::parse(R"({"line":0,"character":9})"));
    EXPECT_EQ(ask(10, "textDocument/completion", "main.krs", 0, 2).size(), 25u);
    client.Notify("textDocument/didChange", {{"textDocument", {{"uri", uri("main.krs")}, {"version", 3}}},
                                             {"contentChanges", {{{"text", "Point 1, 1\n"}}}}});
    EXPECT_EQ(diagnostics(), json::array());
    client.Request(9, "shutdown", nullptr);
    EXPECT_TRUE(client.Answer(9));
    client.Notify("exit", nullptr);
    EXPECT_EQ(client.ExitStatus(), 0);
}

}  // namespace
}  // namespace kresbon::lsptest
