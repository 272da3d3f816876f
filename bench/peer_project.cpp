// A helper of bench/peer_bench.sh and bench/h264_quality.sh: gives every picture of a project
// made by `kalidor-cli new` one picture action (or keeps each one's own), sets the movie size
// and, when given, every picture's display time.
// Usage: peer-project <project-folder> <W>x<H> none|zoom|keep [seconds]

#include "model/pic_object.h"

#include <cstdio>
#include <iostream>
#include <string>

using namespace kalidor;

int main(int argc, char** argv) {
    int w = 0, h = 0, seconds = 0;
    const std::string action = argc > 3 ? argv[3] : "";
    if ((argc != 4 && argc != 5) || std::sscanf(argv[2], "%dx%d", &w, &h) != 2 ||
        (action != "none" && action != "zoom" && action != "keep") ||
        (argc == 5 && (std::sscanf(argv[4], "%d", &seconds) != 1 || seconds < 1))) {
        std::cerr << "usage: peer-project <project-folder> <W>x<H> none|zoom|keep [seconds]\n";
        return 2;
    }
    std::string dir = argv[1];
    if (dir.back() != '/')
        dir += '/';
    TThPicObjectManager project;
    if (!project.LoadProject(dir + "project.dat")) {
        std::cerr << "peer-project: cannot read " << dir << "project.dat\n";
        return 1;
    }
    project.ProjectDir = dir;
    project.MovWidth = w;
    project.MovHeight = h;
    project.MovRatio = w * 3 == h * 4 ? 0 : 1;
    for (int i = 0; i < project.Count(); ++i) {
        if (action != "keep")
            project.Items(i).PicAction = action == "zoom" ? apZoomIN : apNone;
        if (seconds > 0)
            project.Items(i).DisplayTime = seconds;
    }
    if (!project.SaveProject()) {
        std::cerr << "peer-project: cannot write " << dir << "project.dat\n";
        return 1;
    }
    return 0;
}
