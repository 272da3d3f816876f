#include "translation/ui_language.h"

#include "translation/catalogue.h"

#include <algorithm>
#include <cstdlib>

namespace kalidor {
namespace {

std::vector<std::string> split(const std::string& list) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = list.find(':', start);
        std::string part = list.substr(start, colon - start);
        if (!part.empty()) parts.push_back(std::move(part));
        if (colon == std::string::npos) return parts;
        start = colon + 1;
    }
}

// "en_US.UTF-8@euro" and "en-US" to "en_US"; C, POSIX and nothing to "C".
std::string normalised(std::string name) {
    name = name.substr(0, name.find_first_of(".@"));
    std::replace(name.begin(), name.end(), '-', '_');
    if (name.empty() || name == "C" || name == "POSIX") return "C";
    return name;
}

}  // namespace

std::vector<std::string> PreferredLanguages(const EnvironmentLookup& environment) {
    const auto value = [&](const char* name) {
        const char* v = environment(name);
        return std::string(v ? v : "");
    };
    std::vector<std::string> preferred;
    for (std::string& part : split(value(kLanguageVariable))) preferred.push_back(normalised(std::move(part)));
    std::string messages;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (messages.empty()) messages = value(name);
    const std::vector<std::string> listed = split(value("LANGUAGE"));
    for (const std::string& part : listed.empty() ? std::vector<std::string>{messages} : listed)
        preferred.push_back(normalised(part));
    return preferred;
}

std::string ChooseLanguage(const std::vector<std::string>& preferred, const std::vector<std::string>& available) {
    const auto has = [&](const std::string& name) {
        return std::find(available.begin(), available.end(), name) != available.end();
    };
    for (const std::string& name : preferred) {
        const std::string language = name.substr(0, name.find('_'));
        if (name == "C" || language == "ja") return "ja";
        if (has(name)) return name;
        if (has(language)) return language;
    }
    return "en";
}

std::string InterfaceLanguage() {
    return ChooseLanguage(PreferredLanguages([](const char* name) { return std::getenv(name); }),
                          Catalogue::Languages());
}

}  // namespace kalidor
