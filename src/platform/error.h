#pragma once
// The error type of the engine. Messages name the component and the condition, and the file
// where there is one ("BMP: pixel data offset beyond end of file (a.bmp)").

#include "translation/message.h"

#include <stdexcept>
#include <string>

namespace kalidor {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An error the user reads in the interface's language: what() is its Japanese text, message()
// the message to translate.
class MessageError : public Error {
public:
    explicit MessageError(Message message) : Error(message.Japanese()), message_(std::move(message)) {}
    const Message& message() const noexcept { return message_; }

private:
    Message message_;
};

// The message of any exception: a MessageError's own, else its text as it is.
inline Message MessageOf(const std::exception& error) {
    if (const auto* withMessage = dynamic_cast<const MessageError*>(&error)) return withMessage->message();
    return Message::Verbatim(error.what());
}

}  // namespace kalidor
