#include "desktop/dialogs/folder_launcher.h"

#include "desktop_rules/dialog_rules.h"

#include <QProcess>

namespace kalidor {

void OpenFolderInFileBrowser(QObject* owner, const QString& folder, std::function<void(const QString& reason)> failed) {
    auto* launcher = new QProcess(owner);
    // Its complaints go where ours go; nothing is read from it, so a file manager it starts and
    // that writes on and on never blocks on a full pipe.
    launcher->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    launcher->setStandardOutputFile(QProcess::nullDevice());
    launcher->setStandardInputFile(QProcess::nullDevice());
    const auto fail = [launcher, failed](std::optional<int> status) {
        failed(QString::fromStdString(rules::FolderLauncherFailure(status)));
        launcher->deleteLater();
    };
    QObject::connect(launcher, &QProcess::errorOccurred, launcher, [launcher, fail](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) fail(std::nullopt);
    });
    QObject::connect(launcher, &QProcess::finished, launcher, [launcher, fail](int code, QProcess::ExitStatus how) {
        if (how == QProcess::CrashExit)
            fail(-1);
        else if (code != 0)
            fail(code);
        else
            launcher->deleteLater();
    });
    launcher->start(QString::fromUtf8(rules::kFolderLauncher), {folder});
}

}  // namespace kalidor
