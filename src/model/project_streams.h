#pragma once
// The stream encodings the project file is built from: strings (int32 length + Shift-JIS
// bytes), caption fonts and graphics (int32 length, int32 kind tag, a BMP file for kind 1).

#include "model/byte_stream.h"
#include "model/caption_font.h"
#include "imaging/bitmap.h"

#include <string>

namespace kalidor::ThUtility {

// Converts to Shift-JIS; a text code page 932 cannot hold raises kalidor::Error.
void WriteString(ByteWriter& out, const std::string& utf8);
// A length of 0 or less is the empty string. Returns UTF-8.
std::string ReadString(ByteReader& in, const char* field);

void WriteFont(ByteWriter& out, const CaptionFont& font);
void ReadFont(ByteReader& in, CaptionFont& font);

// An empty bitmap is written as length 0; any other as kind 1 with a 24-bit BMP file.
void WriteGraphic(ByteWriter& out, const Bitmap& graphic);
// Kind 1 is decoded as BMP; other kinds are skipped and leave an empty bitmap, as does a
// bitmap payload that does not decode (the stream stays in step, the thumbnail can be made
// again from the picture). A negative length raises kalidor::Error.
void ReadGraphic(ByteReader& in, Bitmap& graphic);

}  // namespace kalidor::ThUtility
