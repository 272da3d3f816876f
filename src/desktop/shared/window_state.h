#pragma once
// What the main window's pages and its storyboard strip share: the open project with its
// unsaved-changes mark, the action catalogue, the workspace's folders, and the window's way of
// telling and asking the user (tests replace both to record them).

#include "actions/action_catalogue.h"
#include "desktop_rules/undo_history.h"
#include "desktop_rules/unsaved_changes.h"
#include "desktop/shared/message_boxes.h"
#include "model/pic_object.h"
#include "model/workspace.h"

#include <memory>
#include <string>

namespace kalidor {

class WindowState {
public:
    // The open project: one object for the whole run, refilled when another is opened.
    TThPicObjectManager Project;
    std::unique_ptr<TThActionObjectManager> Actions;
    bool Modified = false;

    // Modified, or the project differs from what was last opened or saved: what the questions
    // before throwing the project away go by.
    bool HasUnsavedChanges() const { return Modified || DiffersFromSaved(); }
    // Whether a save would write other bytes than those last read or written.
    bool DiffersFromSaved() const { return unsaved_.Differs(Project); }
    // The project as it is now counts as saved: what opening and saving leave.
    void MarkProjectSaved() { unsaved_.Saved(Project); }
    // A picture copy made in the open project's folder by adding a picture.
    void PictureCopyMade(const std::string& path) { unsaved_.CopyMade(path); }
    // The unsaved changes are thrown away: the copies only they used go with them.
    void DiscardUnsavedChanges() { unsaved_.Discard(Project.ProjectDir); }

    // The undo history of the open project. An edit handler, once it has changed the project,
    // calls RecordEdit; one that changed nothing a save would write records nothing. Typing
    // merges into one command per `mergeKey`.
    rules::UndoHistory History;
    void RecordEdit(const std::string& mergeKey = {}) { History.Commit(Project, mergeKey); }

    const std::string& ProjectRoot() const { return workspace_.ProjectRoot; }
    const std::string& ConfigDir() const { return workspace_.ConfigDir; }
    const std::string& ImgDir() const { return workspace_.ImgDir; }

    NoticeFn notice = ShowNotice;
    QuestionFn question = AskQuestion;

protected:
    Workspace workspace_;

private:
    rules::UnsavedChanges unsaved_;
};

}  // namespace kalidor
