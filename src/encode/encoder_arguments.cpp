// The encoder's argument line. Every piece, blanks included, is fixed text: runs of blanks
// where pieces meet are part of what the encoder entry accepts.

#include "encode/encoder_arguments.h"

#include <string>

namespace kalidor {
namespace {

const char* videoPiece(std::uint8_t movType) {
    switch (movType) {
    case 0: return "  -vcodec mpeg4 -f mp4 ";
    case 1: return "  -vcodec msmpeg4v2 -f avi ";
    case 2: return "  -vcodec mpeg1video -f mpeg ";
    default: return "";
    }
}

const char* audioPiece(std::uint8_t movType) {
    switch (movType) {
    case 0: return "  -acodec libfaac ";
    case 1: return "  -acodec wmav2 ";
    case 2: return "  -acodec mp2 ";
    default: return "";
    }
}

const char* bitRatePiece(std::uint8_t movQuality) {
    switch (movQuality) {
    case 0: return " -b 4000kb ";
    case 1: return " -b 2000kb ";
    case 2: return " -b 1000kb ";
    case 3: return " -b 768kb ";
    case 4: return " -b 384kb ";
    default: return "";
    }
}

}  // namespace

std::string BuildEncoderArguments(const TThPicObjectManager& project) {
    const std::string quote = "\"";
    std::string line = " -y -r 30 -i " + quote + project.ProjectDir + "tmp/%6d.jpg" + quote + " ";
    if (project.UseMusic)
        line += " -i " + quote + project.MusicFilePath + quote + " ";
    line += videoPiece(project.MovType);
    if (project.UseMusic)
        line += audioPiece(project.MovType);
    line += bitRatePiece(project.MovQuality);
    if (project.UseMusic)
        line += " -ab 192kb ";
    line += "-s " + std::to_string(project.MovWidth) + "x" + std::to_string(project.MovHeight) + " ";
    line += "-t " + std::to_string(project.TotalSeconds()) + ".1 ";
    line += quote + project.SaveFilePath + quote;
    return line;
}

}  // namespace kalidor
