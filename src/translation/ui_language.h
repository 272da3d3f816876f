#pragma once
// The language of the interface, chosen from the environment the same way by the window and the
// command line, whether or not the locale is generated on the system (nothing here calls
// setlocale).
//
// The program speaks its own Japanese under a Japanese locale and under C or POSIX, the language
// of a catalogue when the user asks for one that exists, and English otherwise.

#include <functional>
#include <string>
#include <vector>

namespace kalidor {

// Set to a language ("en", "ja", or a list as LANGUAGE takes it), it decides instead of the
// locale: for the user, and for tests.
inline constexpr const char* kLanguageVariable = "KALIDOR_LANGUAGE";

using EnvironmentLookup = std::function<const char*(const char*)>;

// The languages asked for, most wanted first, as Qt reads them on Linux: the colon-separated
// LANGUAGE when it is set (also under C), else the first set of LC_ALL, LC_MESSAGES and LANG;
// KALIDOR_LANGUAGE before all of them. Each is "ll" or "ll_TT" without encoding or modifier,
// "C" for C, POSIX or nothing set.
std::vector<std::string> PreferredLanguages(const EnvironmentLookup& environment);

// The first preferred language that is the program's own ("ja", also for "C") or has a
// catalogue among `available` ("pt_BR", else "pt"); "en" when none is.
std::string ChooseLanguage(const std::vector<std::string>& preferred, const std::vector<std::string>& available);

// ChooseLanguage of this process's environment and the compiled catalogues.
std::string InterfaceLanguage();

}  // namespace kalidor
