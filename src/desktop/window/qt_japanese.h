#pragma once
// Qt's own dialogs and buttons (file, colour and message dialogs, Yes/No) in Japanese, as the
// rest of the program speaks, whatever the user's locale.

class QObject;

namespace kalidor {

// Loads Qt's Japanese translations (Debian's qt6-translations-l10n) into the application; the
// translator is owned by `application`. False when they are not installed: Qt then speaks English.
bool InstallQtJapanese(QObject* application);

}  // namespace kalidor
