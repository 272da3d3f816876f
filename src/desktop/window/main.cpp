// The desktop program: one instance at a time, the five forms, the main window centred.

#include "imaging/font_family.h"
#include "platform/instance_lock.h"
#include "model/workspace.h"
#include "desktop_rules/recovery_copy.h"
#include "desktop/dialogs/form_font_config.h"
#include "desktop/dialogs/form_time_config.h"
#include "desktop/window/form_make_movie.h"
#include "desktop/dialogs/form_project_name.h"
#include "desktop/dialogs/form_status.h"
#include "desktop/shared/message_boxes.h"
#include "desktop/window/interface_language.h"
#include "translation/ui_language.h"
#include "desktop/window/program_arguments.h"
#include "desktop/window/running_instance.h"
#include "desktop/window/termination.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <string>

namespace {

// A start that cannot go on: the terminal hears why too, as the window may not be seen.
int refuseStart(const QString& text) {
    std::fprintf(stderr, "kalidor: %s\n", qPrintable(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    kalidor::ShowNotice(nullptr, text);
    return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    using namespace kalidor;
    if (const auto exitCode = AnswerInformationArguments(argc, argv, KALIDOR_VERSION))
        return *exitCode;
    // Taken before any window exists and held until the process ends.
    InstanceLock lock;
    QApplication app(argc, argv);
    if (const auto exitCode = RefuseUnknownArguments(argc, argv))
        return *exitCode;
    QApplication::setApplicationName(QStringLiteral("Kalidor"));
    InstallInterfaceLanguage(app, InterfaceLanguage());
    // Before the first notice: a signal while one shows must end the program too.
    QuitOnTerminationSignals(&app);
    if (lock.state() == InstanceLock::State::Held) {
        if (BringRunningToFront(lock.path())) {
            std::fputs("kalidor: already running; its window was brought to the front\n", stderr);
            return 0;
        }
        return refuseStart(
            QCoreApplication::translate("main", "既に起動しています\n起動中のウィンドウを前面に出せませんでした"));
    }
    // Without the lock a second instance could write the same projects, and without the
    // workspace nothing works: both end the program with the reason.
    if (lock.state() == InstanceLock::State::Failed) {
        return refuseStart(QCoreApplication::translate("main", "起動中かどうかを確認できません") + QLatin1Char('\n') +
                           QString::fromStdString(lock.error()));
    }
    // The recovery copy's home needs a home folder as the workspace does (XDG_DATA_HOME alone
    // gives a workspace but no state folder).
    std::string recoveryHome;
    try {
        PrepareWorkspace(WorkspaceBase());
        recoveryHome = rules::RecoveryHome();
    } catch (const std::exception& error) {
        return refuseStart(QCoreApplication::translate("main", "作業フォルダを作成できません") + QLatin1Char('\n') +
                           QString::fromStdString(error.what()));
    }
    QFont font(QString::fromStdString(ResolveFontFamily("ＭＳ Ｐゴシック")));  // a face name: not translated
    font.setPixelSize(12);
    QApplication::setFont(font);

    const std::string dataDir =
        DeliveredDataDir(QCoreApplication::applicationFilePath().toStdString(), KALIDOR_SOURCE_DATA);
    TFormMakeMovie mainWindow(WorkspaceBase(), dataDir, nullptr, recoveryHome);
    TFormProjectName projectName(&mainWindow);
    TFormStatus status(&mainWindow);
    TFormFontConfig fontConfig(&mainWindow);
    TFormTimeConfig timeConfig(&mainWindow);
    mainWindow.SetProjectNameForm(&projectName);
    mainWindow.SetStoryDialogs(&timeConfig, &fontConfig);  // storyboard
    mainWindow.SetStatusForm(&status);  // movie: the export's progress dialog
    if (QScreen* screen = QGuiApplication::primaryScreen())
        mainWindow.move(screen->availableGeometry().center() - mainWindow.rect().center());
    ListenForSecondStarts(&mainWindow, lock.path());
    mainWindow.FormCreate();
    if (TerminationSignal()) return 0;  // asked to end while a start-up notice showed
    mainWindow.show();
    QTimer::singleShot(0, &mainWindow, &TFormMakeMovie::OfferRecovery);
    return QApplication::exec();
}
