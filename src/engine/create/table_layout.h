#pragma once

// How a table's columns sit in its rows and its definition: type codes,
// column numbers, fixed offsets, variable-table indexes and flags (§4.3, §6.2).

#include <cstdint>
#include <string>
#include <vector>

#include "engine/create/new_database.h"
#include "engine/format/jet_type.h"

namespace engine::create {

struct ColumnLayout {
  std::u16string name;
  JetType type{};
  std::uint16_t number = 0;
  std::uint16_t variableIndex = 0;  // variable columns: index into the row's offset table
  std::uint16_t fixedOffset = 0;    // fixed columns: offset in the row's fixed area
  std::uint16_t length = 0;         // bytes in the fixed area / maximum bytes (text)
  std::uint8_t flags = 0;
  std::uint8_t extendedFlags = 0;

  bool fixed() const;
  bool longValue() const;  // memo or OLE: stored through a 12-byte reference
  bool text() const;       // text or memo
  bool compressedUnicode() const;
};

struct TableLayout {
  std::u16string name;
  bool system = false;
  std::vector<ColumnLayout> columns;         // in column-number order
  std::vector<std::size_t> descriptorOrder;  // order of the TDEF descriptors (indexes into columns)
  std::uint16_t variableColumns = 0;
  std::uint16_t fixedAreaSize = 0;

  // The position in `columns` of the column named `name` (case-insensitive
  // for ASCII letters, as Access compares names), or -1.
  int find(std::u16string_view name) const;
};

// Whether two object names are the same to Access (ASCII letters compared without case).
bool sameName(std::u16string_view a, std::u16string_view b);

// Refuses a table, column or index name Access would not accept.
void checkObjectName(std::u16string_view name, const char* what);

// The layout of a user table; refuses bad names, duplicate names and text lengths out of range.
TableLayout layoutUserTable(const NewTable& table);

// A column of a system table: name, type code, bytes (text and binary: maximum), flags.
struct SystemColumn {
  std::u16string name;
  JetType type;
  std::uint16_t length;
  std::uint8_t flags;
};

// The layout of a system table: numbered in the given order, descriptors
// sorted by name as Access writes them.
TableLayout layoutSystemTable(std::u16string name, const std::vector<SystemColumn>& columns);

bool isFixedType(JetType type);

}  // namespace engine::create
