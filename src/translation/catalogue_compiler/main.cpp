// Compiles translations/kalidor_<language>.ts into the C++ tables of compiled_catalogues.h, for
// the code below the desktop program. The build runs it; lrelease makes the window's .qm files
// of the same files.
// Usage: kalidor-catalogue-compiler <output.cpp> <kalidor_xx.ts>...

#include "translation/ts_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw kalidor::TsError("cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A C++ string literal of the UTF-8 bytes: quotes, backslashes and control characters escaped,
// the rest as it is (the sources are UTF-8).
std::string literal(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            const char* digits = "01234567";
            // Three octal digits always, so a following digit is never taken into the escape.
            out += {'\\', digits[c >> 6], digits[(c >> 3) & 7], digits[c & 7]};
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// "…/kalidor_pt_BR.ts" to "pt_BR".
std::string languageOf(const std::string& path) {
    const std::string stem = std::filesystem::path(path).stem().string();
    if (stem.rfind("kalidor_", 0) != 0 || stem.size() == 8)
        throw kalidor::TsError(path + ": a catalogue is named kalidor_<language>.ts");
    return stem.substr(8);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: kalidor-catalogue-compiler <output.cpp> <kalidor_xx.ts>...\n";
        return 2;
    }
    try {
        std::string code =
            "// Compiled from translations/*.ts by kalidor-catalogue-compiler; not to be edited.\n"
            "#include \"translation/compiled_catalogues.h\"\n\n"
            "namespace kalidor::compiled_catalogues {\nnamespace {\n";
        std::string languages;
        for (int i = 2; i < argc; ++i) {
            const std::string language = languageOf(argv[i]);
            std::vector<kalidor::TsMessage> messages = kalidor::ParseTsFile(readFile(argv[i]), argv[i]).messages;
            std::erase_if(messages, [](const kalidor::TsMessage& m) { return !kalidor::IsReleased(m); });
            const auto key = [](const kalidor::TsMessage& m) { return std::pair(m.context, m.source); };
            std::stable_sort(messages.begin(), messages.end(),
                             [&](const auto& a, const auto& b) { return key(a) < key(b); });
            messages.erase(std::unique(messages.begin(), messages.end(),
                                       [&](const auto& a, const auto& b) { return key(a) == key(b); }),
                           messages.end());
            const std::string table = "table" + std::to_string(i);
            code += "const Entry " + table + "[] = {\n";
            for (const kalidor::TsMessage& m : messages)
                code += "    {" + literal(m.context) + ", " + literal(m.source) + ", " + literal(m.translation) + "},\n";
            if (messages.empty()) code += "    {\"\", \"\", \"\"},\n";
            code += "};\n";
            languages += "    {" + literal(language) + ", " + table + ", " + std::to_string(messages.size()) + "},\n";
        }
        code += "}  // namespace\n\nconst Language kLanguages[] = {\n" + languages +
                "    {nullptr, nullptr, 0},\n};\n\n}  // namespace kalidor::compiled_catalogues\n";
        std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
        out << code;
        if (!out.flush()) throw kalidor::TsError(std::string("cannot write ") + argv[1]);
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "kalidor-catalogue-compiler: " << e.what() << "\n";
        return 1;
    }
}
