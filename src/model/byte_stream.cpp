#include "model/byte_stream.h"

#include "platform/error.h"

namespace kalidor {

void ByteWriter::int32(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8)
        bytes_.push_back(static_cast<std::uint8_t>(u >> shift));
}

void ByteReader::failAt(std::size_t offset, const std::string& what) const {
    throw Error(fileName_ + ": " + what + " at offset " + std::to_string(offset));
}

void ByteReader::need(std::size_t count, const char* field) const {
    if (count > remaining())
        fail(std::string(field) + " needs " + std::to_string(count) + " bytes but only " +
             std::to_string(remaining()) + " are left (the file is truncated or damaged)");
}

std::uint8_t ByteReader::byte(const char* field) {
    need(1, field);
    return data_[offset_++];
}

std::int32_t ByteReader::int32(const char* field) {
    need(4, field);
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= static_cast<std::uint32_t>(data_[offset_ + i]) << (8 * i);
    offset_ += 4;
    return static_cast<std::int32_t>(u);
}

std::span<const std::uint8_t> ByteReader::raw(std::size_t count, const char* field) {
    need(count, field);
    auto part = data_.subspan(offset_, count);
    offset_ += count;
    return part;
}

}  // namespace kalidor
