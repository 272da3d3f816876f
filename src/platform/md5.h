#pragma once
// MD5 digests (RFC 1321), for the thumbnail cache's file names. Not for security.

#include <string>
#include <string_view>

namespace kalidor {

// The digest of the bytes as 32 lower-case hexadecimal digits.
std::string Md5Hex(std::string_view bytes);

}  // namespace kalidor
