// What a default name is made from: the value of the movie file name preference and of the source
// ID preference. What each value yields is decided where the name is made (the document's default
// source ID, the export's proposed movie name); a value outside 0-4 yields the empty string.
#pragma once

#include <cstdint>

enum NameSourceType : int32_t {
    kNameSourceNothing = 0,     // the empty string
    kNameSourceBaseName = 1,    // the sequence's base name
    kNameSourceInPointFile = 2, // the in-point file's name less its extension
    kNameSourceDirectory = 3,   // the name of the sequence's directory
    kNameSourceStoredText = 4,  // the text stored last (default source ID, or default file name)
};

constexpr int32_t kNameSourceTypeCount = 5;
