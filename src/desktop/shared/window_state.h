#pragma once
// What the main window's pages and its storyboard strip share: the open project with its
// unsaved-changes mark and its undo history, the one door every edit of it goes through, the
// action catalogue, the workspace's folders, and the window's way of telling and asking the user
// (tests replace both to record them).

#include "actions/action_catalogue.h"
#include "desktop_rules/recovery_copy.h"
#include "desktop_rules/undo_history.h"
#include "desktop_rules/unsaved_changes.h"
#include "desktop/shared/message_boxes.h"
#include "model/pic_object.h"
#include "model/workspace.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kalidor {

// How an edit counts beyond changing the project.
struct EditOptions {
    // Typing into one box: the steps made under one key are one until another edit comes between.
    std::string mergeKey;
    // The project is marked changed even when nothing a save writes changed (a dialog closed with
    // Cancel, a settings control the user touched).
    bool marksUnchanged = false;

    static EditOptions MarkingAnyway() { return {.mergeKey = {}, .marksUnchanged = true}; }
};

class WindowState {
public:
    // The open project: one object for the whole run, refilled when another is opened.
    TThPicObjectManager Project;
    std::unique_ptr<TThActionObjectManager> Actions;
    bool Modified = false;

    // The one way an edit reaches the open project: `change` changes it; afterwards the project is
    // marked changed (Modified) and the history keeps the step, named `label` ("画像の削除"), when
    // something a save writes changed. The selection comes back with the step when it is undone.
    // Refused while a long edit holds the door (pictures being added), as undo is: then nothing
    // runs and the result is false.
    bool Edit(const std::string& label, const std::function<void()>& change, const EditOptions& options = {});
    // Whether an edit would be refused now: the handlers that ask the user first (the dialogs) do
    // not ask for nothing.
    bool EditsHeld() const { return heldBy_.has_value(); }
    // A long edit (pictures being added) holds the door until it ends: its own steps, made under
    // `key`, are one; every other edit is refused meanwhile.
    void HoldEdits(const std::string& key) { heldBy_ = key; }
    void ReleaseEdits() {
        heldBy_.reset();
        History.BreakMerge();
    }

    // Modified, or the project differs from what was last opened or saved: what the questions
    // before throwing the project away go by.
    bool HasUnsavedChanges() const { return Modified || DiffersFromSaved(); }
    // Whether a save would write other bytes than those last read or written.
    bool DiffersFromSaved() const { return unsaved_.Differs(Project); }
    // The project as it is now counts as saved: what opening and saving leave.
    void MarkProjectSaved() {
        unsaved_.Saved(Project);
        savedStamp_ = Project.ProjectDir.empty() ? rules::FileStamp{} : rules::StampOf(Project.ProjectFileName());
    }
    // The open project came back from a recovery copy: `saved` is what its folder holds, the
    // project differs from it by unsaved edits, and undo starts here.
    void ProjectRecovered(const TThPicObjectManager& saved, const std::vector<std::string>& copies) {
        unsaved_.Saved(saved);
        for (const std::string& copy : copies) unsaved_.CopyMade(copy);
        History.Reset();
        Modified = true;
    }
    // What a recovery copy of the open project keeps, taken now (cheap: thumbnails are shared).
    rules::RecoverySnapshot TakeRecoverySnapshot(std::int64_t editedAt) {
        return {Project.ProjectDir, editedAt, savedStamp_, {unsaved_.Copies().begin(), unsaved_.Copies().end()},
                History.Snapshot(Project)};
    }
    // The project as it is now is the one opened: nothing to save, nothing to undo.
    void ProjectOpened() {
        Modified = false;
        MarkProjectSaved();
        History.Reset();
    }
    // A picture copy made in the open project's folder by adding a picture.
    void PictureCopyMade(const std::string& path) { unsaved_.CopyMade(path); }
    // The unsaved changes are thrown away: the copies only they used go with them.
    void DiscardUnsavedChanges() { unsaved_.Discard(Project.ProjectDir); }

    // The undo history of the open project; steps reach it through Edit.
    rules::UndoHistory History;

    const std::string& ProjectRoot() const { return workspace_.ProjectRoot; }
    const std::string& ConfigDir() const { return workspace_.ConfigDir; }
    const std::string& ImgDir() const { return workspace_.ImgDir; }

    NoticeFn notice = ShowNotice;
    QuestionFn question = AskQuestion;
    // A question whose Yes throws unsaved work away: No, which keeps it, is the default answer.
    QuestionFn discardQuestion = AskToDiscard;
    // The start's question about a recovery copy's edits.
    RecoveryQuestionFn restoreQuestion = AskToRestore;
    // Called after every edit (a recovery copy follows it).
    std::function<void()> edited;

protected:
    Workspace workspace_;

private:
    rules::UnsavedChanges unsaved_;
    rules::FileStamp savedStamp_;
    std::optional<std::string> heldBy_;
};

}  // namespace kalidor
