#pragma once
// The engine's and the batch's messages in the user's language: as written (Japanese), or
// English when the locale (LC_ALL, LC_MESSAGES, LANG) asks for it, through the same
// catalogue as the desktop application.

#include <memory>
#include <string>
#include <string_view>

namespace zel::cli {

class MessageLanguage {
public:
    MessageLanguage();
    ~MessageLanguage();
    MessageLanguage(const MessageLanguage&) = delete;
    MessageLanguage& operator=(const MessageLanguage&) = delete;

    // The translation of a message as the engine or the batch gives it (UTF-8).
    std::string Text(std::string_view message) const;

private:
    struct Catalogue;
    std::unique_ptr<Catalogue> catalogue_;
};

}  // namespace zel::cli
