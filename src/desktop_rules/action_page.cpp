#include "desktop_rules/action_page.h"

namespace kalidor::rules {

std::vector<std::string> ActionNames(const TThActionObjectManager& catalogue, ActionTarget target) {
    std::vector<std::string> names;
    for (int i = 0; i < catalogue.Count(); ++i) {
        const TThActionObject& entry = catalogue.Items(i);
        if (entry.IsPicture == (target == ActionTarget::Picture))
            names.push_back(entry.Name);
    }
    return names;
}

const Bitmap* ActionDescription(const TThActionObjectManager& catalogue, const std::string& name,
                                ActionTarget target) {
    const TThActionObject* entry = catalogue.FindByName(name);
    if (!entry)
        return nullptr;
    return target == ActionTarget::Picture ? catalogue.PicBitmap(entry->PicType, false)
                                           : catalogue.StrBitmap(entry->StrType, false);
}

std::uint8_t ActionValue(const TThActionObjectManager& catalogue, const std::string& name, ActionTarget target) {
    const TThActionObject* entry = catalogue.FindByName(name);
    if (!entry)
        return 0;
    return target == ActionTarget::Picture ? entry->PicType : entry->StrType;
}

bool GiveActionToSelected(TThPicObjectManager& project, std::uint8_t value, ActionTarget target) {
    bool changed = false;
    for (int i = project.Count() - 1; i >= 0; --i) {
        TThPicObject& picture = project.Items(i);
        if (!picture.Selected)
            continue;
        std::uint8_t& field = target == ActionTarget::Picture ? picture.PicAction : picture.StrAction;
        changed |= field != value;
        field = value;
    }
    return changed;
}

bool ClearActionsOfSelected(TThPicObjectManager& project) {
    bool changed = false;
    for (int i = project.Count() - 1; i >= 0; --i) {
        TThPicObject& picture = project.Items(i);
        if (!picture.Selected)
            continue;
        changed |= picture.PicAction != apNone || picture.StrAction != asNone;
        picture.PicAction = apNone;
        picture.StrAction = asNone;
    }
    return changed;
}

bool GiveActionToPicture(TThPicObjectManager& project, int index, const TThActionObjectManager& catalogue,
                         const std::string& name, ActionTarget target) {
    const TThActionObject* entry = catalogue.FindByName(name);
    if (!entry)
        return false;
    TThPicObject& picture = project.Items(index);
    if (target == ActionTarget::Picture)
        picture.PicAction = entry->PicType;
    else
        picture.StrAction = entry->StrType;
    return true;
}

}  // namespace kalidor::rules
