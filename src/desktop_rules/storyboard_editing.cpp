#include "desktop_rules/storyboard_editing.h"

#include "model/picture_adding.h"
#include "model/th_utility.h"
#include "platform/text_encoding.h"

#include <algorithm>
#include <cctype>

namespace kalidor::rules {
namespace {

std::string lowerAscii(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The length of the UTF-8 character starting with this byte (1 for a stray byte).
std::size_t characterLength(unsigned char lead) {
    return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

}  // namespace

Message UnsupportedImageMessage(const std::string& fileName, const std::string& reason) {
    return Message(QT_TRANSLATE_NOOP("Messages", "「%1」は非対応画像です"), {fileName}).WithDetail(reason);
}

Message CopyFailedMessage(const std::string& fileName, const std::string& reason) {
    return Message(QT_TRANSLATE_NOOP("Messages", "「%1」をプロジェクトにコピーできませんでした"), {fileName}).WithDetail(reason);
}

void ClickPicture(TThPicObjectManager& project, int index, ClickKeys keys) {
    if (keys.ctrl) {
        project.Items(index).Selected = !project.Items(index).Selected;
        return;
    }
    if (keys.shift) {
        // The anchor is the first selected picture, not the one clicked last.
        const int anchor = std::max(FirstSelected(project), 0);
        const int low = std::min(anchor, index), high = std::max(anchor, index);
        for (int i = 0; i < project.Count(); ++i)
            project.Items(i).Selected = i >= low && i <= high;
        return;
    }
    for (int i = 0; i < project.Count(); ++i)
        project.Items(i).Selected = i == index;
}

void ClearSelection(TThPicObjectManager& project) {
    for (int i = 0; i < project.Count(); ++i)
        project.Items(i).Selected = false;
}

int SelectedCount(const TThPicObjectManager& project) {
    int count = 0;
    for (int i = 0; i < project.Count(); ++i)
        count += project.Items(i).Selected;
    return count;
}

int FirstSelected(const TThPicObjectManager& project) {
    for (int i = 0; i < project.Count(); ++i)
        if (project.Items(i).Selected)
            return i;
    return -1;
}

bool IsSupportedPicture(const std::string& fileName) {
    const std::string ext = lowerAscii(ThUtility::ExtractFileExt(fileName));
    return ext == ".bmp" || ext == ".jpg" || ext == ".jpeg" || ext == ".png";
}

std::optional<Message> CheckPicturesToAdd(const std::vector<std::string>& paths, bool fromButton) {
    if (paths.empty())
        return fromButton ? std::optional<Message>(kSelectPicturesToAdd) : std::nullopt;
    for (const std::string& path : paths)
        if (const auto problem = JpegLoadProblem(path))
            return UnsupportedImageMessage(ThUtility::ExtractFileName(path), *problem);
    return std::nullopt;
}

AddResult AddPictureFiles(TThPicObjectManager& project, const std::vector<std::string>& paths, int index,
                          const AddProgress& progress) {
    if (index > project.Count())
        throw ListIndexError(index);
    AddResult result;
    const int total = static_cast<int>(paths.size());
    for (int done = 0; done < total; ++done) {
        const std::string& path = paths[static_cast<std::size_t>(done)];
        try {
            InsertPicture(project, PreparePictureFile(project.ProjectDir, path), index);
            ++result.added;
        } catch (const PictureCopyError& e) {
            result.messages.push_back(CopyFailedMessage(ThUtility::ExtractFileName(path), e.what()));
        } catch (const Error& e) {
            result.messages.push_back(UnsupportedImageMessage(ThUtility::ExtractFileName(path), e.what()));
        }
        if (progress && !progress(done + 1, total))
            break;
    }
    return result;
}

bool StripAcceptsDrop(DragSource source, int fileCount) {
    return (source == DragSource::BrowserFiles || source == DragSource::DesktopFiles) && fileCount > 0;
}

bool PanelAcceptsDrop(DragSource source, int fileCount, bool actionSelected) {
    switch (source) {
    case DragSource::BrowserFiles:
    case DragSource::DesktopFiles: return fileCount > 0;
    case DragSource::ActionList: return actionSelected;
    case DragSource::ActionPreview:
    case DragSource::PanelControl: return true;
    case DragSource::Other: break;
    }
    return false;
}

PanelDrop PanelDropFor(DragSource source) {
    switch (source) {
    case DragSource::BrowserFiles:
    case DragSource::DesktopFiles: return PanelDrop::InsertFiles;
    case DragSource::ActionList:
    case DragSource::ActionPreview: return PanelDrop::GiveAction;
    case DragSource::PanelControl: return PanelDrop::MovePicture;
    case DragSource::Other: break;
    }
    return PanelDrop::Nothing;
}

void MovePicture(TThPicObjectManager& project, int from, int to) {
    if (to < 0 || to >= project.Count())
        throw ListIndexError(to);
    project.Insert(to, project.Extract(from));
}

std::optional<Message> MoveSelectedPicture(TThPicObjectManager& project, int tag) {
    if (SelectedCount(project) != 1)
        return kSelectOnePictureToMove;
    const int at = FirstSelected(project);
    if (tag == 0) {
        if (at == 0)
            return kCannotMoveForward;
        MovePicture(project, at, at - 1);
    } else {
        if (at == project.Count() - 1)
            return kCannotMoveBack;
        MovePicture(project, at, at + 1);
    }
    return std::nullopt;
}

std::optional<Message> CheckDelete(const TThPicObjectManager& project) {
    if (SelectedCount(project) == 0)
        return kSelectOnePictureToDelete;
    return std::nullopt;
}

int DeleteSelectedPictures(TThPicObjectManager& project) {
    int removed = 0;
    for (int i = project.Count() - 1; i >= 0; --i)
        if (project.Items(i).Selected) {
            project.Delete(i);
            ++removed;
        }
    return removed;
}

std::optional<Message> CheckCaptionText(const std::string& text) {
    if (FitsShiftJis(text))
        return std::nullopt;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = characterLength(static_cast<unsigned char>(text[i]));
        const std::string character = text.substr(i, length);
        if (!FitsShiftJis(character))
            return Message(QT_TRANSLATE_NOOP("Messages", "「%1」はキャプションに使えない文字です"), {character});
        i += length;
    }
    // A stray byte that is no character.
    return Message(QT_TRANSLATE_NOOP("Messages", "キャプションに使えない文字が含まれています"));
}

}  // namespace kalidor::rules
