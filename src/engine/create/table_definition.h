#pragma once

// Table definitions (TDEF, §4): the header, column descriptors and names,
// index blocks and long-value column maps, written on one page or a chain.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/create/page_file.h"
#include "engine/create/table_layout.h"
#include "engine/format/byte_order.h"

namespace engine::create {

struct RealIndexDefinition {
  std::vector<std::uint16_t> columnNumbers;  // ascending, at most 10
  std::uint32_t usageMap = 0;                // row pointer
  std::uint32_t rootPage = 0;
  std::uint8_t flags = 0;
  std::uint32_t entryCount = 0;
};

struct LogicalIndexDefinition {
  std::u16string name;
  std::uint32_t realIndex = 0;
  std::uint8_t kind = 0;
};

struct LongValueColumnMaps {
  std::uint16_t columnNumber = 0;
  std::uint32_t ownedPages = 0;  // row pointers
  std::uint32_t freePages = 0;
};

struct TableDefinition {
  const TableLayout* layout = nullptr;
  std::uint32_t rowCount = 0;
  std::uint32_t usageMap = 0;
  std::uint32_t freeSpaceMap = 0;
  std::vector<RealIndexDefinition> realIndexes;
  std::vector<LogicalIndexDefinition> logicalIndexes;
  std::vector<LongValueColumnMaps> longValueMaps;
};

// The definition as one buffer, laid out as on its first page (page header included).
Bytes tableDefinitionBytes(const TableDefinition& definition);

// Writes `bytes` to `firstPage`, continuing on newly allocated pages when needed.
void writeTableDefinition(PageFile& file, std::uint32_t firstPage, const Bytes& bytes);

}  // namespace engine::create
