#pragma once
// The window's side of the texts marked below it (translation/message.h): put into the user's
// language through the translators installed in the application (interface_language.h). Without
// one, as in the widget tests, every text is the program's own Japanese.

#include "translation/message.h"

#include <QString>

#include <exception>
#include <string>

namespace kalidor {

// A marked text, by its content (a copy held in a std::string translates the same).
QString Translated(const char* marked);
QString Translated(const std::string& marked);
QString Translated(const Message& message);
// An exception's text: a MessageError's message translated, any other as it is.
QString Translated(const std::exception& error);

// The name of an action of the catalogue as the user reads it: the delivered names are marked
// in the context "Actions" where the catalogue is drawn (tools/ui_data); a name the user wrote
// into actionList.dat has no translation and shows as it is.
QString TranslatedActionName(const std::string& name);

// The language of the translators installed in the application ("ja", the program's own, until
// the program installs others): the interface images follow it.
const std::string& InterfaceLanguageShown();
void SetInterfaceLanguageShown(std::string language);

}  // namespace kalidor
