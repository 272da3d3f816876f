// A helper of bench/peer_bench.sh: gives every picture of a project made by `kalidor-cli new`
// one picture action and sets the movie size.
// Usage: peer-project <project-folder> <W>x<H> none|zoom

#include "model/pic_object.h"

#include <cstdio>
#include <iostream>
#include <string>

using namespace kalidor;

int main(int argc, char** argv) {
    int w = 0, h = 0;
    if (argc != 4 || std::sscanf(argv[2], "%dx%d", &w, &h) != 2 ||
        (std::string(argv[3]) != "none" && std::string(argv[3]) != "zoom")) {
        std::cerr << "usage: peer-project <project-folder> <W>x<H> none|zoom\n";
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
    for (int i = 0; i < project.Count(); ++i)
        project.Items(i).PicAction = std::string(argv[3]) == "zoom" ? apZoomIN : apNone;
    if (!project.SaveProject()) {
        std::cerr << "peer-project: cannot write " << dir << "project.dat\n";
        return 1;
    }
    return 0;
}
