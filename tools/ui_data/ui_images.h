#pragma once
// The images the program ships: the action bitmaps of the catalogue, the interface PNGs and the
// default project thumbnail, all drawn from our own sample picture and the engine's renderers.

#include "actions/delivered_actions.h"
#include "imaging/bitmap.h"
#include "translation/catalogue.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kalidor::uidata {

// The words on the images are marked in the contexts "Buttons" (as the window names its image
// buttons), "Actions" and "Images", and drawn in the language of a catalogue.
using ActionInfo = DeliveredAction;

// Every picture action, then every text action, in the order the user sees them.
std::vector<ActionInfo> CatalogueActions();

// 44 x 44 and 394 x 267 logical pixels, 24-bit, drawn for a screen scale of 1 or 2 (twice the
// pixels each way).
Bitmap ActionIcon(const ActionInfo& action, const Bitmap& sample, int scale);
Bitmap ActionDescription(const ActionInfo& action, const Bitmap& sample, int scale, const Catalogue& words);

struct NamedImage {
    std::string file;  // name in the image folder
    Bitmap image;      // 32-bit with alpha
    bool words = false;  // it carries words, so each language has its own
};

// Menu bar, storyboard panel and command button images, drawn for a screen scale of 1 or 2 (the
// same logical size, twice the pixels).
std::vector<NamedImage> InterfaceImages(int scale, const Catalogue& words);

// 148 x 148, 24-bit: the thumbnail of a project without pictures.
Bitmap DefaultThumbnail(const Catalogue& words);

// The application icon, size x size, 32-bit with alpha: a picture becoming a movie.
Bitmap ApplicationIcon(int size);

}  // namespace kalidor::uidata
