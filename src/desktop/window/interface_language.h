#pragma once
// The window in the interface's language (translation/ui_language.h: the user's locale, or
// KALIDOR_LANGUAGE): the program's own texts through Qt's translation system, and Qt's own
// dialogs and standard buttons (file, colour and message dialogs, Yes/No) in the same language.

#include <string>

class QCoreApplication;

namespace kalidor {

// Installs into the application, which owns them: the program's catalogue
// kalidor_<language>.qm from TranslationsFolder() (none for Japanese, the program's own; under
// English's for another language, for the texts it does not translate yet), Qt's
// translations of its dialogs (Debian's qt6-translations-l10n; none for English, Qt's own) and
// the default locale that the dialogs write dates and numbers in. Returns the language the
// window speaks: Japanese when the program's catalogue cannot be read (said on standard error).
// The interface images follow it (SetInterfaceLanguageShown).
std::string InstallInterfaceLanguage(QCoreApplication& application, const std::string& language);

// Where the .qm catalogues are: share/kalidor/translations/ beside an installed program, else
// the build tree's own.
std::string TranslationsFolder();

}  // namespace kalidor
