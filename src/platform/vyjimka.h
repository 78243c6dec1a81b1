#pragma once

#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace kresbon {

// A script error: carries the finished, localized message as Windows-1250
// bytes. The run driver catches it and reports it with the failing line.
class vyjimka : public std::exception {
public:
    explicit vyjimka(std::string message, std::vector<std::string> suggestions = {})
        : message_(std::move(message)), suggestions_(std::move(suggestions))
    {
    }
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const { return message_; }
    // The words the script may have meant where it named an unknown one
    // (nearest first, at most three, Windows-1250); usually none.
    const std::vector<std::string>& suggestions() const { return suggestions_; }

private:
    std::string message_;
    std::vector<std::string> suggestions_;
};

}  // namespace kresbon
