#pragma once

#include "engine/base/internal.h"

// A data page seen through its slot table (docs/file-format.md, Data pages): which rows it has,
// where each starts and ends, and their deleted / lookup bits.

#include <cstddef>
#include <cstdint>

#include "engine/format.h"
#include "engine/format/bounded_bytes.h"

namespace engine {

struct RowSlot {
  std::uint16_t raw = 0;
  std::size_t start = 0;  // offset of the row in the page
  std::size_t end = 0;    // one past its last byte

  [[nodiscard]] bool deleted() const;
  bool lookup() const;  // holds an overflow pointer instead of the row
  std::size_t length() const { return end - start; }
};

class DataPageView {
 public:
  // Checks the page type and the slot table's size.
  DataPageView(BoundedBytes page, const Format& format);

  std::uint8_t type() const { return page_.u8(0); }
  std::uint32_t owner() const { return page_.u32(4); }
  [[nodiscard]] bool isLongValuePage() const;
  std::size_t slotCount() const { return slotCount_; }
  // Throws Error::damaged when the slot's offsets are inconsistent.
  RowSlot slot(std::size_t index) const;
  // The bytes of row `index`.
  BoundedBytes row(std::size_t index) const;
  const BoundedBytes& bytes() const { return page_; }

 private:
  BoundedBytes page_;
  std::size_t headerSize_;
  std::size_t slotCount_;
};

// A 4-byte pointer as rows and maps store it: row number byte, 24-bit page.
struct RowPointer {
  std::uint32_t page = 0;
  std::uint8_t row = 0;
  static RowPointer fromRaw(std::uint32_t raw) {
    return {raw >> 8, static_cast<std::uint8_t>(raw & 0xFF)};
  }
  bool operator==(const RowPointer&) const = default;
};

}  // namespace engine
