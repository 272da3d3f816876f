#pragma once
// The translations of the program's texts for the code below the desktop program (the command
// line, the tools that draw the interface images), compiled at build time from the same .ts
// files that lrelease makes the window's .qm files of: translations/kalidor_<language>.ts. A
// translator adds a language with one such file; both programs then speak it.

#include "translation/message.h"

#include <string>
#include <vector>

namespace kalidor {

namespace compiled_catalogues {
struct Language;
}

class Catalogue {
public:
    // The program's own language: every text as its source writes it.
    Catalogue() = default;

    // The catalogue compiled for `language` ("en", "pt_BR"), or the program's own language when
    // there is none.
    static const Catalogue& For(const std::string& language);
    // The catalogue of the language the environment chooses (InterfaceLanguage()).
    static const Catalogue& ForInterface();
    // The languages with a compiled catalogue, as their .ts files name them.
    static std::vector<std::string> Languages();

    const std::string& Language() const { return language_; }

    // The translation of `source` in `context`: the language's own, else English's (a catalogue
    // not finished yet), else `source` itself.
    const char* Translate(const char* context, const char* source) const;
    // A marked text of the code below the desktop program.
    const char* operator()(const char* source) const { return Translate(kMessageContext, source); }
    std::string operator()(const Message& message) const;

private:
    explicit Catalogue(const compiled_catalogues::Language& table);

    std::string language_ = "ja";
    const compiled_catalogues::Language* table_ = nullptr;
};

}  // namespace kalidor
