#include "engine/database.h"

#include <algorithm>

#include "engine/crypto/jet_rc4_codec.h"
#include "engine/crypto/office_encryption.h"
#include "engine/error.h"
#include "engine/format/layout_header.h"
#include "engine/format/layout_tdef.h"
#include "engine/journal/journaled_file.h"
#include "engine/journal/rollback_journal.h"
#include "engine/journal/writer_lock.h"
#include "engine/pager/pager.h"
#include "engine/read/header_page.h"
#include "engine/read/table_definition_codec.h"
#include "engine/read/table_scan.h"
#include "engine/simple_case.h"
#include "engine/utf.h"

namespace engine {

namespace {

template <class T>
T valueOr(const Value& value, T fallback) {
  return value.is<T>() ? value.as<T>() : fallback;
}

}  // namespace

Database::Database(std::unique_ptr<File> file, bool writable)
    : file_(std::move(file)), writable_(writable) {}

const HeaderPage& Database::header() const { return *header_; }

std::unique_ptr<Database> Database::open(const std::string& path, const OpenOptions& options) {
  FileSystem& fs = options.fileSystem ? *options.fileSystem : diskFileSystem();
  // The journal and the lock file go by the real path, however the
  // database was named.
  const std::string realPath = fs.realPath(path);
  // An interrupted batch of changes is undone before anything is read.
  recoverJournal(fs, path, realPath, options.lockWait);
  std::unique_ptr<File> file = fs.open(path, options.writable);
  JournaledFile* journaled = nullptr;
  if (options.writable) {
    auto wrapper = std::make_unique<JournaledFile>(
        fs, std::move(file), realPath, std::min(layout::header::kLargestFile, fs.fileSizeLimit()));
    journaled = wrapper.get();
    file = std::move(wrapper);
  }
  std::unique_ptr<Database> db = open(std::move(file), options);
  db->fileSystem_ = &fs;
  db->realPath_ = realPath;
  db->lockWait_ = options.lockWait;
  db->batchBlocks_ = options.batchBlocks;
  db->journaled_ = journaled;
  return db;
}

std::unique_ptr<Database> Database::open(std::unique_ptr<File> file, const OpenOptions& options) {
  std::unique_ptr<Database> db(new Database(std::move(file), options.writable));
  db->beforeCommit_ = options.beforeCommit;
  db->load(options);
  return db;
}

void Database::load(const OpenOptions& options) {
  const std::string& path = file_->path();
  const std::uint64_t size = file_->size();
  if (size < layout::header::kPageSizeJet3) throw Error::unrecognizedFormat(path);
  std::vector<std::uint8_t> first(std::min<std::uint64_t>(size, layout::header::kPageSizeJet4));
  file_->read(0, first);
  header_ = std::make_unique<HeaderPage>(parseHeaderPage(first, path));
  format_ = header_->format;

  const std::uint32_t pageSize = format_.pageSize();
  if (size % pageSize != 0)
    throw Error::damaged(path, static_cast<std::uint32_t>(size / pageSize),
                         "the file length " + std::to_string(size) +
                             " is not a multiple of the page size " + std::to_string(pageSize) +
                             " (truncated file?)");
  if (size / pageSize <= layout::tdef::kCataloguePage)
    throw Error::damaged(path, static_cast<std::uint32_t>(size / pageSize),
                         "the file ends before the catalogue");

  // Jet 3 text is stored in the database code page; only 1252 is decoded.
  // Reading another as 1252 would show (and later write) wrong letters.
  if (format_.isJet3() && header_->codePage != layout::header::kCodePageWestern)
    throw Error::unsupported(path, "text in code page " + std::to_string(header_->codePage) +
                                       " (only code page 1252 is supported for Jet 3 files)");
  if (!passwordMatches(header_->password, options.password)) throw Error::notValidPassword();

  pager_ = std::make_unique<Pager>(*file_, pageSize, options.cachePages);
  if (header_->isJetEncoded()) {
    encryption_ = PageEncryption::JetRc4;
    pager_->setCodec(makeJetRc4Codec(header_->encodingKey));
  } else if (header_->isEncryptedAccdb()) {
    OfficeEncryption office =
        openOfficeEncryption(first, header_->encodingKey, options.password, path);
    encryption_ = office.scheme;
    pager_->setCodec(std::move(office.codec));
  }
  loadCatalogue();
}

void Database::loadCatalogue() {
  auto def = std::make_unique<TableDefinition>(
      readTableDefinition(*pager_, format_, layout::tdef::kCataloguePage, u"MSysObjects"));
  const int id = def->columnIndex(u"Id");
  const int parentId = def->columnIndex(u"ParentId");
  const int name = def->columnIndex(u"Name");
  const int type = def->columnIndex(u"Type");
  const int flags = def->columnIndex(u"Flags");
  const int foreignName = def->columnIndex(u"ForeignName");
  const int database = def->columnIndex(u"Database");
  const int connect = def->columnIndex(u"Connect");
  if (id < 0 || parentId < 0 || name < 0 || type < 0 || flags < 0)
    throw Error::damaged(path(), layout::tdef::kCataloguePage,
                         "the catalogue lacks one of the columns Id, ParentId, Name, Type, "
                         "Flags");

  PageScan scan(*pager_, format_, *def);
  Row row;
  while (scan.next(row)) {
    CatalogueEntry entry;
    entry.row = row.id;
    entry.storedAt = row.storedAt;
    entry.id = valueOr<std::int32_t>(row.values[id], 0);
    entry.parentId = valueOr<std::int32_t>(row.values[parentId], 0);
    entry.name = valueOr<engine::Text>(row.values[name], {});
    entry.type = valueOr<std::int16_t>(row.values[type], 0);
    entry.flags = valueOr<std::int32_t>(row.values[flags], 0);
    auto text = [&](int column, std::u16string& out, bool& has) {
      if (column >= 0 && row.values[column].isText()) {
        out = row.values[column].text();
        has = true;
      }
    };
    text(foreignName, entry.foreignName, entry.hasForeignName);
    text(database, entry.database, entry.hasDatabase);
    text(connect, entry.connect, entry.hasConnect);
    if (entry.type == object_type::kContainer && entry.parentId == kRootContainerId &&
        entry.name == u"Tables")
      tablesContainerId_ = entry.id;
    catalogue_.push_back(std::move(entry));
  }
  definitions_.emplace(layout::tdef::kCataloguePage, std::move(def));
}

std::vector<std::u16string> Database::userTableNames() const {
  std::vector<std::u16string> names;
  for (const auto& entry : catalogue_)
    if (entry.type == object_type::kLocalTable && !entry.isSystem()) names.push_back(entry.name);
  return names;
}

const CatalogueEntry* Database::findObject(std::u16string_view name) const {
  const CatalogueEntry* found = nullptr;
  for (const auto& entry : catalogue_) {
    bool tableLike = entry.type == object_type::kLocalTable || entry.isLinked() || entry.isQuery();
    if (!tableLike || !equalsIgnoringCase(entry.name, name)) continue;
    if (tablesContainerId_ != 0 && entry.parentId != tablesContainerId_) continue;
    if (!found || entry.name == name) found = &entry;  // exact spelling wins
  }
  return found;
}

const TableDefinition& Database::table(std::u16string_view name) {
  const CatalogueEntry* entry = findObject(name);
  if (!entry || entry->type != object_type::kLocalTable) throw Error::unknownTable(toUtf8(name));
  std::uint32_t page = entry->definitionPage();
  if (auto it = definitions_.find(page); it != definitions_.end()) return *it->second;
  auto def =
      std::make_unique<TableDefinition>(readTableDefinition(*pager_, format_, page, entry->name));
  loadProperties(*def, *entry);
  return *definitions_.emplace(page, std::move(def)).first->second;
}

void Database::loadProperties(TableDefinition& table, const CatalogueEntry& entry) {
  const TableDefinition& catalogue = *definitions_.at(layout::tdef::kCataloguePage);
  const int lvProp = catalogue.columnIndex(u"LvProp");
  if (lvProp < 0) return;
  auto row = readRow(catalogue, entry.row);
  if (!row || !row->values[lvProp].is<engine::Bytes>()) return;
  const auto& block = row->values[lvProp].as<engine::Bytes>();
  attachProperties(table,
                   parsePropertyBlock(BoundedBytes(block, entry.storedAt.page, path()), format_));
}

std::unique_ptr<TableScan> Database::scan(const TableDefinition& table, ColumnSelection selection) {
  return std::make_unique<PageScan>(*pager_, format_, table, std::move(selection));
}

std::optional<Row> Database::readRow(const TableDefinition& table, RowId id,
                                     const ColumnSelection& selection) {
  return PageScan::readRow(*pager_, format_, table, id, selection);
}

std::vector<std::int32_t> Database::queriesWithParameters() {
  std::vector<std::int32_t> ids;
  const CatalogueEntry* entry = findObject(u"MSysQueries");
  if (!entry || entry->type != object_type::kLocalTable) return ids;
  const TableDefinition& queries = table(entry->name);
  const int attribute = queries.columnIndex(u"Attribute");
  const int objectId = queries.columnIndex(u"ObjectId");
  if (attribute < 0 || objectId < 0) return ids;
  // Attribute 2 rows are a query's parameter declarations.
  constexpr std::uint8_t kParameterAttribute = 2;
  PageScan scan(*pager_, format_, queries);
  Row row;
  while (scan.next(row)) {
    if (valueOr<std::uint8_t>(row.values[attribute], 0) == kParameterAttribute &&
        row.values[objectId].is<std::int32_t>())
      ids.push_back(row.values[objectId].as<std::int32_t>());
  }
  return ids;
}

}  // namespace engine
