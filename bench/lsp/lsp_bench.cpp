// kresbon-lsp latency: from a change of the demo to its diagnostics (less
// the debounce), and from a completion request to its answer. Medians of
// repeated rounds, in milliseconds.
//
//   lsp_bench KRESBON_LSP DEMO.krs

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "lsp_client.h"

using namespace kresbon::lsptest;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double DebounceMs = 150;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: lsp_bench KRESBON_LSP DEMO.krs\n";
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    std::stringstream demo;
    demo << in.rdbuf();
    const std::string uri = std::string("file://") + argv[2];

    LspClient client(argv[1]);
    client.Request(1, "initialize", json::object());
    if (!client.Answer(1)) return 1;
    client.Notify("textDocument/didOpen", {{"textDocument", {{"uri", uri}, {"languageId", "kresbon"}, {"version", 1}, {"text", demo.str()}}}});
    if (!client.Notification("textDocument/publishDiagnostics")) return 1;

    std::vector<double> diagnostics;
    for (int round = 0; round < 21; ++round) {
        const std::string text = demo.str() + "% change " + std::to_string(round) + "\n";
        const auto start = Clock::now();
        client.Notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", round + 2}}},
                                                 {"contentChanges", {{{"text", text}}}}});
        if (!client.Notification("textDocument/publishDiagnostics")) return 1;
        diagnostics.push_back(Since(start) - DebounceMs);
    }
    std::vector<double> completion;
    for (int round = 0; round < 101; ++round) {
        const auto start = Clock::now();
        client.Request(100 + round, "textDocument/completion",
                       {{"textDocument", {{"uri", uri}}}, {"position", {{"line", round % 40}, {"character", 1}}}});
        if (!client.Answer(100 + round)) return 1;
        completion.push_back(Since(start));
    }
    std::cout << "lsp diagnostics of the demo after a change (ms, less the " << DebounceMs
              << " ms debounce): " << Median(diagnostics) << '\n'
              << "lsp completion answer (ms): " << Median(completion) << '\n';
    client.Request(9999, "shutdown", nullptr);
    client.Answer(9999);
    client.Notify("exit", nullptr);
    return client.ExitStatus() == 0 ? 0 : 1;
}
