#include "desktop/window/interface_language.h"

#include "desktop/shared/translated.h"
#include "model/workspace.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <memory>
#include <sys/stat.h>

namespace kalidor {
namespace {

bool loadInto(QCoreApplication& application, const QString& file, const QString& folder) {
    auto* translator = new QTranslator(&application);
    if (!translator->load(file, folder) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

}  // namespace

std::string TranslationsFolder() {
    const std::string data = DeliveredDataDir(QCoreApplication::applicationFilePath().toStdString(), {});
    struct stat info {};
    if (!data.empty() && data != "/" && stat((data + "translations").c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return data + "translations/";
    return KALIDOR_BUILD_TRANSLATIONS "/";
}

std::string InstallInterfaceLanguage(QCoreApplication& application, const std::string& language) {
    std::string spoken = language;
    const QString folder = QString::fromStdString(TranslationsFolder());
    auto own = std::make_unique<QTranslator>(&application);
    if (spoken != "ja" && !own->load(QStringLiteral("kalidor_%1.qm").arg(QString::fromStdString(spoken)), folder)) {
        std::fprintf(stderr, "kalidor: no catalogue kalidor_%s.qm in %s; the interface stays in Japanese\n",
                     spoken.c_str(), TranslationsFolder().c_str());
        spoken = "ja";
    }
    if (spoken != "ja") {
        // English under another language: a text that language does not translate yet reads in
        // English, not in the Japanese of the source (the translator installed last is asked first).
        if (spoken != "en") loadInto(application, QStringLiteral("kalidor_en.qm"), folder);
        QCoreApplication::installTranslator(own.release());
    }
    // Dates and numbers in the dialogs as the texts around them would write them: the desktop's
    // own locale where it speaks that language.
    const QLocale wanted(QString::fromStdString(spoken));
    QLocale::setDefault(QLocale::system().language() == wanted.language() ? QLocale::system() : wanted);
    // Missing for English (Qt's own) or when Debian's translations are not installed.
    loadInto(application, QStringLiteral("qtbase_%1").arg(QString::fromStdString(spoken)),
             QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    SetInterfaceLanguageShown(spoken);
    return spoken;
}

}  // namespace kalidor
