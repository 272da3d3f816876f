#pragma once
// The action page's rules without its widgets: which catalogue entries the list offers for the
// chosen kind, which description the preview shows, and how the chosen action reaches the
// pictures (the add and delete buttons, a drop on one panel).

#include "actions/action_catalogue.h"
#include "model/pic_object.h"
#include "translation/message.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kalidor::rules {

inline constexpr const char* kSelectPanelForAction =
    QT_TRANSLATE_NOOP("Messages", "アクションを追加するパネルを選択してください");

// What the action applies to: the picture (PicAction) or its caption (StrAction).
enum class ActionTarget { Picture, Text };

// The names of the entries of that kind, in catalogue order.
std::vector<std::string> ActionNames(const TThActionObjectManager& catalogue, ActionTarget target);

// The description bitmap for the list item `name`: looked up by the found entry's value of the
// target's kind, so the value 0 answers with the first entry carrying 0 there. nullptr when the
// name is not in the catalogue.
const Bitmap* ActionDescription(const TThActionObjectManager& catalogue, const std::string& name,
                                ActionTarget target);

// The value the add button gives: the entry's PicType or StrType, 0 for an unknown name.
std::uint8_t ActionValue(const TThActionObjectManager& catalogue, const std::string& name, ActionTarget target);

// The add button: every selected picture gets the value in the target's field; the other field
// stays. True when a picture changed.
bool GiveActionToSelected(TThPicObjectManager& project, std::uint8_t value, ActionTarget target);
// The delete button: both actions of every selected picture go, whatever the target. True when
// a picture changed.
bool ClearActionsOfSelected(TThPicObjectManager& project);
// A drop on panel `index` (in range): only that picture gets the named entry's value, selected
// or not. False, and nothing changed, for a name the catalogue does not hold.
bool GiveActionToPicture(TThPicObjectManager& project, int index, const TThActionObjectManager& catalogue,
                         const std::string& name, ActionTarget target);

}  // namespace kalidor::rules
