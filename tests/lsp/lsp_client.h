#pragma once

// A client of kresbon-lsp for tests and measurements: starts the server on
// pipes, writes framed messages and reads them back with a time limit.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace kresbon::lsptest {

using nlohmann::json;

class LspClient {
public:
    explicit LspClient(const char* server)
    {
        ::signal(SIGPIPE, SIG_IGN);
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::close(in[1]);
            ::close(out[0]);
            ::execl(server, server, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        toServer_ = in[1];
        fromServer_ = out[0];
    }
    ~LspClient()
    {
        if (toServer_ >= 0) ::close(toServer_);
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (fromServer_ >= 0) ::close(fromServer_);
    }

    bool SendRaw(const std::string& bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(toServer_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    bool Send(const json& message)
    {
        const std::string body = message.dump();
        return SendRaw("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    }
    bool Request(int id, const std::string& method, const json& params)
    {
        return Send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
    }
    bool Notify(const std::string& method, const json& params)
    {
        return Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
    }

    // The next message from the server, or nullopt after timeout.
    std::optional<json> Next(std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const std::size_t headerEnd = buffer_.find("\r\n\r\n");
            if (headerEnd != std::string::npos) {
                const std::size_t length = std::stoul(buffer_.substr(buffer_.find(':') + 1));
                if (buffer_.size() >= headerEnd + 4 + length) {
                    json message = json::parse(buffer_.substr(headerEnd + 4, length));
                    buffer_.erase(0, headerEnd + 4 + length);
                    return message;
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd fd{fromServer_, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
            char chunk[65536];
            const ssize_t n = ::read(fromServer_, chunk, sizeof chunk);
            if (n <= 0) return std::nullopt;
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }
    // The answer to request id, or the next notification of method; others
    // are passed over.
    std::optional<json> Answer(int id, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        while (auto message = Next(timeout))
            if (message->contains("id") && (*message)["id"] == id) return message;
        return std::nullopt;
    }
    std::optional<json> Notification(const std::string& method, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        while (auto message = Next(timeout))
            if (message->value("method", "") == method) return message;
        return std::nullopt;
    }

    // The exit status, once the server has ended within timeout; -1 when it
    // has not or ended otherwise.
    int ExitStatus(std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            ::usleep(10000);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int toServer_ = -1;
    int fromServer_ = -1;
    bool exited_ = false;
    std::string buffer_;
};

}  // namespace kresbon::lsptest
