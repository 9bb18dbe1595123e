#include "engine/create/table_layout.h"

#include <algorithm>
#include <numeric>

#include "engine/create/refusal.h"
#include "engine/format/layout_header.h"
#include "engine/format/layout_tdef.h"
#include "engine/format/layout_text.h"
#include "engine/jet_type.h"
#include "engine/simple_case.h"
#include "engine/utf.h"

namespace engine::create {

namespace td = layout::tdef;

namespace {

JetType typeCode(NewColumn::Type type) {
  using T = NewColumn::Type;
  switch (type) {
    case T::Text:
      return JetType::Text;
    case T::Memo:
      return JetType::Memo;
    case T::Byte:
      return JetType::Byte;
    case T::Integer:
      return JetType::Integer;
    case T::Long:
      return JetType::Long;
    case T::Single:
      return JetType::Single;
    case T::Double:
      return JetType::Double;
    case T::Currency:
      return JetType::Currency;
    case T::DateTime:
      return JetType::DateTime;
    case T::YesNo:
      return JetType::Boolean;
    case T::OLE:
      return JetType::Ole;
    case T::GUID:
      return JetType::Guid;
    case T::Binary:
      return JetType::Binary;
    case T::Decimal:
      return JetType::Decimal;
    case T::DateTimeExtended:
      return JetType::DateTimeExtended;
  }
  throw Refusal("unknown column type");
}

bool isFixedType(JetType type) {
  return type != JetType::Text && type != JetType::Memo && type != JetType::Ole &&
         type != JetType::Binary;
}

bool isText(JetType type) { return type == JetType::Text || type == JetType::Memo; }

// A column numbered after those already in `table`; text sorts in General order.
ColumnDefinition nextColumn(const TableDefinition& table, std::u16string name, JetType type) {
  ColumnDefinition c;
  c.name = std::move(name);
  c.type = static_cast<std::uint8_t>(type);
  c.resultType = c.type;
  c.number = static_cast<std::uint16_t>(table.columns.size());
  if (isText(type)) c.sortOrder = layout::header::kSortOrderGeneral;
  return c;
}

// Assigns fixed offsets and variable indexes in column-number order.
void placeColumns(TableDefinition& table) {
  std::uint16_t fixedOffset = 0;
  std::uint16_t variableIndex = 0;
  for (auto& column : table.columns) {
    if (column.isFixedLength()) {
      column.fixedOffset = fixedOffset;
      fixedOffset = static_cast<std::uint16_t>(fixedOffset + fixedSizeOf(column.type));
    } else {
      column.variableIndex = variableIndex++;
    }
  }
  table.variableColumnCount = variableIndex;
  table.maxColumns = static_cast<std::uint16_t>(table.columns.size());
}

}  // namespace

// Names follow Access's rules: 1-64 characters, no leading space, none of . ! ` [ ] and no
// control characters.
void checkObjectName(std::u16string_view name, const char* what) {
  auto bad = [](char16_t c) {
    return c < 0x20 || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']';
  };
  if (name.empty() || name.size() > 64 || name.front() == u' ' ||
      std::any_of(name.begin(), name.end(), bad))
    throw Refusal(std::string("the ") + what + " name '" + toUtf8(name) + "' is not valid");
}

TableDefinition layoutUserTable(const NewTable& table) {
  checkObjectName(table.name, "table");
  if (table.columns.empty()) throw Refusal("the table '" + toUtf8(table.name) + "' has no columns");
  if (table.columns.size() > 255)
    throw Refusal("the table '" + toUtf8(table.name) + "' has more than 255 columns");
  TableDefinition definition;
  definition.name = table.name;
  definition.tableType = td::kTableTypeUser;
  for (const auto& column : table.columns) {
    checkObjectName(column.name, "column");
    if (definition.columnIndex(column.name) >= 0)
      throw Refusal("the table '" + toUtf8(table.name) + "' has two columns named '" +
                    toUtf8(column.name) + "'");
    const JetType type = typeCode(column.type);
    ColumnDefinition c = nextColumn(definition, column.name, type);
    c.flags = td::kColumnUpdatable | (isFixedType(type) ? td::kColumnFixed : 0);
    if (type == JetType::Text) {
      if (column.maxLength < 1 ||
          column.maxLength > static_cast<int>(layout::text::kMaxTextCharacters))
        throw Refusal("the text column '" + toUtf8(column.name) +
                      "' must hold 1 to 255 characters");
      c.length = static_cast<std::uint16_t>(2 * column.maxLength);
    } else if (type == JetType::Binary) {
      if (column.maxLength < 1 || column.maxLength > 255)
        throw Refusal("the binary column '" + toUtf8(column.name) + "' must hold 1 to 255 bytes");
      c.length = static_cast<std::uint16_t>(column.maxLength);
    } else if (type == JetType::Boolean) {
      c.length = 1;
    } else {
      if (type == JetType::Decimal) {
        if (column.precision < 1 || column.precision > 28 || column.scale < 0 ||
            column.scale > column.precision)
          throw Refusal("the decimal column '" + toUtf8(column.name) +
                        "' must have a precision of 1 to 28 and a scale of 0 to its precision");
        c.precision = static_cast<std::uint8_t>(column.precision);
        c.scale = static_cast<std::uint8_t>(column.scale);
      }
      c.length = static_cast<std::uint16_t>(fixedSizeOf(type));
    }
    if (isText(type) && column.unicodeCompression) c.extendedFlags = td::kColumnCompressedUnicode;
    definition.columns.push_back(std::move(c));
  }
  placeColumns(definition);
  return definition;
}

TableDefinition layoutSystemTable(std::u16string name, const std::vector<SystemColumn>& columns) {
  TableDefinition definition;
  definition.name = std::move(name);
  definition.tableType = td::kTableTypeSystem;
  for (const auto& column : columns) {
    ColumnDefinition c = nextColumn(definition, column.name, column.type);
    c.length = column.length;
    c.flags = column.flags;
    definition.columns.push_back(std::move(c));
  }
  placeColumns(definition);
  return definition;
}

std::vector<std::size_t> descriptorsByNumber(const TableDefinition& table) {
  std::vector<std::size_t> order(table.columns.size());
  std::iota(order.begin(), order.end(), 0);
  return order;
}

std::vector<std::size_t> descriptorsByName(const TableDefinition& table) {
  auto order = descriptorsByNumber(table);
  std::sort(order.begin(), order.end(), [&](auto a, auto b) {
    return compareNames(table.columns[a].name, table.columns[b].name) < 0;
  });
  return order;
}

}  // namespace engine::create
