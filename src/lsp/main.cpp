// kresbon-lsp: a Language Server Protocol server for Kresbon scripts over
// standard input and output. It answers from the same word table as the
// desktop editor and runs the script without a window for its diagnostics.

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>

#include "lsp/language.h"
#include "platform/texts.h"

namespace {

using namespace kresbon;
using namespace kresbon::lsp;
using Clock = std::chrono::steady_clock;

// The protocol's error codes.
constexpr int ParseError = -32700, InvalidRequest = -32600, MethodNotFound = -32601, InvalidParams = -32602,
              ServerNotInitialized = -32002, RequestFailed = -32803;

// Changes within this time are diagnosed once, after the last of them.
constexpr auto Debounce = std::chrono::milliseconds(150);
// A run for diagnostics is stopped after this time.
constexpr int RunBudgetMilliseconds = 2000;
// Messages larger than this are read past and answered with an error.
constexpr std::size_t LargestMessage = 256u << 20;

std::string ProgramFolder()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

// The help pages: installed beside the program's share folder, or in the
// source tree for a program run from its build.
std::string HelpFolder(const std::string& programFolder)
{
    std::error_code ec;
    const std::string installed = programFolder + "/../share/kresbon/help";
    if (std::filesystem::is_directory(installed, ec)) return installed;
    return KRESBON_SOURCE_HELP;
}

// Reads framed messages from standard input.
class Reader {
public:
    // The next message body; nullopt at the end of input. Waits at most
    // until deadline when one is given, returning an empty body then.
    std::optional<std::string> Next(std::optional<Clock::time_point> deadline)
    {
        for (;;) {
            if (auto body = takeMessage()) return body;
            if (ended_) return std::nullopt;
            int timeout = -1;
            if (deadline) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
                if (left.count() <= 0) return std::string();
                timeout = static_cast<int>(left.count()) + 1;
            }
            pollfd fd{0, POLLIN, 0};
            if (::poll(&fd, 1, timeout) == 0) return std::string();
            char chunk[65536];
            const ssize_t n = ::read(0, chunk, sizeof chunk);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) continue;
                ended_ = true;
                continue;
            }
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }
    // Whether the last message taken was too large, and read past.
    bool skippedLarge() const { return skippedLarge_; }

private:
    std::optional<std::string> takeMessage()
    {
        skippedLarge_ = false;
        if (skipping_ > 0) {
            const std::size_t n = std::min(skipping_, buffer_.size());
            buffer_.erase(0, n);
            skipping_ -= n;
            if (skipping_ > 0) return std::nullopt;
            skippedLarge_ = true;
            return std::string();
        }
        const std::size_t headerEnd = buffer_.find("\r\n\r\n");
        if (headerEnd == std::string::npos) {
            // A header never ends: what came is no message.
            if (buffer_.size() > 65536) buffer_.clear();
            return std::nullopt;
        }
        std::optional<std::size_t> length;
        std::size_t at = 0;
        while (at < headerEnd) {
            const std::size_t end = buffer_.find("\r\n", at);
            const std::string field = buffer_.substr(at, end - at);
            at = end + 2;
            constexpr std::string_view name = "content-length:";
            if (field.size() > name.size() && LowerAscii(field.substr(0, name.size())) == name) {
                try {
                    length = std::stoull(field.substr(name.size()));
                } catch (const std::exception&) {
                }
            }
        }
        if (!length) {  // no length: the header is dropped and the reader goes on
            buffer_.erase(0, headerEnd + 4);
            return std::string();
        }
        if (*length > LargestMessage) {
            buffer_.erase(0, headerEnd + 4);
            skipping_ = *length;
            return takeMessage();
        }
        if (buffer_.size() < headerEnd + 4 + *length) return std::nullopt;
        std::string body = buffer_.substr(headerEnd + 4, *length);
        buffer_.erase(0, headerEnd + 4 + *length);
        return body;
    }
    static std::string LowerAscii(std::string s)
    {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return s;
    }

    std::string buffer_;
    std::size_t skipping_ = 0;
    bool skippedLarge_ = false;
    bool ended_ = false;
};

void Send(const json& message)
{
    const std::string body = message.dump(-1, ' ', false, json::error_handler_t::replace);
    std::cout << "Content-Length: " << body.size() << "\r\n\r\n" << body << std::flush;
}

void Reply(const json& id, const json& result)
{
    Send({{"jsonrpc", "2.0"}, {"id", id}, {"result", result}});
}

void Fail(const json& id, int code, const std::string& message)
{
    Send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

class Server {
public:
    // Handles one message; false once the client has said exit.
    bool Handle(const json& message)
    {
        if (!message.is_object() || !message.contains("method") || !message["method"].is_string()) {
            if (message.is_object() && message.contains("id") && !message.contains("result") &&
                !message.contains("error"))
                Fail(message["id"], InvalidRequest, "not a request");
            else if (!message.is_object())
                Fail(nullptr, InvalidRequest, "not a request");
            return true;
        }
        const std::string method = message["method"];
        const bool request = message.contains("id");
        const json id = request ? message["id"] : json();
        const json params = message.value("params", json::object());
        if (method == "exit") {
            exitStatus_ = shutDown_ ? 0 : 1;
            return false;
        }
        if (!initialized_ && method != "initialize") {
            if (request) Fail(id, ServerNotInitialized, "the server is not initialized");
            return true;
        }
        try {
            if (request)
                answer(id, method, params);
            else
                notice(method, params);
        } catch (const json::exception& e) {
            if (request) Fail(id, InvalidParams, e.what());
        } catch (const std::exception& e) {
            if (request) Fail(id, RequestFailed, e.what());
        }
        return true;
    }

    // When the next diagnostics are due, if any are.
    std::optional<Clock::time_point> Due() const
    {
        std::optional<Clock::time_point> due;
        for (const auto& [uri, at] : pending_)
            if (!due || at < *due) due = at;
        return due;
    }

    void DiagnoseDue()
    {
        const auto now = Clock::now();
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (it->second > now) {
                ++it;
                continue;
            }
            const auto document = documents_.find(it->first);
            if (document != documents_.end())
                publish(it->first, document->second.Diagnostics(language_, programFolder_, RunBudgetMilliseconds));
            it = pending_.erase(it);
        }
    }

    int exitStatus() const { return exitStatus_; }

private:
    void answer(const json& id, const std::string& method, const json& params)
    {
        if (method == "initialize") {
            initialize(params);
            Reply(id, {{"capabilities",
                        {{"textDocumentSync", {{"openClose", true}, {"change", 1}, {"save", true}}},
                         {"completionProvider", {{"triggerCharacters", {" ", ",", "="}}}},
                         {"signatureHelpProvider", {{"triggerCharacters", {" ", ","}}}},
                         {"hoverProvider", true},
                         {"definitionProvider", true},
                         {"documentSymbolProvider", true},
                         {"foldingRangeProvider", true}}},
                       {"serverInfo", {{"name", "kresbon-lsp"}}}});
            return;
        }
        if (method == "shutdown") {
            shutDown_ = true;
            Reply(id, nullptr);
            return;
        }
        const auto* document = find(params);
        if (!method.starts_with("textDocument/")) {
            Fail(id, MethodNotFound, "unknown method " + method);
        } else if (method == "textDocument/completion") {
            Reply(id, document ? document->Completion(params.at("position"), language_) : json::array());
        } else if (method == "textDocument/signatureHelp") {
            Reply(id, document ? document->SignatureHelp(params.at("position"), language_) : json());
        } else if (method == "textDocument/hover") {
            Reply(id, document ? document->Hover(params.at("position"), language_, helpFolder_) : json());
        } else if (method == "textDocument/definition") {
            Reply(id, document ? document->Definition(params.at("position")) : json());
        } else if (method == "textDocument/documentSymbol") {
            Reply(id, document ? document->Symbols() : json::array());
        } else if (method == "textDocument/foldingRange") {
            Reply(id, document ? document->FoldingRanges() : json::array());
        } else {
            Fail(id, MethodNotFound, "unknown method " + method);
        }
    }

    void notice(const std::string& method, const json& params)
    {
        if (method == "textDocument/didOpen") {
            const json& item = params.at("textDocument");
            store(item.at("uri"), item.at("text"));
        } else if (method == "textDocument/didChange") {
            const json& changes = params.at("contentChanges");
            if (!changes.empty()) store(params.at("textDocument").at("uri"), changes.back().at("text"));
        } else if (method == "textDocument/didSave") {
            const std::string uri = params.at("textDocument").at("uri");
            if (documents_.count(uri)) pending_[uri] = Clock::now();
        } else if (method == "textDocument/didClose") {
            const std::string uri = params.at("textDocument").at("uri");
            documents_.erase(uri);
            pending_.erase(uri);
            publish(uri, json::array());
        }
    }

    void initialize(const json& params)
    {
        initialized_ = true;
        std::string language = params.value("locale", std::string());
        if (params.contains("initializationOptions") && params["initializationOptions"].is_object())
            language = params["initializationOptions"].value("language", language);
        language_ = language.starts_with("cs") || language.starts_with("sk") ? CzechBase : EnglishBase;
    }

    void store(const std::string& uri, const std::string& text)
    {
        documents_.insert_or_assign(uri, Document(uri, text));
        pending_[uri] = Clock::now() + Debounce;
    }

    const Document* find(const json& params) const
    {
        if (!params.is_object() || !params.contains("textDocument")) return nullptr;
        const auto it = documents_.find(params["textDocument"].value("uri", std::string()));
        return it == documents_.end() ? nullptr : &it->second;
    }

    static void publish(const std::string& uri, const json& diagnostics)
    {
        Send({{"jsonrpc", "2.0"},
              {"method", "textDocument/publishDiagnostics"},
              {"params", {{"uri", uri}, {"diagnostics", diagnostics}}}});
    }

    std::map<std::string, Document> documents_;
    std::map<std::string, Clock::time_point> pending_;
    int language_ = EnglishBase;
    bool initialized_ = false;
    bool shutDown_ = false;
    int exitStatus_ = 1;
    std::string programFolder_ = ProgramFolder();
    std::string helpFolder_ = HelpFolder(programFolder_);
};

}  // namespace

int main()
{
    std::ios::sync_with_stdio(false);
    Reader reader;
    Server server;
    for (;;) {
        const std::optional<std::string> body = reader.Next(server.Due());
        if (!body) return server.exitStatus();
        if (body->empty()) {
            if (reader.skippedLarge()) Fail(nullptr, InvalidRequest, "message too large");
            server.DiagnoseDue();
            continue;
        }
        json message;
        try {
            message = json::parse(*body);
        } catch (const json::exception&) {
            Fail(nullptr, ParseError, "malformed JSON");
            continue;
        }
        if (!server.Handle(message)) return server.exitStatus();
        server.DiagnoseDue();
    }
}
