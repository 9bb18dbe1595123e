#pragma once

#include "engine/base/internal.h"

// How the creator lays out a new table's definition: type codes, column numbers, fixed offsets,
// variable-table indexes and flags (docs/file-format.md, Table definition, Data rows).

#include <cstdint>
#include <string>
#include <vector>

#include "engine/jet_type.h"
#include "engine/new_database.h"
#include "engine/table_definition.h"

namespace engine::create {

// Refuses a table, column or index name Access would not accept.
void checkObjectName(std::u16string_view name, const char* what);

// The definition of a user table, before its rows, maps and indexes are
// known; refuses bad names, duplicate names (compared as Access compares
// them, without case) and text lengths out of range.
TableDefinition layoutUserTable(const NewTable& table);

// A column of a system table: name, type code, bytes (text and binary: maximum), flags.
struct SystemColumn {
  std::u16string name;
  JetType type;
  std::uint16_t length;
  std::uint8_t flags;
};

// The definition of a system table, its columns numbered in the given order.
TableDefinition layoutSystemTable(std::u16string name, const std::vector<SystemColumn>& columns);

// Positions in `table.columns` in the order the definition lists their
// descriptors: column-number order, or sorted by name as Access lists a
// system table's.
std::vector<std::size_t> descriptorsByNumber(const TableDefinition& table);
std::vector<std::size_t> descriptorsByName(const TableDefinition& table);

}  // namespace engine::create
