#pragma once

#include <exception>
#include <string>
#include <utility>

namespace kresbon {

// A script error: carries the finished, localized message as Windows-1250
// bytes. The run driver catches it and reports it with the failing line.
class vyjimka : public std::exception {
public:
    explicit vyjimka(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const { return message_; }

private:
    std::string message_;
};

}  // namespace kresbon
