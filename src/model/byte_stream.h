#pragma once
// Little-endian byte writing and bounds-checked reading for the project and catalogue files.
// The reader never reads or allocates past what the data holds: a field that does not fit
// raises kalidor::Error naming the file, the field and the offset.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kalidor {

class ByteWriter {
public:
    void byte(std::uint8_t v) { bytes_.push_back(v); }
    void int32(std::int32_t v);
    void raw(std::span<const std::uint8_t> data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }
    void raw(const std::string& data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }
    const std::vector<std::uint8_t>& bytes() const noexcept { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

class ByteReader {
public:
    ByteReader(std::span<const std::uint8_t> data, std::string fileName)
        : data_(data), fileName_(std::move(fileName)) {}

    std::uint8_t byte(const char* field);
    std::int32_t int32(const char* field);
    std::span<const std::uint8_t> raw(std::size_t count, const char* field);
    void skip(std::size_t count, const char* field) { raw(count, field); }

    std::size_t offset() const noexcept { return offset_; }
    std::size_t remaining() const noexcept { return data_.size() - offset_; }
    const std::string& fileName() const noexcept { return fileName_; }

    // Raises the reader's error for a field whose value is out of range, at the current offset
    // or at the field's own.
    [[noreturn]] void fail(const std::string& what) const { failAt(offset_, what); }
    [[noreturn]] void failAt(std::size_t offset, const std::string& what) const;

private:
    void need(std::size_t count, const char* field) const;

    std::span<const std::uint8_t> data_;
    std::string fileName_;
    std::size_t offset_ = 0;
};

}  // namespace kalidor
