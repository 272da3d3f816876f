#pragma once
// A text the user reads, kept as its source with its arguments until it is shown, so that what
// shows it can put it in the user's language: the window through Qt's translators, the command
// line through the catalogues compiled from the same .ts files (catalogue.h). The source is the
// program's own Japanese, marked where it is written with QT_TRANSLATE_NOOP(kMessageContext, …)
// so that Qt's lupdate finds it; "%1" to "%9" stand for the arguments.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

// Qt's own marker, defined as Qt defines it, for the code below the desktop program.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

namespace kalidor {

// The translation context of every text marked below the desktop program.
inline constexpr const char* kMessageContext = "Messages";

class Message {
public:
    Message() = default;
    // `source`: a marked text with static storage.
    Message(const char* source) : source_(source) {}
    Message(const char* source, std::vector<std::string> arguments);
    // A text shown as it is in every language: an OS's, a codec's or the encoder's reason (none
    // for an empty one).
    static Message Verbatim(std::string text);

    // The reason below the text, on a line of its own and never translated (technical English
    // naming the file, as the OS or the codec gives it). Empty: none.
    Message& WithDetail(std::string detail);

    bool empty() const { return source_ == nullptr || *source_ == '\0'; }
    const char* Source() const { return source_ ? source_ : ""; }
    const std::vector<std::string>& Arguments() const { return arguments_; }
    const std::string& Detail() const { return detail_; }

    // The text from `translated`, the source's translation: the arguments in place, the detail
    // below.
    std::string Render(std::string_view translated) const;
    // The text as the program writes it in its own language.
    std::string Japanese() const { return Render(Source()); }

    bool operator==(const Message& other) const;

private:
    const char* source_ = nullptr;
    std::vector<std::string> arguments_;
    std::string detail_;
};

// "%1" to "%9" in `text` replaced by the arguments, in one pass (an argument holding "%2" stays
// as it is); a number with no argument, and any other '%', stay.
std::string FillArguments(std::string_view text, const std::vector<std::string>& arguments);

// GoogleTest prints a message as its Japanese text.
void PrintTo(const Message& message, std::ostream* out);

}  // namespace kalidor
