// The start's offer of a recovery copy: unsaved edits a logout, a kill or a crash left behind.

#include "desktop/window/form_make_movie.h"
#include "desktop/window/recovery_keeper.h"
#include "desktop/window/termination.h"
#include "model/discarded_copies.h"

#include <QDateTime>

#include <set>

namespace kalidor {
namespace {

QString projectName(const std::string& projectDir) {
    const std::string folder = projectDir.substr(0, projectDir.size() - 1);
    return QString::fromStdString(folder.substr(folder.find_last_of('/') + 1));
}

const QString kKeptAside = QStringLiteral("\r\n変更の控えは次の場所に残しました:\r\n");

}  // namespace

void TFormMakeMovie::OfferRecovery() {
    const std::string home = Recovery->Home();
    rules::FoundRecovery found = rules::FindRecoveryCopy(home);
    const QString name = projectName(found.projectDir);
    const auto setAside = [&](const QString& why) {
        const std::string aside = rules::SetRecoveryCopyAside(home);
        notice(this, why + (aside.empty() ? QString() : kKeptAside + QString::fromStdString(aside)));
    };
    switch (found.state) {
    case rules::RecoveryCase::None:
        return;
    case rules::RecoveryCase::Damaged:
        rules::RemoveRecoveryCopy(home);
        notice(this, QStringLiteral("保存されていない変更の控えが壊れているため、復元できません。控えは削除しました。\r\n") +
                         QString::fromStdString(found.reason));
        return;
    case rules::RecoveryCase::ProjectGone:
        setAside(QStringLiteral("プロジェクト「%1」は削除されたか名前が変わったため、保存されていない変更を復元できません。")
                     .arg(name));
        return;
    case rules::RecoveryCase::ProjectChanged:
        setAside(QStringLiteral("プロジェクト「%1」はその後ほかのプログラムで変更されたため、保存されていない変更は適用しません。"
                                "プロジェクトは保存されている内容のままです。")
                     .arg(name));
        return;
    case rules::RecoveryCase::Valid:
        break;
    }
    const QString when =
        QDateTime::fromSecsSinceEpoch(found.editedAt).toString(QStringLiteral("yyyy/MM/dd HH:mm"));
    const bool restore = AskQuestionYesFirst(
        this, QStringLiteral("プロジェクト「%1」に保存されていない変更があります。\r\n最後の変更: %2\r\n変更を復元しますか？")
                  .arg(name, when));
    // A signal while the question showed answered nothing: the copy waits for the next start.
    if (TerminationSignal()) return;
    // The copies the edits made that they do not use (an undo had taken them out) are the
    // program's own; declined, all of them go, as when unsaved changes are thrown away.
    std::set<std::string> unused(found.copies.begin(), found.copies.end());
    for (int i = 0; i < found.project.Count(); ++i) unused.erase(found.project.Items(i).PicturePath);
    if (!restore) {
        RemoveDiscardedCopies(found.projectDir, {found.copies.begin(), found.copies.end()});
        rules::RemoveRecoveryCopy(home);
        return;
    }
    TThPicObjectManager saved;
    try {
        saved.LoadProject(found.projectDir + "project.dat");
        rules::RestoreRecoveredPictures(home, found);
    } catch (const std::exception& error) {
        setAside(QStringLiteral("保存されていない変更を復元できません。\r\n") + QString::fromUtf8(error.what()));
        return;
    }
    RemoveDiscardedCopies(found.projectDir, unused);
    std::vector<std::string> used;
    for (const std::string& copy : found.copies)
        if (!unused.count(copy)) used.push_back(copy);
    OpenProject(std::move(found.project));
    ProjectRecovered(saved, used);
    // The copy stays until the edits are saved or thrown away; this run keeps it from now on.
    Recovery->Adopted();
}

}  // namespace kalidor
