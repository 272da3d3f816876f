#pragma once
// What the build compiles translations/*.ts into (catalogue_compiler), for catalogue.cpp only.

#include <cstddef>

namespace kalidor::compiled_catalogues {

// Sorted by context, then source, as strcmp orders them.
struct Entry {
    const char* context;
    const char* source;
    const char* translation;
};

struct Language {
    const char* name;  // as the .ts file names it: "en", "pt_BR"
    const Entry* entries;
    std::size_t count;
};

// Every compiled language, then one with a null name.
extern const Language kLanguages[];

}  // namespace kalidor::compiled_catalogues
