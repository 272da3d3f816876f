#pragma once
// The action catalogue: the picture and text actions offered to the user, read once from
// "actionList.dat" (Shift-JIS, one entry per line, comma-text fields), each with an icon and a
// description bitmap from the image folder. Read-only after loading.
//
// Loading throws kalidor::Error naming the file (and the line, for a bad line) when the catalogue
// cannot be read, a line has fewer than four fields, or a bitmap is missing or unreadable.
// Each bitmap may have a sharp copy for screens of scale 2 beside it ("name@2x.png", twice the
// width and height); one that is missing, unreadable, of another size, or of another picture than
// the plain one (which the user may have replaced) is left out, and the plain bitmap shows.

#include "model/action_types.h"
#include "imaging/bitmap.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kalidor {

struct TThActionObject {
    bool IsPicture = true;
    std::string Name = "未設定";  // UTF-8 in memory; every entry read is named: not translated
    std::uint8_t PicType = apNone;
    std::uint8_t StrType = asNone;
    Bitmap Icon;         // 44 x 44, shown in a storyboard panel
    Bitmap Description;  // 394 x 267, shown on the action page
    Bitmap SharpIcon;         // twice the size of Icon, or empty
    Bitmap SharpDescription;  // twice the size of Description, or empty
};

class TThActionObjectManager {
public:
    TThActionObjectManager() = default;
    // catalogPath: the full path of actionList.dat; imageDir ends with '/'.
    TThActionObjectManager(const std::string& catalogPath, const std::string& imageDir);
    // The same, each bitmap read where `imagePath` finds its file name ("apZoomIN_desc.bmp"), as
    // the interface's language asks; its sharp copy is looked for beside it.
    using ImagePath = std::function<std::string(const std::string& fileName)>;
    TThActionObjectManager(const std::string& catalogPath, const ImagePath& imagePath);

    int Add(std::unique_ptr<TThActionObject> entry);
    int Count() const { return static_cast<int>(items_.size()); }
    const TThActionObject& Items(int index) const;  // throws ListIndexError out of range

    static int PicTypeOf(const std::string& identifier);  // -1 when no member has that name
    static int StrTypeOf(const std::string& identifier);

    // The first entry whose PicType (StrType) equals value: its Icon or Description; nullptr when
    // none. Owned by the catalogue.
    const Bitmap* PicBitmap(std::uint8_t value, bool wantIcon) const;
    const Bitmap* StrBitmap(std::uint8_t value, bool wantIcon) const;
    // The sharp copy of `bitmap` when it is an entry's Icon or Description and the entry has one;
    // nullptr otherwise.
    const Bitmap* SharpCopyOf(const Bitmap& bitmap) const;
    // The first entry of either kind with exactly this name; nullptr when none.
    const TThActionObject* FindByName(const std::string& name) const;

private:
    std::vector<std::unique_ptr<TThActionObject>> items_;
};

// The check the program makes on its catalogue at start-up. Each line is an entry, so a file cut
// short, or emptied, still loads, and its actions are silently lost from the page and the
// panels. Raises kalidor::Error naming the file and the line where it ends when it holds no entry
// or lacks one of the picture actions (apZoomIN to apBlindVertical) or text actions (asCenterL to
// asBottomR); apNone and asNone may be left out.
void CheckCatalogueIsWhole(const TThActionObjectManager& actions, const std::string& catalogPath);

}  // namespace kalidor
