#pragma once

#include "engine/base/internal.h"

// A read-only view of bytes from one page (or a buffer assembled from pages)
// whose every read is bounds-checked: a read outside the view means the file
// is damaged, and throws Error::damaged naming the file and page.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "engine/format/byte_order.h"

namespace engine {

class BoundedBytes {
 public:
  BoundedBytes(std::span<const std::uint8_t> data, std::uint32_t page, const std::string& path)
      : data_(data), page_(page), path_(&path) {}

  std::size_t size() const { return data_.size(); }
  std::uint32_t page() const { return page_; }
  const std::string& path() const { return *path_; }
  std::span<const std::uint8_t> all() const { return data_; }

  std::uint8_t u8(std::size_t offset) const {
    check(offset, 1);
    return data_[offset];
  }
  std::uint16_t u16(std::size_t offset) const {
    check(offset, 2);
    return readU16(data_, offset);
  }
  std::uint32_t u24(std::size_t offset) const {
    check(offset, 3);
    return data_[offset] | (data_[offset + 1] << 8) | (std::uint32_t{data_[offset + 2]} << 16);
  }
  std::uint32_t u32(std::size_t offset) const {
    check(offset, 4);
    return readU32(data_, offset);
  }
  std::span<const std::uint8_t> slice(std::size_t offset, std::size_t length) const {
    check(offset, length);
    return data_.subspan(offset, length);
  }
  BoundedBytes sub(std::size_t offset, std::size_t length) const {
    return BoundedBytes(slice(offset, length), page_, *path_);
  }

  [[noreturn]] void fail(std::string_view what) const;

 private:
  void check(std::size_t offset, std::size_t length) const {
    if (offset > data_.size() || length > data_.size() - offset) outOfRange(offset, length);
  }
  [[noreturn]] void outOfRange(std::size_t offset, std::size_t length) const;

  std::span<const std::uint8_t> data_;
  std::uint32_t page_;
  const std::string* path_;
};

}  // namespace engine
