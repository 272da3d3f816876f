#include "desktop/shared/translated.h"

#include "platform/error.h"

#include <QCoreApplication>

namespace kalidor {

QString Translated(const char* marked) { return QCoreApplication::translate(kMessageContext, marked); }

QString Translated(const std::string& marked) { return Translated(marked.c_str()); }

QString Translated(const Message& message) {
    return QString::fromStdString(message.Render(Translated(message.Source()).toStdString()));
}

QString Translated(const std::exception& error) { return Translated(MessageOf(error)); }

QString TranslatedActionName(const std::string& name) {
    return QCoreApplication::translate("Actions", name.c_str());
}

namespace {
std::string& shownLanguage() {
    static std::string language = "ja";
    return language;
}
}  // namespace

const std::string& InterfaceLanguageShown() { return shownLanguage(); }

void SetInterfaceLanguageShown(std::string language) { shownLanguage() = std::move(language); }

}  // namespace kalidor
