#pragma once

// A table's definition (docs/file-format.md, Table definition): its columns, indexes and the usage
// maps that lead to its rows. The reader fills it from a file, the creator lays out new tables in
// it; read/table_definition_codec.h turns it into bytes and back.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/format.h"
#include "engine/value.h"

namespace engine {

// One Access property of a table or column (docs/file-format.md, Property blocks).
struct Property {
  std::u16string name;
  std::uint8_t type = 0;  // Jet type code of the value
  bool ddl = false;
  Value value;
  bool operator==(const Property&) const = default;
};

struct ColumnDefinition {
  std::u16string name;
  std::uint8_t type = 0;            // Jet type code (JetType)
  std::uint16_t number = 0;         // stable column number; its null-mask bit
  std::uint16_t variableIndex = 0;  // slot in the row's variable-offset table
  std::uint16_t fixedOffset = 0;    // offset in the row's fixed area
  std::uint16_t length = 0;         // bytes (text: 2 per character in Jet 4+)
  std::uint8_t flags = 0;
  std::uint8_t extendedFlags = 0;  // Jet 4+
  std::uint8_t precision = 0;      // Decimal
  std::uint8_t scale = 0;          // Decimal
  std::uint16_t sortOrder = 0;     // text: LCID
  std::uint8_t sortVersion = 0;    // Jet 4+ text: 0 General Legacy, 1 General
  std::uint16_t codePage = 0;      // Jet 3 text
  std::int32_t complexId = 0;      // complex columns
  // Calculated columns: the type of the stored result (the ResultType
  // property); otherwise equal to `type`.
  std::uint8_t resultType = 0;
  // Access properties of the column (Database::table fills them in).
  std::vector<Property> properties;

  bool operator==(const ColumnDefinition&) const = default;

  // The property named `name` (case-insensitive), or null.
  const Property* property(std::u16string_view name) const;

  [[nodiscard]] bool isFixedLength() const;
  bool isAutoNumber() const;
  [[nodiscard]] bool isAutoGuid() const;
  bool isHyperlink() const;
  [[nodiscard]] bool isCalculated() const;
  bool allowsCompression() const;
  [[nodiscard]] bool isLongValue() const;  // Memo or OLE: a 12-byte reference in the row
  // Text/memo: the most characters a value may hold (0 = memo, unbounded).
  std::size_t maxCharacters(const Format& format) const;
};

struct IndexColumn {
  std::uint16_t columnNumber = 0;
  int columnPosition = -1;  // position in TableDefinition::columns, -1 if unknown
  bool ascending = true;
  bool operator==(const IndexColumn&) const = default;
};

// A physical index: the key layout and where its pages are.
struct RealIndex {
  std::vector<IndexColumn> columns;  // in key order
  std::uint32_t usageMap = 0;        // pointer to the index's page map
  std::uint32_t rootPage = 0;        // first index page (root of the tree)
  std::uint8_t flags = 0;            // unique, ignore nulls, required
  std::uint32_t distinctCount = 0;   // from the real-index counters

  bool operator==(const RealIndex&) const = default;
  [[nodiscard]] bool isUnique() const;
  bool ignoresNulls() const;
};

// A named index as users see it; several may share a real index.
struct IndexDefinition {
  std::u16string name;
  std::uint32_t number = 0;
  std::uint32_t realIndex = 0;  // into TableDefinition::realIndexes
  std::uint8_t kind = 0;        // 1 primary key, 2 foreign key, 0 other
  std::uint32_t relatedTable = 0;
  bool cascadeUpdates = false;
  bool cascadeDeletes = false;

  bool operator==(const IndexDefinition&) const = default;
  [[nodiscard]] bool isPrimaryKey() const { return kind == 1; }
  bool isForeignKey() const { return kind == 2; }
};

// Where a memo/OLE column keeps its long-value pages (Jet 4+).
struct LongValueMaps {
  std::uint16_t columnNumber = 0;
  std::uint32_t ownedPages = 0;
  std::uint32_t freePages = 0;
  bool operator==(const LongValueMaps&) const = default;
};

struct TableDefinition {
  std::u16string name;
  std::uint32_t page = 0;            // first TDEF page
  std::vector<std::uint32_t> chain;  // every TDEF page, in order
  std::uint32_t rowCount = 0;        // exact for user tables only
  std::uint32_t autoNumber = 0;
  std::uint8_t tableType = 0;
  std::uint16_t maxColumns = 0;  // highest column count a row may carry
  std::uint16_t variableColumnCount = 0;
  std::uint32_t ownedPagesMap = 0;
  std::uint32_t freePagesMap = 0;
  // Columns in table order (ascending column number).
  std::vector<ColumnDefinition> columns;
  std::vector<RealIndex> realIndexes;
  std::vector<IndexDefinition> indexes;
  std::vector<LongValueMaps> longValueMaps;
  // Access properties of the table itself (Database::table fills them in).
  std::vector<Property> properties;

  bool operator==(const TableDefinition&) const = default;

  // Position of the column named `name` (case-insensitive), or -1.
  int columnIndex(std::u16string_view name) const;
  // The real index behind a named index.
  const RealIndex& realIndexOf(const IndexDefinition& index) const;
};

}  // namespace engine
