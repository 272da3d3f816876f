#include "translation/catalogue.h"

#include "translation/compiled_catalogues.h"
#include "translation/ui_language.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>

namespace kalidor {

Catalogue::Catalogue(const compiled_catalogues::Language& table) : language_(table.name), table_(&table) {}

const Catalogue& Catalogue::For(const std::string& language) {
    // Made once each, kept for the process: callers hold references.
    static std::mutex mutex;
    static std::deque<Catalogue> made{Catalogue()};
    const std::lock_guard lock(mutex);
    for (const Catalogue& catalogue : made)
        if (catalogue.language_ == language) return catalogue;
    for (const auto* table = compiled_catalogues::kLanguages; table->name; ++table)
        if (language == table->name) return made.emplace_back(Catalogue(*table));
    return made.front();
}

const Catalogue& Catalogue::ForInterface() {
    static const Catalogue& chosen = For(InterfaceLanguage());
    return chosen;
}

std::vector<std::string> Catalogue::Languages() {
    std::vector<std::string> names;
    for (const auto* table = compiled_catalogues::kLanguages; table->name; ++table) names.push_back(table->name);
    return names;
}

namespace {

const char* lookUp(const compiled_catalogues::Language& table, const char* context, const char* source) {
    const auto* begin = table.entries;
    const auto* end = begin + table.count;
    const auto less = [](const compiled_catalogues::Entry& entry, std::pair<const char*, const char*> key) {
        const int byContext = std::strcmp(entry.context, key.first);
        return byContext < 0 || (byContext == 0 && std::strcmp(entry.source, key.second) < 0);
    };
    const auto* found = std::lower_bound(begin, end, std::pair{context, source}, less);
    if (found != end && std::strcmp(found->context, context) == 0 && std::strcmp(found->source, source) == 0)
        return found->translation;
    return nullptr;
}

}  // namespace

const char* Catalogue::Translate(const char* context, const char* source) const {
    if (!table_) return source;
    if (const char* own = lookUp(*table_, context, source)) return own;
    // A text another language does not translate yet reads in English, as in the window.
    if (language_ != "en") {
        const Catalogue& english = For("en");
        if (english.table_) return english.Translate(context, source);
    }
    return source;
}

std::string Catalogue::operator()(const Message& message) const {
    return message.Render((*this)(message.Source()));
}

}  // namespace kalidor
