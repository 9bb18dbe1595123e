#pragma once

#include "engine/base/internal.h"

// The page images of a database being created, held in memory until the whole
// file is written at once.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/file_system.h"
#include "engine/format/byte_order.h"
#include "engine/pager/page_codec.h"

namespace engine::create {

class PageFile {
 public:
  PageFile() = default;
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  // Appends a zero-filled page and returns its number.
  std::uint32_t allocate();
  std::span<std::uint8_t> page(std::uint32_t number);
  std::uint32_t pageCount() const { return static_cast<std::uint32_t>(pages_.size()); }

  // Writes every page to `path` (through a temporary file beside it, renamed
  // into place once complete and flushed), enciphering pages after the
  // first with `codec` when given.
  void writeTo(FileSystem& fs, const std::string& path, const PageCodec* codec = nullptr) const;

 private:
  std::vector<Bytes> pages_;
};

}  // namespace engine::create
