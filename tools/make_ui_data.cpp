// Writes the data the program ships, all drawn here and by the engine's own renderers:
//   config/actionList.dat   the action catalogue (Shift-JIS, CR LF)
//   img/<action>.bmp, img/<action>_desc.bmp   each action's icon and description, and
//                           img/<action>@2x.png, img/<action>_desc@2x.png for screens of scale 2
//   img/*.png, img/*@2x.png menu bar, storyboard panel and command button images, for screen
//                           scales 1 and 2
//   project/thum.bmp        the thumbnail of a project without pictures
//   img/<language>/         for each language with a catalogue (translations/kalidor_<language>.ts):
//                           the images that carry words drawn in it, the descriptions, the
//                           buttons and thum.bmp, under the same names
//   desktop/icons/hicolor/<n>x<n>/apps/com.orvane.Kalidor.png   the application icon
// Usage: make-ui-data <data-folder> [--contact-sheet <file.png>]
// The catalogue is read back through the program's loader before the tool reports success.

#include "ui_data/canvas.h"
#include "ui_data/sample_picture.h"
#include "ui_data/style.h"
#include "ui_data/ui_images.h"

#include "actions/action_catalogue.h"
#include "imaging/bmp_codec.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "imaging/png_writer.h"
#include "platform/text_encoding.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

using namespace kalidor;
using namespace kalidor::uidata;

namespace {

std::string CatalogueText(const std::vector<ActionInfo>& actions) {
    std::string text;
    for (const ActionInfo& a : actions) {
        // Names hold no blank, comma or quote, so every field stands unquoted.
        const std::string line =
            std::string(a.picture ? "0" : "1") + "," + std::string(a.name) + "," + a.identifier + "," + a.identifier + "_desc";
        text += Utf8ToShiftJis(line) + "\r\n";
    }
    return text;
}

struct SheetItem {
    std::string label;
    Bitmap image;  // 24- or 32-bit
};

// Every image on a checked background with its file name, so transparency shows.
void WriteContactSheet(const std::vector<SheetItem>& items, const std::string& path) {
    const int sheetWidth = 1400, gap = 14, labelHeight = 16;
    std::vector<std::pair<int, int>> at;
    int x = gap, y = gap, rowHeight = 0;
    for (const SheetItem& item : items) {
        const int w = std::max(item.image.width(), 60);
        if (x + w + gap > sheetWidth)
            x = gap, y += rowHeight + labelHeight + gap, rowHeight = 0;
        at.emplace_back(x, y);
        x += w + gap;
        rowHeight = std::max(rowHeight, item.image.height());
    }
    Canvas sheet(sheetWidth, y + rowHeight + labelHeight + gap);
    sheet.fill(hex(0xFFFFFF));
    FontRasterizer font = UiFont(7, false);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Bitmap& image = items[i].image;
        const auto [ix, iy] = at[i];
        for (int cy = 0; cy < image.height(); cy += 8)
            for (int cx = 0; cx < image.width(); cx += 8)
                sheet.roundRect(ix + cx, iy + cy, std::min(8, image.width() - cx), std::min(8, image.height() - cy), 0,
                                ((cx + cy) / 8) % 2 ? hex(0xD8D8D8) : hex(0xF4F4F4));
        if (image.bitsPerPixel() == 32) {
            for (int py = 0; py < image.height(); ++py)
                for (int px = 0; px < image.width(); ++px) {
                    const std::uint8_t* p = image.row(py) + px * 4;
                    sheet.roundRect(ix + px, iy + py, 1, 1, 0, Rgba{p[2] / 255.f, p[1] / 255.f, p[0] / 255.f, p[3] / 255.f});
                }
        } else {
            sheet.picture(image, ix, iy);
        }
        sheet.text(font, items[i].label, ix, iy + image.height() + 2, hex(0x404040));
    }
    png::writeFile(sheet.toBgr24(hex(0xFFFFFF)), path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--contact-sheet")) {
        std::cerr << "usage: make-ui-data <data-folder> [--contact-sheet <file.png>]\n";
        return 2;
    }
    try {
        const std::filesystem::path root = argv[1];
        const std::string img = (root / "img").string() + "/";
        const std::string config = (root / "config").string() + "/";
        const std::string project = (root / "project").string() + "/";
        for (const std::string& folder : {img, config, project})
            std::filesystem::create_directories(folder);

        std::vector<SheetItem> sheet;
        const Bitmap sample = DrawSamplePicture(640, 480);
        const std::vector<ActionInfo> actions = CatalogueActions();
        for (const ActionInfo& action : actions)
            for (int scale : {1, 2}) {
                // The sharp copies as PNG: a sixteenth of the bytes.
                const std::string suffix = scale == 1 ? ".bmp" : "@2x.png";
                const std::string iconFile = action.identifier + suffix;
                const std::string descriptionFile = action.identifier + "_desc" + suffix;
                const Bitmap icon = ActionIcon(action, sample, scale);
                const Bitmap description = ActionDescription(action, sample, scale, Catalogue());
                for (const auto& [bitmap, name] : {std::pair{&icon, iconFile}, std::pair{&description, descriptionFile}})
                    scale == 1 ? bmp::writeFile(*bitmap, img + name) : png::writeFile(*bitmap, img + name);
                sheet.push_back({iconFile, icon});
                sheet.push_back({descriptionFile, description});
            }
        const std::string catalogue = CatalogueText(actions);
        writeFileAtomically(config + "actionList.dat",
                            {reinterpret_cast<const std::uint8_t*>(catalogue.data()), catalogue.size()});

        // A second set for screens of scale 2, named as Qt looks for them: name@2x.png.
        for (int scale : {1, 2})
            for (const NamedImage& image : InterfaceImages(scale, Catalogue())) {
                const std::string file =
                    scale == 1 ? image.file : image.file.substr(0, image.file.size() - 4) + "@2x.png";
                png::writeFile(image.image, img + file);
                sheet.push_back({file, image.image});
            }
        const Bitmap thumbnail = DefaultThumbnail(Catalogue());
        bmp::writeFile(thumbnail, project + "thum.bmp");
        sheet.push_back({"thum.bmp", thumbnail});

        // The images that carry words again in each other language, under the same names.
        for (const std::string& language : Catalogue::Languages()) {
            const Catalogue& words = Catalogue::For(language);
            const std::string folder = img + language + "/";
            std::filesystem::create_directories(folder);
            for (int scale : {1, 2}) {
                for (const ActionInfo& action : actions) {
                    const std::string file = action.identifier + "_desc" + (scale == 1 ? ".bmp" : "@2x.png");
                    const Bitmap description = ActionDescription(action, sample, scale, words);
                    scale == 1 ? bmp::writeFile(description, folder + file) : png::writeFile(description, folder + file);
                    sheet.push_back({language + "/" + file, description});
                }
                for (const NamedImage& image : InterfaceImages(scale, words)) {
                    if (!image.words) continue;
                    const std::string file =
                        scale == 1 ? image.file : image.file.substr(0, image.file.size() - 4) + "@2x.png";
                    png::writeFile(image.image, folder + file);
                    sheet.push_back({language + "/" + file, image.image});
                }
            }
            const Bitmap empty = DefaultThumbnail(words);
            bmp::writeFile(empty, folder + "thum.bmp");
            sheet.push_back({language + "/thum.bmp", empty});
        }

        for (int size : {48, 64, 128, 256}) {
            const std::string n = std::to_string(size);
            const std::filesystem::path folder = root / "desktop/icons/hicolor" / (n + "x" + n) / "apps";
            std::filesystem::create_directories(folder);
            const Bitmap icon = ApplicationIcon(size);
            png::writeFile(icon, (folder / "com.orvane.Kalidor.png").string());
            sheet.push_back({"icon " + n, icon});
        }

        const TThActionObjectManager check(config + "actionList.dat", img);
        if (check.Count() != static_cast<int>(actions.size()))
            throw Error("make-ui-data: the catalogue reads back with a different number of entries");
        for (int i = 0; i < check.Count(); ++i)
            if (check.Items(i).SharpIcon.empty() || check.Items(i).SharpDescription.empty())
                throw Error("make-ui-data: the catalogue reads back without the sharp images of " +
                            check.Items(i).Name);
        if (argc == 4)
            WriteContactSheet(sheet, argv[3]);
        std::cout << "wrote " << check.Count() << " actions and " << sheet.size() << " images into " << root.string()
                  << "\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "make-ui-data: " << e.what() << "\n";
        return 1;
    }
}
