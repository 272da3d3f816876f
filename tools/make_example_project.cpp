// Writes the bundled example project: three pictures drawn here (no outside material), their
// thumbnails and project.dat. Usage: make-example-project <folder> [--benchmark]
// With --benchmark it writes the export benchmark's project instead: six 10-second pictures
// with zoom effects at 1280 x 720 (60 seconds of movie).

#include "model/pic_object.h"
#include "model/picture_adding.h"
#include "model/th_utility.h"
#include "imaging/bmp_codec.h"
#include "imaging/jpeg_codec.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iostream>

using namespace kalidor;

namespace {

struct Rgb {
    double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Bitmap draw(int width, int height, const std::function<Rgb(double x, double y)>& colorAt) {
    Bitmap b(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = b.row(y);
        for (int x = 0; x < width; ++x, p += 3) {
            const Rgb c = colorAt(double(x) / width, double(y) / height);
            p[0] = static_cast<std::uint8_t>(std::clamp(c.b, 0.0, 255.0));
            p[1] = static_cast<std::uint8_t>(std::clamp(c.g, 0.0, 255.0));
            p[2] = static_cast<std::uint8_t>(std::clamp(c.r, 0.0, 255.0));
        }
    }
    return b;
}

// An evening sky over the sea with a setting sun and its reflection.
Rgb sunset(double x, double y) {
    const double horizon = 0.62;
    const double sun = std::hypot((x - 0.5) * 4.0 / 3.0, y - 0.5);
    if (y < horizon) {
        Rgb sky = mix({40, 40, 110}, {250, 140, 60}, y / horizon);
        if (sun < 0.09)
            return {255, 230, 150};
        return mix({255, 200, 120}, sky, (sun - 0.09) / 0.15);
    }
    const double depth = (y - horizon) / (1 - horizon);
    Rgb sea = mix({120, 70, 70}, {20, 30, 60}, depth);
    const double glitter = std::abs(x - 0.5) < 0.06 * (1 - depth) + 0.01 && std::sin(y * 300) > 0.3;
    return glitter ? mix(sea, {255, 210, 140}, 0.8) : sea;
}

// Green hills under a blue sky, 16:9.
Rgb hills(double x, double y) {
    const double ridge1 = 0.55 + 0.08 * std::sin(x * 7.0) + 0.03 * std::sin(x * 23.0);
    const double ridge2 = 0.72 + 0.05 * std::sin(x * 5.0 + 2.0);
    if (y > ridge2)
        return mix({70, 150, 60}, {30, 90, 30}, (y - ridge2) * 3);
    if (y > ridge1)
        return mix({110, 160, 110}, {60, 120, 70}, (y - ridge1) * 4);
    const double cloud = std::exp(-std::pow((x - 0.3) * 6, 2) - std::pow((y - 0.2) * 14, 2)) +
                         std::exp(-std::pow((x - 0.7) * 5, 2) - std::pow((y - 0.3) * 16, 2));
    return mix(mix({70, 130, 220}, {170, 210, 250}, y / ridge1), {255, 255, 255}, cloud);
}

// A red tower against the night, portrait.
Rgb tower(double x, double y) {
    Rgb sky = mix({10, 10, 40}, {60, 40, 90}, y);
    const double halfWidth = 0.04 + 0.22 * y * y;
    if (y > 0.15 && std::abs(x - 0.5) < halfWidth) {
        const bool beam = std::fmod(y * 20, 1.0) < 0.25 || std::abs(std::abs(x - 0.5) - halfWidth) < 0.012;
        return beam ? Rgb{250, 120, 60} : mix(sky, {120, 40, 30}, 0.3);
    }
    if (std::fmod(x * 97 + y * 131, 1.0) < 0.004)
        return {255, 255, 220};  // stars
    return sky;
}

}  // namespace

int main(int argc, char** argv) {
    const bool benchmark = argc == 3 && std::string(argv[2]) == "--benchmark";
    if (argc != 2 && !benchmark) {
        std::cerr << "usage: make-example-project <folder> [--benchmark]\n";
        return 2;
    }
    std::string dir = argv[1];
    if (dir.back() != '/')
        dir += '/';
    std::filesystem::create_directories(dir);

    struct Picture {
        const char* file;
        Bitmap pixels;
        const char* caption;
        TActionTypePic picAction;
        TActionTypeStr strAction;
        int seconds;
        CaptionFont font;
    };
    CaptionFont white;
    white.Color = 0x00FFFFFF;
    white.Size = 28;
    white.Style = fsBold;
    CaptionFont yellow;
    yellow.Name = "IPAGothic";
    yellow.Color = 0x0000E0FF;
    yellow.Size = 22;
    Picture pictures[] = {
        {"夕焼け.jpg", draw(800, 600, sunset), "夕焼けの海", apZoomIN, asBottomC, 4, white},  // not translated
        {"hills.jpg", draw(1024, 576, hills), "Green hills 緑の丘", apCurtainLeft, asTopL, 3, yellow},  // not translated
        {"tower.bmp", draw(360, 480, tower), "", apBlindHorizon, asNone, 3, CaptionFont{}},
    };

    TThPicObjectManager project;
    project.ProjectDir = dir;
    project.MovQuality = 1;
    if (benchmark) {
        project.MovWidth = 1280;
        project.MovHeight = 720;
        project.MovRatio = 1;
        project.SaveFilePath = dir + "benchmark.mp4";
        for (auto& p : pictures) {
            p.seconds = 10;
            p.picAction = apZoomIN;
        }
    }
    for (auto& p : pictures) {
        const std::string path = dir + p.file;
        if (ThUtility::ExtractFileExt(path) == ".bmp")
            bmp::writeFile(p.pixels, path);
        else
            jpeg::writeFile(p.pixels, path, 88);
        auto picture = std::make_unique<TThPicObject>();
        picture->PicturePath = path;
        // As adding a picture makes it: fitted, centred on white, framed.
        picture->Thumbnail = StoryboardThumbnailOf(path);
        picture->Text = p.caption;
        picture->PicAction = p.picAction;
        picture->StrAction = p.strAction;
        picture->DisplayTime = p.seconds;
        picture->Font = p.font;
        project.Add(std::move(picture));
    }
    if (benchmark) {
        // The same three pictures again, zooming out: 60 seconds in all.
        for (int i = 0; i < 3; ++i) {
            auto again = project.Items(i).Clone();
            again->PicAction = apZoomOut;
            project.Add(std::move(again));
        }
    }
    project.SaveProject();
    std::cout << "wrote " << project.Count() << " pictures and project.dat into " << dir << "\n";
    return 0;
}
