#include "engine/new_database.h"

#include <chrono>
#include <cmath>

#include "engine/create/page_file.h"
#include "engine/create/refusal.h"
#include "engine/create/system_tables.h"
#include "engine/create/table_layout.h"
#include "engine/create/table_writer.h"
#include "engine/create/usage_map.h"
#include "engine/crypto/jet_rc4_codec.h"
#include "engine/crypto/office_crypto.h"
#include "engine/crypto/office_encryption.h"
#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/format/layout_data_page.h"
#include "engine/format/layout_header.h"
#include "engine/format/layout_index.h"
#include "engine/format/layout_tdef.h"
#include "engine/format/layout_usage_map.h"
#include "engine/io/path.h"
#include "engine/jet_type.h"
#include "engine/read/header_page.h"
#include "engine/simple_case.h"
#include "engine/utf.h"
#include "engine/write/index_key.h"

namespace engine {

namespace dp = layout::data_page;
namespace h = layout::header;
namespace ix = layout::index;
namespace td = layout::tdef;
namespace um = layout::usage_map;

namespace {

using namespace engine::create;

double now() {
  using namespace std::chrono;
  const auto seconds =
      duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count() / 1000.0;
  constexpr double kUnixEpochDays = 25569.0;  // 1970-01-01 in days since 1899-12-30
  return kUnixEpochDays + seconds / 86400.0;
}

// Page 1: row 0 is the global map (bit set = page free; only pages past the
// end of the file are free in a new file), row 1 an empty map, as Access has it.
void writeGlobalMapPage(std::span<std::uint8_t> page, std::uint32_t pageCount) {
  page[0] = dp::kTypeData;
  page[1] = 0x01;
  putU32(page, dp::kOwner, um::kGlobalMapPage);
  putU16(page, dp::kRowCountJet4, 2);
  const auto row0 = static_cast<std::uint16_t>(h::kPageSizeJet4 - um::kMapRowSizeJet4);
  const auto row1 = static_cast<std::uint16_t>(row0 - um::kMapRowSizeJet4);
  putU16(page, dp::kHeaderSizeJet4, row0);
  putU16(page, dp::kHeaderSizeJet4 + 2, row1);
  putU16(page, dp::kFreeSpace, static_cast<std::uint16_t>(row1 - (dp::kHeaderSizeJet4 + 4)));
  page[row0] = um::kInline;
  putU32(page, row0 + 1u, 0);
  for (std::uint32_t p = pageCount; p < um::kInlineBitmapSizeJet4 * 8; ++p)
    page[row0 + 5u + p / 8] |= static_cast<std::uint8_t>(1u << (p % 8));
}

struct PlannedTable {
  const NewTable* description;
  TableDefinition layout;  // its page reserved
  std::vector<IndexSpec> indexes;
};

// A system table on a newly reserved page.
PlannedTable systemTable(PageFile& file, TableDefinition layout, std::vector<IndexSpec> indexes) {
  layout.page = file.allocate();
  return {nullptr, std::move(layout), std::move(indexes)};
}

std::vector<IndexSpec> indexSpecs(const NewTable& table, const TableDefinition& layout,
                                  bool legacyDecimalOrder) {
  std::vector<IndexSpec> specs;
  for (const auto& index : table.indexes) {
    IndexSpec spec{index.name,
                   {},
                   index.primary,
                   index.unique || index.primary,
                   userIndexFlags(index.primary, index.unique),
                   legacyDecimalOrder};
    checkObjectName(index.name, "index");
    for (const auto& other : specs)
      if (equalsIgnoringCase(other.name, index.name))
        throw Refusal("the table '" + toUtf8(table.name) + "' has two indexes named '" +
                      toUtf8(index.name) + "'");
    if (index.primary)
      for (const auto& other : specs)
        if (other.primary)
          throw Refusal("the table '" + toUtf8(table.name) + "' has two primary keys");
    if (index.columns.empty() || index.columns.size() > ix::kRealIndexColumnSlots)
      throw Refusal("the index '" + toUtf8(index.name) + "' must have 1 to 10 columns");
    for (const auto& name : index.columns) {
      auto position = layout.columnIndex(name);
      if (position < 0)
        throw Refusal("the index '" + toUtf8(index.name) + "' names the unknown column '" +
                      toUtf8(name) + "'");
      const auto type =
          static_cast<JetType>(layout.columns[static_cast<std::size_t>(position)].type);
      if (!indexableType(type) || type == JetType::Memo)
        throw Refusal("the index '" + toUtf8(index.name) + "' cannot cover the column '" +
                      toUtf8(name) + "': memo and OLE columns are not indexable");
      spec.columns.push_back(static_cast<std::size_t>(position));
    }
    specs.push_back(std::move(spec));
  }
  return specs;
}

// A random non-zero encoding key: zero would mean pages in clear.
std::array<std::uint8_t, 4> randomEncodingKey() {
  for (;;) {
    const Bytes key = office::randomBytes(4);
    if (key[0] | key[1] | key[2] | key[3]) return {key[0], key[1], key[2], key[3]};
  }
}

// Writes the database into `file` and returns the cipher of its pages, if any.
std::unique_ptr<PageCodec> build(PageFile& file, const NewDatabase& description) {
  const bool ace = description.format == NewDatabase::Format::Ace12;
  if (ace && description.password.size() > office::kMaxPasswordCharacters)
    throw Refusal("the password is longer than 255 characters");
  if (!ace && description.password.size() > h::kMaxPasswordCharacters)
    throw Refusal("the password is longer than 20 characters");
  if (ace && description.encoded)
    throw Refusal("only .mdb files are encoded; an .accdb is encrypted by giving it a password");
  const double created = description.creationDate.value_or(now());

  file.allocate();  // 0: header
  file.allocate();  // 1: global usage map
  file.allocate();  // 2: MSysObjects definition

  std::vector<PlannedTable> system;
  system.push_back(systemTable(file, accessControlLayout(), accessControlIndexes()));
  system.push_back(systemTable(file, queriesLayout(), queriesIndexes()));
  system.push_back(systemTable(file, relationshipsLayout(), relationshipsIndexes()));
  if (ace) system.push_back(systemTable(file, complexColumnsLayout(), complexColumnsIndexes()));

  std::vector<PlannedTable> user;
  for (const auto& table : description.tables) {
    auto layout = layoutUserTable(table);
    for (const auto& other : user)
      if (equalsIgnoringCase(other.layout.name, layout.name))
        throw Refusal("two tables are named '" + toUtf8(table.name) + "'");
    bool reserved = equalsIgnoringCase(layout.name, u"MSysObjects");
    for (const auto& other : system)
      reserved = reserved || equalsIgnoringCase(other.layout.name, layout.name);
    if (reserved) throw Refusal("the table name '" + toUtf8(table.name) + "' is reserved");
    auto indexes = indexSpecs(table, layout, !ace);
    layout.page = file.allocate();
    user.push_back({&table, std::move(layout), std::move(indexes)});
  }

  UsageMaps maps(file);
  for (const auto& table : user)
    writeTable(file, maps, table.layout, descriptorsByNumber(table.layout), table.description->rows,
               table.indexes);
  for (const auto& table : system)
    writeTable(file, maps, table.layout, descriptorsByName(table.layout), {}, {});

  auto entries = leadingCatalogEntries();
  entries.push_back({static_cast<std::int32_t>(td::kCataloguePage), kIdTables, u"MSysObjects",
                     object_type::kLocalTable, kFlagEngineSystem});
  for (const auto& table : system)
    entries.push_back({static_cast<std::int32_t>(table.layout.page), kIdTables, table.layout.name,
                       object_type::kLocalTable, kFlagEngineSystem});
  for (const auto& entry : trailingCatalogEntries()) entries.push_back(entry);
  for (const auto& table : user)
    entries.push_back({static_cast<std::int32_t>(table.layout.page), kIdTables, table.layout.name,
                       object_type::kLocalTable, 0});
  std::vector<std::vector<Value>> catalogRows;
  for (const auto& entry : entries) catalogRows.push_back(catalogRow(entry, created));
  TableDefinition catalog = catalogLayout();
  catalog.page = td::kCataloguePage;
  const auto catalogOrder = descriptorsByName(catalog);
  writeTable(file, maps, std::move(catalog), catalogOrder, catalogRows, catalogIndexes());

  std::array<std::uint8_t, 4> encodingKey{};
  Bytes provider;
  std::unique_ptr<PageCodec> codec;
  if (ace && !description.password.empty()) {
    encodingKey = randomEncodingKey();
    NewOfficeEncryption encryption = createAgileEncryption(encodingKey, description.password);
    provider = std::move(encryption.providerBlob);
    codec = std::move(encryption.codec);
  } else if (description.encoded) {
    encodingKey = randomEncodingKey();
    codec = makeJetRc4Codec(encodingKey);
  }
  writeHeaderPage(file.page(0), ace, ace ? u"" : description.password, created, encodingKey,
                  provider);
  writeGlobalMapPage(file.page(um::kGlobalMapPage), file.pageCount());
  return codec;
}

}  // namespace

void createDatabase(const std::filesystem::path& path, const NewDatabase& description) {
  PageFile file;
  std::unique_ptr<PageCodec> codec;
  try {
    codec = build(file, description);
  } catch (const Refusal& refusal) {
    throw Error::cannotCreate(utf8Of(path), refusal.what());
  }
  file.writeTo(diskFileSystem(), utf8Of(path), codec.get());
}

}  // namespace engine
