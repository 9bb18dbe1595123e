#include "engine/create/table_layout.h"

#include <algorithm>
#include <numeric>

#include "engine/create/refusal.h"
#include "engine/format/jet_type.h"
#include "engine/format/layout_tdef.h"
#include "engine/format/layout_text.h"
#include "engine/text/utf.h"

namespace engine::create {

namespace td = layout::tdef;

namespace {

char16_t foldAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

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
  }
  throw Refusal("unknown column type");
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

namespace {

// Assigns fixed offsets and variable indexes in column-number order.
void placeColumns(TableLayout& layout) {
  std::uint16_t fixedOffset = 0;
  std::uint16_t variableIndex = 0;
  for (auto& column : layout.columns) {
    if (column.fixed()) {
      column.fixedOffset = fixedOffset;
      fixedOffset = static_cast<std::uint16_t>(fixedOffset + fixedSizeOf(column.type));
    } else {
      column.variableIndex = variableIndex++;
    }
  }
  layout.fixedAreaSize = fixedOffset;
  layout.variableColumns = variableIndex;
}

}  // namespace

bool sameName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return foldAscii(x) == foldAscii(y); });
}

bool ColumnLayout::fixed() const { return flags & td::kColumnFixed; }
bool ColumnLayout::longValue() const { return type == JetType::Memo || type == JetType::Ole; }
bool ColumnLayout::text() const { return type == JetType::Text || type == JetType::Memo; }
bool ColumnLayout::compressedUnicode() const {
  return extendedFlags & td::kColumnCompressedUnicode;
}

int TableLayout::find(std::u16string_view wanted) const {
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (sameName(columns[i].name, wanted)) return static_cast<int>(i);
  return -1;
}

bool isFixedType(JetType type) {
  return type != JetType::Text && type != JetType::Memo && type != JetType::Ole &&
         type != JetType::Binary;
}

TableLayout layoutUserTable(const NewTable& table) {
  checkObjectName(table.name, "table");
  if (table.columns.empty()) throw Refusal("the table '" + toUtf8(table.name) + "' has no columns");
  if (table.columns.size() > 255)
    throw Refusal("the table '" + toUtf8(table.name) + "' has more than 255 columns");
  TableLayout layout;
  layout.name = table.name;
  for (const auto& column : table.columns) {
    checkObjectName(column.name, "column");
    if (layout.find(column.name) >= 0)
      throw Refusal("the table '" + toUtf8(table.name) + "' has two columns named '" +
                    toUtf8(column.name) + "'");
    ColumnLayout c;
    c.name = column.name;
    c.type = typeCode(column.type);
    c.number = static_cast<std::uint16_t>(layout.columns.size());
    c.flags = td::kColumnUpdatable | (isFixedType(c.type) ? td::kColumnFixed : 0);
    if (c.type == JetType::Text) {
      if (column.maxLength < 1 ||
          column.maxLength > static_cast<int>(layout::text::kMaxTextCharacters))
        throw Refusal("the text column '" + toUtf8(column.name) +
                      "' must hold 1 to 255 characters");
      c.length = static_cast<std::uint16_t>(2 * column.maxLength);
    } else if (c.type == JetType::Boolean) {
      c.length = 1;
    } else {
      c.length = static_cast<std::uint16_t>(fixedSizeOf(c.type));
    }
    if (c.text() && column.unicodeCompression) c.extendedFlags = td::kColumnCompressedUnicode;
    layout.columns.push_back(std::move(c));
  }
  placeColumns(layout);
  layout.descriptorOrder.resize(layout.columns.size());
  std::iota(layout.descriptorOrder.begin(), layout.descriptorOrder.end(), 0);
  return layout;
}

TableLayout layoutSystemTable(std::u16string name, const std::vector<SystemColumn>& columns) {
  TableLayout layout;
  layout.name = std::move(name);
  layout.system = true;
  for (const auto& column : columns) {
    ColumnLayout c;
    c.name = column.name;
    c.type = column.type;
    c.number = static_cast<std::uint16_t>(layout.columns.size());
    c.length = column.length;
    c.flags = column.flags;
    layout.columns.push_back(std::move(c));
  }
  placeColumns(layout);
  layout.descriptorOrder.resize(layout.columns.size());
  std::iota(layout.descriptorOrder.begin(), layout.descriptorOrder.end(), 0);
  std::sort(layout.descriptorOrder.begin(), layout.descriptorOrder.end(), [&](auto a, auto b) {
    const auto& x = layout.columns[a].name;
    const auto& y = layout.columns[b].name;
    return std::lexicographical_compare(
        x.begin(), x.end(), y.begin(), y.end(),
        [](char16_t p, char16_t q) { return foldAscii(p) < foldAscii(q); });
  });
  return layout;
}

}  // namespace engine::create
