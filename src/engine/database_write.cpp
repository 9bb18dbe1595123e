// The writing half of engine::Database: one text or memo value at a time,
// batched into atomic commits through the rollback journal.

#include <cmath>

#include "engine/database.h"
#include "engine/error.h"
#include "engine/journal/journaled_file.h"
#include "engine/journal/writer_lock.h"
#include "engine/read/header_page.h"
#include "engine/utf.h"
#include "engine/write/page_changes.h"
#include "engine/write/text_update.h"

namespace engine {
namespace {

// A transaction is committed when it is this old, or when its journal holds
// this many batches' worth of blocks (256 MB by default: the journal's room
// on the disk stays bounded); its batch spills into the file when it holds
// OpenOptions::batchBlocks.
constexpr auto kTransactionAge = std::chrono::seconds(1);
constexpr std::size_t kTransactionBatches = 16;

bool sameValue(const Value& a, const Value& b) {
  if (a == b) return true;
  if (a.is<double>() && b.is<double>())
    return std::isnan(a.as<double>()) && std::isnan(b.as<double>());
  if (a.is<float>() && b.is<float>()) return std::isnan(a.as<float>()) && std::isnan(b.as<float>());
  return false;
}

}  // namespace

Database::~Database() {
  try {
    close();
  } catch (...) {
    // A destructor cannot throw: say what was lost. The journal, if any,
    // undoes the batch at the next open.
    reportNotSaved(path(), std::current_exception());
  }
}

void Database::beginWriting() {
  if (!writable_) throw Error::readOnly();
  if (!journaled_ || !fileSystem_)
    throw Error::unsupported(path(), "changing a database opened without its folder");
  if (!writerLock_) {
    // Creating the lock file also shows that the folder takes the journal.
    writerLock_ =
        std::make_unique<WriterLock>(*fileSystem_, path(), realPath_, format().isAce(), lockWait_);
    // Another writer may have changed the file since it was read: what the
    // writer builds on is read again under the lock.
    journaled_->abandon();
    pager_->clear();
  }
}

void Database::updateText(const TableDefinition& table, RowId id, int column,
                          const std::u16string& value) {
  beginWriting();
  // A text change writes no long-value data, so the record's long values are
  // compared by their stored reference; a memo change reads them all back.
  const int changed[] = {column};
  const bool memo = table.columns.at(static_cast<std::size_t>(column)).isLongValue();
  const auto readBack =
      memo ? ColumnSelection() : ColumnSelection::withLongValueReferences(changed);
  std::optional<Row> before = readRow(table, id, readBack);
  PageChanges changes(*pager_, format_);
  planTextUpdate(changes, *pager_, table, id, column, value);
  if (changes.empty()) return;
  // Someone may have opened the database in Access since the last batch.
  // Asked only before a write: a run of values already in their case would
  // otherwise read the lock file once a record.
  if (!batchOpen_) writerLock_->check();

  journaled_->beginUpdate();
  try {
    changes.write(*journaled_);
    // Read the record back: the new value in its field, every other field as it was.
    std::optional<Row> after = readRow(table, id, readBack);
    bool same = before && after && after->values.size() == before->values.size();
    for (std::size_t i = 0; same && i < after->values.size(); ++i) {
      if (static_cast<int>(i) == column)
        same = after->values[i].isText() && after->values[i].text() == value;
      else
        same = sameValue(after->values[i], before->values[i]);
    }
    if (!same)
      throw Error::damaged(path(), id.page,
                           "the changed record of table '" + toUtf8(table.name) +
                               "' did not read back as written; the change was undone");
  } catch (...) {
    journaled_->undoUpdate();
    pager_->clear();
    throw;
  }
  journaled_->endUpdate();
  batch_.push_back({table.page, id, column});

  const auto now = std::chrono::steady_clock::now();
  if (!batchOpen_) {
    batchOpen_ = true;
    batchStart_ = now;
  }
  if (now - batchStart_ >= kTransactionAge ||
      journaled_->journaledBlocks() >= kTransactionBatches * batchBlocks_)
    commit();
  else if (journaled_->changedBlocks() >= batchBlocks_)
    writeBatch(false);
}

void Database::commit() { writeBatch(true); }

void Database::writeBatch(bool commit) {
  if (!journaled_ || !journaled_->hasChanges()) {
    if (commit) {
      batchOpen_ = false;
      savedUpdates_ += batch_.size();  // updates that changed no byte
      batch_.clear();
    }
    return;
  }
  try {
    try {
      // Once Access has opened the file the transaction is undone rather
      // than carried on.
      if (writerLock_) writerLock_->check();
      if (beforeCommit_) beforeCommit_();
    } catch (...) {
      journaled_->abandon();  // the batches it spilled before included
      throw;
    }
    if (commit)
      journaled_->commit();
    else
      journaled_->spill();
  } catch (...) {
    // The whole transaction was undone.
    batchOpen_ = false;
    pager_->clear();
    lost_.insert(lost_.end(), batch_.begin(), batch_.end());
    batch_.clear();
    throw;
  }
  if (commit) {
    batchOpen_ = false;
    savedUpdates_ += batch_.size();
    batch_.clear();
  }
}

void Database::close() {
  struct ReleaseLock {
    std::unique_ptr<WriterLock>& lock;
    ~ReleaseLock() { lock.reset(); }
  } release{writerLock_};
  commit();
}

}  // namespace engine
