// The start's offer of recovery copies: unsaved edits a logout, a kill or a crash left behind,
// and those the user chose to decide about later.

#include "desktop/shared/translated.h"
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

QString timeText(std::int64_t seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy/MM/dd HH:mm"));
}

}  // namespace

void TFormMakeMovie::OfferRecovery() {
    const std::string home = Recovery->Home();
    // One copy can be restored at a start; the others wait for the next.
    for (const std::string& folder : rules::RecoveryCopiesIn(home))
        if (offerRecoveryCopy(home, folder) || TerminationSignal()) return;
}

bool TFormMakeMovie::offerRecoveryCopy(const std::string& home, const std::string& folder) {
    rules::FoundRecovery found = rules::FindRecoveryCopy(home, folder);
    const QString name = projectName(found.projectDir);
    // A copy that cannot be used is kept for the user, never deleted.
    const auto setAside = [&](const QString& why) {
        const std::string aside = rules::SetRecoveryCopyAside(home, folder);
        notice(this, why + (aside.empty() ? QStringLiteral("\r\n") + tr("変更の控えは次の場所にそのまま残っています:") + QStringLiteral("\r\n") +
                                                QString::fromStdString(home + folder)
                                          : QStringLiteral("\r\n") + tr("変更の控えは次の場所に残しました:") + QStringLiteral("\r\n") +
                                                QString::fromStdString(aside)));
    };
    switch (found.state) {
    case rules::RecoveryCase::None:
        return false;
    case rules::RecoveryCase::Unchanged:
        // Nothing but what is saved: the pictures it added are unused copies.
        RemoveDiscardedCopies(found.projectDir, {found.copies.begin(), found.copies.end()});
        rules::RemoveRecoveryCopy(home, folder);
        return false;
    case rules::RecoveryCase::Damaged:
        setAside(tr("保存されていない変更の控えを読み取れないため、復元できません。") + QStringLiteral("\r\n") +
                 QString::fromStdString(found.reason));
        return false;
    case rules::RecoveryCase::ProjectGone:
        setAside(tr("プロジェクト「%1」は削除されたか名前が変わったため、保存されていない変更を復元できません。")
                     .arg(name));
        return false;
    case rules::RecoveryCase::ProjectChanged:
        setAside(tr("プロジェクト「%1」はその後ほかのプログラムで変更されたため、保存されていない変更は適用しません。"
                    "プロジェクトは保存されている内容のままです。")
                     .arg(name));
        return false;
    case rules::RecoveryCase::Valid:
        break;
    }
    QString text = tr("プロジェクト「%1」に保存されていない変更があります。\r\n最後の変更: %2") + QStringLiteral("\r\n")
                       .arg(name, timeText(found.editedAt));
    if (found.older)
        text += tr("その後の変更は控えに書き込めなかったため、これはそれより前の内容です。") + QStringLiteral("\r\n");
    text += tr("変更を復元しますか？\r\n「%1」で変更を捨てます。「%2」で控えを残し、次の起動時にもう一度確認します。")
                .arg(Translated(kDiscardButton), Translated(kLaterButton));
    const RecoveryAnswer answer = restoreQuestion(this, text);
    // A signal while the question showed answered nothing: the copy waits for the next start.
    if (TerminationSignal()) return false;
    if (answer == RecoveryAnswer::Later) {
        // This run's own copies must not replace it.
        rules::DeferRecoveryCopy(home, folder);
        return false;
    }
    // The copies the edits made that they do not use (an undo had taken them out) are the
    // program's own; discarded, all of them go, as when unsaved changes are thrown away.
    std::set<std::string> unused(found.copies.begin(), found.copies.end());
    for (int i = 0; i < found.project.Count(); ++i) unused.erase(found.project.Items(i).PicturePath);
    if (answer == RecoveryAnswer::Discard) {
        RemoveDiscardedCopies(found.projectDir, {found.copies.begin(), found.copies.end()});
        rules::RemoveRecoveryCopy(home, folder);
        return false;
    }
    TThPicObjectManager saved;
    try {
        saved.LoadProject(found.projectDir + "project.dat");
        rules::RestoreRecoveredPictures(home, found);
    } catch (const std::exception& error) {
        setAside(tr("保存されていない変更を復元できません。") + QStringLiteral("\r\n") + Translated(error));
        return false;
    }
    RemoveDiscardedCopies(found.projectDir, unused);
    std::vector<std::string> used;
    for (const std::string& copy : found.copies)
        if (!unused.count(copy)) used.push_back(copy);
    OpenProject(std::move(found.project));
    ProjectRecovered(saved, used);
    // The copy stays until the edits are saved or thrown away; this run keeps it from now on.
    rules::AdoptRecoveryCopy(home, folder);
    Recovery->Adopted();
    return true;
}

}  // namespace kalidor
