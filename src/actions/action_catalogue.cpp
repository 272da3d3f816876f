#include "actions/action_catalogue.h"

#include "actions/catalogue_file.h"
#include "model/pic_object.h"
#include "imaging/bitmap_utils.h"
#include "imaging/bmp_codec.h"
#include "imaging/png_codec.h"
#include "platform/error.h"
#include "platform/file_io.h"

#include <array>
#include <cstdlib>
#include <string_view>

namespace kalidor {
namespace {

// Member names in value order: the catalogue file refers to the actions by them.
constexpr std::array<std::string_view, 7> kPicNames = {
    "apNone", "apZoomIN", "apZoomOut", "apCurtainLeft", "apCurtainRight", "apBlindHorizon", "apBlindVertical",
};
constexpr std::array<std::string_view, 10> kStrNames = {
    "asNone", "asCenterL", "asCenterC", "asCenterR", "asTopL",
    "asTopC", "asTopR",    "asBottomL", "asBottomC", "asBottomR",
};

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

template <std::size_t N>
int indexOf(const std::array<std::string_view, N>& names, const std::string& identifier) {
    for (std::size_t i = 0; i < N; ++i)
        if (equalsIgnoringAsciiCase(names[i], identifier))
            return static_cast<int>(i);
    return -1;
}

// -1 (no such member) is kept as 255, which the renderers treat as an unknown action.
std::uint8_t storedValue(int value) { return value < 0 ? 255 : static_cast<std::uint8_t>(value); }

Bitmap readRowBitmap(const std::string& path, const CatalogueRow& row, const std::string& catalogPath) {
    try {
        return bmp::readFile(path);
    } catch (const Error& e) {
        throw Error("Action catalogue: " + std::string(e.what()) + " (" + catalogPath + " line " +
                    std::to_string(row.line) + ")");
    }
}

// The copy drawn for screens of scale 2, when it is there, reads, has twice the pixels of `plain`
// and shows the same; else empty. An older workspace lacks it, and the plain one shows the same.
Bitmap readSharpBitmap(const std::string& plainPath, const Bitmap& plain) {
    try {
        Bitmap sharp = png::readFile(plainPath.substr(0, plainPath.size() - 4) + "@2x.png").toBgr24();
        if (sharp.width() == plain.width() * 2 && sharp.height() == plain.height() * 2 && ShowsTheSamePicture(sharp, plain))
            return sharp;
    } catch (const Error&) {
    }
    return {};
}

}  // namespace

TThActionObjectManager::TThActionObjectManager(const std::string& catalogPath, const std::string& imageDir)
    : TThActionObjectManager(catalogPath, [&imageDir](const std::string& file) { return imageDir + file; }) {}

TThActionObjectManager::TThActionObjectManager(const std::string& catalogPath, const ImagePath& imagePath) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = readFileBytes(catalogPath);
    } catch (const Error& e) {
        throw Error("Action catalogue: " + std::string(e.what()));
    }
    for (const CatalogueRow& row : ParseCatalogue(bytes, catalogPath)) {
        auto entry = std::make_unique<TThActionObject>();
        entry->IsPicture = row.isPicture;
        entry->Name = row.name;
        if (row.isPicture)
            entry->PicType = storedValue(PicTypeOf(row.identifier));
        else
            entry->StrType = storedValue(StrTypeOf(row.identifier));
        const std::string icon = imagePath(row.identifier + ".bmp");
        const std::string description = imagePath(row.descriptionName + ".bmp");
        entry->Icon = readRowBitmap(icon, row, catalogPath);
        entry->Description = readRowBitmap(description, row, catalogPath);
        entry->SharpIcon = readSharpBitmap(icon, entry->Icon);
        entry->SharpDescription = readSharpBitmap(description, entry->Description);
        Add(std::move(entry));
    }
}

void CheckCatalogueIsWhole(const TThActionObjectManager& actions, const std::string& catalogPath) {
    const std::string where = " (" + catalogPath + " line " + std::to_string(actions.Count() + 1) + ")";
    if (actions.Count() == 0)
        throw Error("Action catalogue: the file holds no action" + where);
    std::string missing;
    const auto need = [&](bool picture, std::size_t value, std::string_view name) {
        for (int i = 0; i < actions.Count(); ++i) {
            const TThActionObject& entry = actions.Items(i);
            if (entry.IsPicture == picture && (picture ? entry.PicType : entry.StrType) == value)
                return;
        }
        missing += (missing.empty() ? "" : ", ") + std::string(name);
    };
    for (std::size_t value = 1; value < kPicNames.size(); ++value)
        need(true, value, kPicNames[value]);
    for (std::size_t value = 1; value < kStrNames.size(); ++value)
        need(false, value, kStrNames[value]);
    if (!missing.empty())
        throw Error("Action catalogue: the file ends without an entry for " + missing + where);
}

int TThActionObjectManager::Add(std::unique_ptr<TThActionObject> entry) {
    items_.push_back(std::move(entry));
    return Count() - 1;
}

const TThActionObject& TThActionObjectManager::Items(int index) const {
    if (index < 0 || index >= Count())
        throw ListIndexError(index);
    return *items_[static_cast<std::size_t>(index)];
}

int TThActionObjectManager::PicTypeOf(const std::string& identifier) { return indexOf(kPicNames, identifier); }

int TThActionObjectManager::StrTypeOf(const std::string& identifier) { return indexOf(kStrNames, identifier); }

const Bitmap* TThActionObjectManager::PicBitmap(std::uint8_t value, bool wantIcon) const {
    // Entries of the other kind carry 0 here, so a lookup of 0 may answer with a text entry.
    for (const auto& entry : items_)
        if (entry->PicType == value)
            return wantIcon ? &entry->Icon : &entry->Description;
    return nullptr;
}

const Bitmap* TThActionObjectManager::StrBitmap(std::uint8_t value, bool wantIcon) const {
    for (const auto& entry : items_)
        if (entry->StrType == value)
            return wantIcon ? &entry->Icon : &entry->Description;
    return nullptr;
}

const Bitmap* TThActionObjectManager::SharpCopyOf(const Bitmap& bitmap) const {
    for (const auto& entry : items_) {
        const Bitmap* sharp = &bitmap == &entry->Icon ? &entry->SharpIcon
                              : &bitmap == &entry->Description ? &entry->SharpDescription
                                                                : nullptr;
        if (sharp)
            return sharp->empty() ? nullptr : sharp;
    }
    return nullptr;
}

const TThActionObject* TThActionObjectManager::FindByName(const std::string& name) const {
    for (const auto& entry : items_)
        if (entry->Name == name)
            return entry.get();
    return nullptr;
}

}  // namespace kalidor
