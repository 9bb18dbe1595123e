#include "engine/support/update_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "engine/error.h"
#include "engine/format/bounded_bytes.h"
#include "engine/format/index_page.h"
#include "engine/format/layout_data_page.h"
#include "engine/format/layout_index.h"
#include "engine/format/layout_long_value.h"
#include "engine/read/data_page.h"
#include "engine/read/index_reader.h"
#include "engine/read/long_value.h"
#include "engine/read/usage_map.h"
#include "engine/read/value_decoder.h"
#include "engine/text/text_key.h"
#include "engine/utf.h"
#include "engine/write/data_page_edit.h"
#include "engine/write/index_key.h"
#include "engine/write/page_allocation.h"
#include "engine/write/page_changes.h"
#include "engine/write/row_image.h"

namespace updatetest {

namespace {

class MemoryFile final : public engine::File {
 public:
  MemoryFile(MemoryFolder& folder, std::string path, bool writable)
      : folder_(folder), path_(std::move(path)), writable_(writable) {}
  const std::string& path() const override { return path_; }
  std::uint64_t size() const override { return folder_.contents(path_).current.size(); }
  void read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    auto& bytes = folder_.contents(path_).current;
    if (folder_.dead()) throw engine::Error(engine::ErrorKind::IoError, "the computer is off");
    if (offset + out.size() > bytes.size())
      throw engine::Error::damaged(path_, static_cast<std::uint32_t>(offset / 4096), "short file");
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
  }
  void write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    if (!writable_) throw engine::Error::readOnly();
    folder_.step("write", path_);
    auto& bytes = folder_.contents(path_).current;
    if (offset + data.size() > bytes.size()) bytes.resize(offset + data.size());
    std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    folder_.bytesWritten_ += data.size();
  }
  void sync() override {
    folder_.step("sync", path_);
    auto& c = folder_.contents(path_);
    c.synced = c.current;
  }
  void truncate(std::uint64_t size) override {
    folder_.step("truncate", path_);
    folder_.contents(path_).current.resize(size);
  }

 private:
  MemoryFolder& folder_;
  std::string path_;
  bool writable_;
};

class MemoryLock final : public engine::FileLock {
 public:
  MemoryLock(std::map<std::string, int>& locks, std::string path)
      : locks_(locks), path_(std::move(path)) {
    ++locks_[path_];
  }
  ~MemoryLock() override { --locks_[path_]; }

 private:
  std::map<std::string, int>& locks_;
  std::string path_;
};

}  // namespace

void MemoryFolder::put(const std::string& name, std::vector<std::uint8_t> bytes) {
  files_[name] = Contents{bytes, bytes};
}

std::vector<std::uint8_t> MemoryFolder::durable(const std::string& name) const {
  return files_.at(name).synced;
}

void MemoryFolder::reboot() {
  for (auto& [name, c] : files_) c.current = c.synced;
  faults_.clear();
  dead_ = false;
  locks_.clear();
}

void MemoryFolder::step(const char* what, const std::string& path) {
  if (dead_) throw engine::Error(engine::ErrorKind::IoError, "the computer is off");
  log_.push_back(std::string(what) + " " + path);
  auto fault = faults_.find(++steps_);
  if (fault == faults_.end()) return;
  if (fault->second == Fault::Die) {
    dead_ = true;
    for (auto& [name, c] : files_) c.current = c.synced;
  } else if (fault->second == Fault::Kill) {
    dead_ = true;
    for (auto& [name, c] : files_) c.synced = c.current;  // the system keeps what it was given
  }
  throw engine::Error(engine::ErrorKind::IoError,
                      "injected fault at step " + std::to_string(steps_) + " (" + path + ")");
}

std::unique_ptr<engine::File> MemoryFolder::open(const std::string& path, bool writable) {
  if (!files_.count(path)) throw engine::Error::couldNotFindFile(path);
  if (writable && readOnlyFiles_.count(path)) throw engine::Error::readOnly();
  return std::make_unique<MemoryFile>(*this, path, writable);
}

std::unique_ptr<engine::File> MemoryFolder::create(const std::string& path,
                                                   const std::string& like) {
  if (dead_) throw engine::Error(engine::ErrorKind::IoError, "the computer is off");
  if (readOnlyFolder_) throw engine::Error::readOnly();
  if (!like.empty() && !files_.count(like)) throw engine::Error::couldNotFindFile(like);
  if (files_.count(path))
    throw engine::Error::ioError(path, "creating", "a file of that name is already there");
  step("create", path);
  files_[path] = Contents{};
  return std::make_unique<MemoryFile>(*this, path, true);
}

void MemoryFolder::remove(const std::string& path) {
  if (!files_.count(path)) return;
  if (readOnlyFolder_) throw engine::Error::readOnly();
  step("remove", path);
  files_.erase(path);
}

void MemoryFolder::replace(const std::string& from, const std::string& to) {
  step("replace", to);
  auto moved = files_.extract(from);
  if (moved.empty()) throw engine::Error::ioError(to, "replacing", "no such file");
  files_.erase(to);
  moved.key() = to;
  files_.insert(std::move(moved));
}

std::string MemoryFolder::realPath(const std::string& path) {
  if (!files_.count(path)) throw engine::Error::couldNotFindFile(path);
  return path;
}

std::unique_ptr<engine::FileLock> MemoryFolder::tryLock(const std::string& path) {
  if (locks_[path] > 0) return nullptr;
  return std::make_unique<MemoryLock>(locks_, path);
}

engine::JournalContents journalBetween(const std::vector<std::uint8_t>& before,
                                       const std::vector<std::uint8_t>& after,
                                       const std::string& name) {
  constexpr std::uint32_t kBlock = 2048;
  engine::JournalContents journal;
  journal.databaseName = name;
  journal.blockSize = kBlock;
  journal.pageSize = before.at(0x14) == 0 ? 2048 : 4096;
  journal.originalSize = before.size();
  journal.newSize = after.size();
  journal.nonce = 0x5eed5eed5eed5eedull;
  journal.firstBlockChecksum = engine::journalChecksum(std::span(before).first(kBlock));
  for (std::size_t offset = 0; offset < before.size(); offset += kBlock) {
    const auto old = std::span(before).subspan(offset, kBlock);
    const auto now = std::span(after).subspan(offset, kBlock);
    if (std::equal(old.begin(), old.end(), now.begin())) continue;
    engine::JournalBlock block{{old.begin(), old.end()}, {}};
    for (std::size_t at = 0; at < kBlock; at += engine::kJournalSectorSize)
      block.newSectors.push_back(
          engine::journalChecksum(now.subspan(at, engine::kJournalSectorSize)));
    journal.blocks.emplace(offset, std::move(block));
  }
  return journal;
}

namespace {

namespace dp = engine::layout::data_page;

using Place = std::pair<std::uint32_t, std::uint8_t>;

std::string placeName(const Place& place) {
  return std::to_string(place.first) + "/" + std::to_string(place.second);
}

// The overflow marks of a table's rows as Access sets them: a header row
// with the lookup bit alone points to a row with the deleted bit alone on a
// page of the same table, and every row with the deleted bit alone is the
// target of exactly one header. (Other readers list every row that lacks
// the lookup bit, so a stray deleted-only row shows as an extra record.)
void checkOverflowMarks(engine::PageChanges& view, const std::string& table8,
                        const engine::TableDefinition& table,
                        const std::vector<std::uint32_t>& pages,
                        std::vector<std::string>& problems) {
  const engine::Format& format = view.format();
  auto flagsAt = [&](const Place& place) -> std::optional<std::uint16_t> {
    if (place.first >= view.pageCount()) return std::nullopt;
    auto bytes = view.read(place.first);
    if (bytes[0] != dp::kTypeData || engine::readU32(bytes, dp::kOwner) != table.page)
      return std::nullopt;
    auto slot = engine::page_edit::slot(bytes, format, place.second);
    if (!slot) return std::nullopt;
    return slot->raw & dp::kSlotRemoved;
  };
  std::map<Place, std::size_t> pointedTo;
  std::set<Place> targets;
  for (std::uint32_t page : pages) {
    auto bytes = view.read(page);
    const std::size_t count = engine::page_edit::slotCount(bytes, format);
    for (std::size_t i = 0; i < count; ++i) {
      auto slot = engine::page_edit::slot(bytes, format, i);
      if (!slot) break;  // reported with the free space
      const Place here{page, static_cast<std::uint8_t>(i)};
      const std::uint16_t flags = slot->raw & dp::kSlotRemoved;
      if (flags == dp::kSlotDeleted) targets.insert(here);
      if (flags != dp::kSlotLookup) continue;
      if (slot->length() < 4) {
        problems.push_back(table8 + ": record " + placeName(here) + " is too short for a pointer");
        continue;
      }
      const auto target = engine::RowPointer::fromRaw(engine::readU32(bytes, slot->start));
      const Place there{target.page, target.row};
      ++pointedTo[there];
      if (flagsAt(there) != dp::kSlotDeleted)
        problems.push_back(table8 + ": record " + placeName(here) + " points to " +
                           placeName(there) + ", which is not a live overflow row of the table");
    }
  }
  for (const auto& [there, count] : pointedTo)
    if (count > 1)
      problems.push_back(table8 + ": " + std::to_string(count) + " records point to " +
                         placeName(there));
  for (const Place& target : targets)
    if (!pointedTo.count(target))
      problems.push_back(table8 + ": row " + placeName(target) +
                         " has the deleted bit alone but no record points to it");
}

}  // namespace

std::vector<std::string> consistencyProblems(engine::Database& db) {
  std::vector<std::string> problems;
  engine::Pager& pager = db.pager();
  const engine::Format& format = db.format();
  engine::PageChanges view(pager, format);
  std::set<std::uint32_t> owned;
  for (const std::u16string& name : db.userTableNames()) {
    const std::string table8 = engine::toUtf8(name);
    try {
      const engine::TableDefinition& table = db.table(name);
      auto scan = db.scan(table);
      engine::Row row;
      while (scan->next(row)) {
      }
      std::vector<std::uint32_t> tablePages;
      for (std::uint32_t page : engine::readUsageMap(pager, format, table.ownedPagesMap)) {
        auto bytes = view.read(page);
        if (bytes[0] != dp::kTypeData || engine::readU32(bytes, dp::kOwner) != table.page)
          continue;  // Access leaves freed pages in maps; scans skip them too
        owned.insert(page);
        tablePages.push_back(page);
        auto free = engine::page_edit::freeSpace(bytes, format);
        if (!free)
          problems.push_back(table8 + ": page " + std::to_string(page) + " has bad slots");
        else if (*free != engine::readU16(bytes, dp::kFreeSpace))
          problems.push_back(table8 + ": page " + std::to_string(page) + " says " +
                             std::to_string(engine::readU16(bytes, dp::kFreeSpace)) +
                             " bytes free, has " + std::to_string(*free));
      }
      for (const auto& maps : table.longValueMaps)
        for (std::uint32_t page : engine::readUsageMap(pager, format, maps.ownedPages)) {
          auto bytes = view.read(page);
          if (bytes[0] != dp::kTypeData) continue;
          owned.insert(page);
          auto free = engine::page_edit::freeSpace(bytes, format);
          if (!free || *free != engine::readU16(bytes, dp::kFreeSpace))
            problems.push_back(table8 + ": LVAL page " + std::to_string(page) +
                               " has a wrong free-space count");
        }
      checkOverflowMarks(view, table8, table, tablePages, problems);
    } catch (const engine::Error& e) {
      problems.push_back(table8 + ": " + e.description());
    }
  }
  for (std::uint32_t page : owned)
    if (engine::usageBit(view, engine::kGlobalUsageMap, page))
      problems.push_back("page " + std::to_string(page) + " is in use but marked free");
  if (db.file().size() % pager.pageSize() != 0) problems.push_back("file length not whole pages");
  return problems;
}

namespace {

void collectIndexEntries(engine::Database& db, std::uint32_t page, std::set<std::uint32_t>& seen,
                         std::set<std::pair<std::uint32_t, std::uint8_t>>& rows) {
  namespace ix = engine::layout::index;
  if (page == 0 || page >= db.pager().pageCount() || !seen.insert(page).second) return;
  const bool jet3 = db.format().isJet3();
  engine::PageRef ref = db.pager().page(page);
  const auto& bytes = *ref;
  const std::uint8_t type = bytes[0];
  if (type != 0x03 && type != 0x04) return;
  const std::size_t maskAt = jet3 ? ix::kEntryMaskJet3 : ix::kEntryMaskJet4;
  const std::size_t entriesAt = jet3 ? ix::kEntriesJet3 : ix::kEntriesJet4;
  const std::size_t prefix =
      engine::readU16(bytes, jet3 ? ix::kPrefixLengthJet3 : ix::kPrefixLengthJet4);
  std::vector<std::uint8_t> first;
  std::size_t start = entriesAt;
  std::set<std::uint32_t> children;
  for (std::size_t bit = 0; maskAt + bit / 8 < entriesAt && entriesAt + bit <= bytes.size();
       ++bit) {
    if (!((bytes[maskAt + bit / 8] >> (bit % 8)) & 1)) continue;
    const std::size_t end = entriesAt + bit;
    std::vector<std::uint8_t> entry;
    if (!first.empty())
      entry.assign(first.begin(),
                   first.begin() + static_cast<std::ptrdiff_t>(std::min(prefix, first.size())));
    entry.insert(entry.end(), bytes.begin() + static_cast<std::ptrdiff_t>(start),
                 bytes.begin() + static_cast<std::ptrdiff_t>(end));
    if (first.empty()) first = entry;
    start = end;
    if (type == 0x04 && entry.size() >= 4) {
      const std::size_t n = entry.size();
      rows.insert(
          {(std::uint32_t{entry[n - 4]} << 16) | (entry[n - 3] << 8) | entry[n - 2], entry[n - 1]});
    } else if (type == 0x03 && entry.size() >= 4) {
      const std::size_t n = entry.size();
      const std::uint32_t child = (std::uint32_t{entry[n - 4]} << 24) | (entry[n - 3] << 16) |
                                  (entry[n - 2] << 8) | entry[n - 1];
      children.insert(child);
      collectIndexEntries(db, child, seen, rows);
    }
  }
  if (type == 0x03) {
    const std::uint32_t tail = engine::readU32(bytes, jet3 ? ix::kTailPageJet3 : ix::kTailPageJet4);
    if (!children.count(tail)) collectIndexEntries(db, tail, seen, rows);
  }
}

}  // namespace

std::vector<std::string> missingIndexEntries(engine::Database& db,
                                             const engine::TableDefinition& table) {
  std::vector<std::string> missing;
  for (std::size_t r = 0; r < table.realIndexes.size(); ++r) {
    const engine::RealIndex& index = table.realIndexes[r];
    std::set<std::uint32_t> seen;
    std::set<std::pair<std::uint32_t, std::uint8_t>> rows;
    collectIndexEntries(db, index.rootPage, seen, rows);
    auto scan = db.scan(table);
    engine::Row row;
    while (scan->next(row)) {
      bool allNull = true;
      for (const auto& column : index.columns)
        if (column.columnPosition >= 0 &&
            !row.values[static_cast<std::size_t>(column.columnPosition)].isNull())
          allNull = false;
      if (index.ignoresNulls() && allNull) continue;
      if (!rows.count({row.id.page, row.id.slot}))
        missing.push_back("index " + std::to_string(r) + ": " + std::to_string(row.id.page) + "/" +
                          std::to_string(row.id.slot));
    }
  }
  return missing;
}

namespace {

template <class T>
engine::Bytes littleEndian(T value) {
  engine::Bytes bytes(sizeof(T));
  std::memcpy(bytes.data(), &value, sizeof(T));
  return bytes;
}

// A decimal as the row holds it: the sign byte, then four 32-bit
// little-endian words of the magnitude, most significant first.
engine::Bytes decimalBytes(const engine::Decimal& d) {
  engine::Bytes bytes{static_cast<std::uint8_t>(d.negative ? 0x80 : 0x00)};
  const std::uint32_t words[] = {0, d.high, static_cast<std::uint32_t>(d.low >> 32),
                                 static_cast<std::uint32_t>(d.low)};
  for (auto w : words) {
    auto le = littleEndian(w);
    bytes.insert(bytes.end(), le.begin(), le.end());
  }
  return bytes;
}

// The stored bytes of a non-text value, as the row holds them.
std::optional<engine::Bytes> storedBytes(const engine::Value& v) {
  if (v.is<engine::Guid>()) {
    const auto& g = v.as<engine::Guid>().bytes;
    return engine::Bytes(g.begin(), g.end());
  }
  if (v.is<engine::Bytes>()) return v.as<engine::Bytes>();
  if (v.is<engine::Decimal>()) return decimalBytes(v.as<engine::Decimal>());
  if (v.is<engine::DateTimeExtended>())
    return engine::encodeDateTimeExtended(v.as<engine::DateTimeExtended>());
  if (v.is<std::uint8_t>()) return littleEndian(v.as<std::uint8_t>());
  if (v.is<std::int16_t>()) return littleEndian(v.as<std::int16_t>());
  if (v.is<std::int32_t>()) return littleEndian(v.as<std::int32_t>());
  if (v.is<std::int64_t>()) return littleEndian(v.as<std::int64_t>());
  if (v.is<float>()) return littleEndian(v.as<float>());
  if (v.is<double>()) return littleEndian(v.as<double>());
  if (v.is<engine::Currency>()) return littleEndian(v.as<engine::Currency>().tenThousandths);
  if (v.is<engine::DateTime>()) return littleEndian(v.as<engine::DateTime>().days);
  return std::nullopt;
}

}  // namespace

std::optional<engine::Bytes> computedKey(const engine::Format& format,
                                         const engine::TableDefinition& table,
                                         const engine::RealIndex& index,
                                         const std::vector<engine::Value>& values) {
  engine::Bytes key;
  for (const auto& indexColumn : index.columns) {
    if (indexColumn.columnPosition < 0) return std::nullopt;
    const auto& column = table.columns[static_cast<std::size_t>(indexColumn.columnPosition)];
    const engine::Value& v = values[static_cast<std::size_t>(indexColumn.columnPosition)];
    const auto type = static_cast<engine::JetType>(column.type);
    engine::KeyColumn keyColumn{
        type, indexColumn.ascending,
        engine::textSortOrder(format.isJet3(), column.sortOrder, column.sortVersion),
        !format.isAce()};
    bool present = !v.isNull();
    engine::Bytes fixed;
    std::u16string_view text;
    if (type == engine::JetType::Boolean) {
      present = v.is<bool>() && v.as<bool>();
    } else if (v.isText()) {
      text = v.text();
    } else if (present) {
      auto bytes = storedBytes(v);
      if (!bytes) return std::nullopt;
      fixed = std::move(*bytes);
    }
    if (!engine::appendColumnKey(key, keyColumn, present, fixed, text)) return std::nullopt;
  }
  return key;
}

IndexCheck checkIndexKeys(engine::Database& db, const engine::TableDefinition& table,
                          bool countsExact) {
  IndexCheck check;
  auto problem = [&](std::size_t r, const std::string& what) {
    check.problems.push_back(engine::toUtf8(table.name) + " index " + std::to_string(r) + ": " +
                             what);
  };
  std::map<std::pair<std::uint32_t, int>, std::vector<engine::Value>> rows;
  {
    auto scan = db.scan(table);
    engine::Row row;
    while (scan->next(row)) rows[{row.id.page, row.id.slot}] = row.values;
  }
  for (std::size_t r = 0; r < table.realIndexes.size(); ++r) {
    const engine::RealIndex& index = table.realIndexes[r];
    std::vector<engine::IndexEntry> entries;
    try {
      entries = engine::readIndexEntries(db.pager(), db.format(), table, index);
    } catch (const engine::Error& e) {
      problem(r, e.description());
      continue;
    }
    check.entries += entries.size();
    // Key order, whole entries (key, then row) strictly ascending.
    for (std::size_t i = 1; i < entries.size(); ++i) {
      auto whole = [](const engine::IndexEntry& e) {
        return engine::leafEntry(e.key, e.row.page, e.row.slot);
      };
      if (!(whole(entries[i - 1]) < whole(entries[i])))
        problem(r, "entries " + std::to_string(i - 1) + " and " + std::to_string(i) +
                       " are out of key order");
    }
    // The leaves in walk order are the chain of next links, mirrored by the previous links.
    std::vector<std::uint32_t> leaves;
    for (const auto& e : entries)
      if (leaves.empty() || leaves.back() != e.leafPage) leaves.push_back(e.leafPage);
    const auto mapped = engine::readUsageMap(db.pager(), db.format(), index.usageMap);
    const std::set<std::uint32_t> indexPages(mapped.begin(), mapped.end());
    for (std::size_t i = 0; i < leaves.size(); ++i) {
      engine::PageRef ref = db.pager().page(leaves[i]);
      std::string why;
      auto page = engine::decodeIndexPage(*ref, db.format(), why);
      if (!page) continue;
      const std::uint32_t previous = i == 0 ? page->previous : leaves[i - 1];
      const std::uint32_t next = i + 1 == leaves.size() ? page->next : leaves[i + 1];
      if (page->previous != previous || page->next != next)
        problem(r, "leaf " + std::to_string(leaves[i]) + " is linked out of order");
      if (!indexPages.count(leaves[i]))
        problem(r, "leaf " + std::to_string(leaves[i]) + " is not in the index's page map");
    }
    if (!leaves.empty()) {
      engine::PageRef first = db.pager().page(leaves.front());
      engine::PageRef last = db.pager().page(leaves.back());
      std::string why;
      auto a = engine::decodeIndexPage(*first, db.format(), why);
      auto b = engine::decodeIndexPage(*last, db.format(), why);
      if (a && a->previous != 0) problem(r, "the first leaf has a previous page");
      if (b && b->next != 0) problem(r, "the last leaf has a next page");
    }
    // Every entry's key is the key of its row; every row is found once.
    std::set<std::pair<std::uint32_t, int>> found;
    std::set<engine::Bytes> distinct;
    for (const auto& e : entries) {
      distinct.insert(e.key);
      auto row = rows.find({e.row.page, e.row.slot});
      if (row == rows.end()) {
        problem(r, "an entry points to no record");
        continue;
      }
      if (!found.insert(row->first).second) problem(r, "a record has two entries");
      auto key = computedKey(db.format(), table, index, row->second);
      if (!key) continue;
      ++check.compared;
      if (*key != e.key) {
        std::string shown;
        for (const auto& c : index.columns)
          if (c.columnPosition >= 0 &&
              row->second[static_cast<std::size_t>(c.columnPosition)].isText())
            shown +=
                " '" +
                engine::toUtf8(row->second[static_cast<std::size_t>(c.columnPosition)].text()) +
                "'";
        problem(r, "stored key differs from the computed key of" + shown);
      }
    }
    for (const auto& [id, values] : rows) {
      if (found.count(id)) continue;
      bool allNull = true;
      for (const auto& c : index.columns)
        if (c.columnPosition >= 0 && !values[static_cast<std::size_t>(c.columnPosition)].isNull())
          allNull = false;
      if (!(index.ignoresNulls() && allNull)) problem(r, "a record has no entry");
    }
    if (countsExact && index.distinctCount != distinct.size())
      problem(r, "counts " + std::to_string(index.distinctCount) + " distinct keys, holds " +
                     std::to_string(distinct.size()));
  }
  return check;
}

namespace {

// Calls `visit(record, column, row)` for each long-value row that a memo or
// OLE value of `table` leads to (`column` in table order).
template <typename Visit>
void forEachLongValueRow(engine::Database& db, const engine::TableDefinition& table, Visit visit) {
  namespace lv = engine::layout::long_value;
  engine::PageChanges view(db.pager(), db.format());
  auto scan = db.scan(table);
  engine::Row row;
  while (scan->next(row)) {
    auto page = view.read(row.storedAt.page);
    auto slot = engine::page_edit::slot(page, db.format(), row.storedAt.slot);
    if (!slot) throw std::runtime_error("a record's slot is inconsistent");
    std::string why;
    auto image =
        engine::RowImage::parse(page.subspan(slot->start, slot->length()), db.format(), table, why);
    if (!image) throw std::runtime_error(why);
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
      const engine::ColumnDefinition& column = table.columns[c];
      if (!column.isLongValue()) continue;
      auto field = image->variableValue(column.variableIndex);
      if (field.size() < lv::kReferenceSize) continue;
      auto ref = engine::LongValueReference::parse(
          engine::BoundedBytes(field, row.storedAt.page, db.path()));
      if (ref.form == engine::LongValueForm::Inline) continue;
      engine::RowPointer at = ref.first;
      std::size_t remaining = ref.length;
      for (;;) {
        visit(row.id, c, RowPlace{at.page, at.row});
        if (ref.form == engine::LongValueForm::SingleRow) break;
        auto bytes = view.read(at.page);
        auto link = engine::page_edit::slot(bytes, db.format(), at.row);
        if (!link || link->length() < lv::kChainLinkSize)
          throw std::runtime_error("a long-value chain is broken");
        const std::size_t chunk = link->length() - lv::kChainLinkSize;
        const std::uint32_t next = engine::readU32(bytes, link->start);
        if (chunk >= remaining || next == 0) break;
        remaining -= chunk;
        at = engine::RowPointer::fromRaw(next);
      }
    }
  }
}

}  // namespace

std::vector<engine::RowId> rowIds(engine::Database& db, const engine::TableDefinition& table) {
  std::vector<engine::RowId> ids;
  auto scan = db.scan(table);
  engine::Row row;
  while (scan->next(row)) ids.push_back(row.id);
  return ids;
}

std::set<RowPlace> longValueRows(engine::Database& db, const engine::TableDefinition& table) {
  std::set<RowPlace> rows;
  forEachLongValueRow(db, table, [&](engine::RowId, std::size_t, const RowPlace& place) {
    if (!rows.insert(place).second) throw std::runtime_error("two long values share a row");
  });
  return rows;
}

std::set<std::pair<RowPlace, std::size_t>> chainsAfterRemovedRows(
    engine::Database& db, const engine::TableDefinition& table) {
  std::set<std::pair<RowPlace, std::size_t>> values;
  std::map<std::pair<RowPlace, std::size_t>, std::size_t> rowsOf;
  std::set<std::pair<RowPlace, std::size_t>> follow;
  forEachLongValueRow(db, table, [&](engine::RowId record, std::size_t column, const RowPlace& at) {
    const std::pair<RowPlace, std::size_t> value{{record.page, record.slot}, column};
    ++rowsOf[value];
    if (at.second > 0 && slotFlags(db, {at.first, static_cast<std::uint8_t>(at.second - 1)}) != 0)
      follow.insert(value);
  });
  for (const auto& value : follow)
    if (rowsOf[value] > 1) values.insert(value);  // a single row is read by its declared length
  return values;
}

std::vector<engine::RowId> recordsInPageOrder(engine::Database& db,
                                              const engine::TableDefinition& table) {
  engine::PageChanges view(db.pager(), db.format());
  std::map<RowPlace, engine::RowId> moved;  // overflow row -> its record
  {
    auto scan = db.scan(table);
    engine::Row row;
    while (scan->next(row))
      if (row.storedAt != row.id) moved[{row.storedAt.page, row.storedAt.slot}] = row.id;
  }
  std::vector<engine::RowId> order;
  for (std::uint32_t page : engine::readUsageMap(db.pager(), db.format(), table.ownedPagesMap)) {
    auto bytes = view.read(page);
    if (bytes[0] != dp::kTypeData || engine::readU32(bytes, dp::kOwner) != table.page) continue;
    for (std::size_t i = 0; i < engine::page_edit::slotCount(bytes, db.format()); ++i) {
      auto slot = engine::page_edit::slot(bytes, db.format(), i);
      if (!slot || (slot->raw & dp::kSlotLookup)) continue;
      const engine::RowId here{page, static_cast<std::uint8_t>(i)};
      if (!(slot->raw & dp::kSlotDeleted))
        order.push_back(here);
      else if (auto it = moved.find({here.page, here.slot}); it != moved.end())
        order.push_back(it->second);
    }
  }
  return order;
}

std::size_t storedColumnCount(engine::Database& db, const engine::TableDefinition& table,
                              engine::RowId id) {
  engine::PageChanges view(db.pager(), db.format());
  const engine::RowId stored = db.readRow(table, id)->storedAt;
  auto page = view.read(stored.page);
  auto slot = engine::page_edit::slot(page, db.format(), stored.slot);
  if (!slot) throw std::runtime_error("a record's slot is inconsistent");
  std::string why;
  auto image =
      engine::RowImage::parse(page.subspan(slot->start, slot->length()), db.format(), table, why);
  if (!image) throw std::runtime_error(why);
  return image->columnCount();
}

std::uint16_t slotFlags(engine::Database& db, const RowPlace& place) {
  engine::PageChanges view(db.pager(), db.format());
  auto slot = engine::page_edit::slot(view.read(place.first), db.format(), place.second);
  if (!slot) throw std::runtime_error("no slot " + placeName(place));
  return slot->raw & dp::kSlotRemoved;
}

std::size_t rowLength(engine::Database& db, const RowPlace& place) {
  engine::PageChanges view(db.pager(), db.format());
  auto slot = engine::page_edit::slot(view.read(place.first), db.format(), place.second);
  if (!slot) throw std::runtime_error("no slot " + placeName(place));
  return slot->length();
}

std::size_t removedRowBytes(engine::Database& db, const engine::TableDefinition& table) {
  engine::PageChanges view(db.pager(), db.format());
  std::size_t bytes = 0;
  auto count = [&](std::uint32_t ownedMap, std::uint32_t owner) {
    for (std::uint32_t page : engine::readUsageMap(db.pager(), db.format(), ownedMap)) {
      auto data = view.read(page);
      if (data[0] != dp::kTypeData || engine::readU32(data, dp::kOwner) != owner) continue;
      for (std::size_t i = 0; i < engine::page_edit::slotCount(data, db.format()); ++i) {
        auto slot = engine::page_edit::slot(data, db.format(), i);
        if (slot && (slot->raw & dp::kSlotRemoved) == dp::kSlotRemoved) bytes += slot->length();
      }
    }
  };
  count(table.ownedPagesMap, table.page);
  for (const auto& maps : table.longValueMaps)
    count(maps.ownedPages, engine::layout::long_value::kPageOwner);
  return bytes;
}

std::set<std::uint32_t> freeMapMismatches(engine::Database& db,
                                          const engine::TableDefinition& table) {
  engine::PageChanges view(db.pager(), db.format());
  std::set<std::uint32_t> mismatches;
  auto check = [&](std::uint32_t ownedMap, std::uint32_t freeMap, std::uint32_t owner) {
    for (std::uint32_t page : engine::readUsageMap(db.pager(), db.format(), ownedMap)) {
      auto bytes = view.read(page);
      if (bytes[0] != dp::kTypeData || engine::readU32(bytes, dp::kOwner) != owner) continue;
      if (engine::page_edit::offersRoom(bytes, db.format()) !=
          engine::usageBit(view, freeMap, page))
        mismatches.insert(page);
    }
  };
  check(table.ownedPagesMap, table.freePagesMap, table.page);
  for (const auto& maps : table.longValueMaps)
    check(maps.ownedPages, maps.freePages, engine::layout::long_value::kPageOwner);
  return mismatches;
}

}  // namespace updatetest
