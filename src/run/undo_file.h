#pragma once

// The undo file of a run: for every value the run changes, the table, the
// field, the record's identity (the page and row of its header slot, which
// stay when the record's bytes move) and the old and new text, so that the
// change can be taken back (put_back.h).
//
// JSON lines in UTF-8: a header line, then one line per changed value.
//   {"format":"caseloom-undo","version":1,"database":"/data/orders.mdb","case":"Proper
//   Case","created":"2024-05-01T09:30:00Z"}
//   {"table":"Orders","field":"City","page":12,"row":3,"old":"o'hare","new":"O'hare"}
// "old" is null for a field that held no value. Unpaired surrogates are
// written as \u escapes, so every text comes back exactly.
//
// The lines of a batch of changes are written and synced before the batch
// reaches the database, so after a crash the file holds every change the
// database kept (and maybe some it did not); a last line cut short by the
// crash is ignored on reading.

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ado/write_observer.h"
#include "engine/file_system.h"

namespace Run {

inline constexpr int kUndoFileVersion = 1;

struct UndoEntry {
  std::u16string table;
  std::u16string field;
  engine::RowId row;
  std::optional<std::u16string> oldText;  // nothing: the field held no value
  std::u16string newText;
};

struct UndoHeader {
  std::u16string database;
  std::u16string caseName;
  std::u16string created;  // ISO 8601, UTC
};

// An undo file that cannot be read, or cannot be made. The descriptions
// are made here, by the named constructors; each names the file.
class UndoFileError : public std::runtime_error {
 public:
  enum class Kind {
    Exists,        // a new undo file would replace one
    NotUndoFile,   // not an undo file at all
    NoVersion,     // an undo file header without a valid version
    NewerVersion,  // written by a newer program
    Damaged,       // a line before the last is not a change
  };

  Kind kind() const { return kind_; }

  static UndoFileError exists(const std::string& path);
  static UndoFileError notUndoFile(const std::string& path);
  static UndoFileError noVersion(const std::string& path);
  static UndoFileError newerVersion(const std::string& path, double version);
  // Line `line` (the header is line 1) is not JSON, or not a change.
  static UndoFileError damaged(const std::string& path, int line, bool isJson);

 private:
  UndoFileError(Kind kind, const std::string& path, const std::string& problem);
  Kind kind_;
};

// Records the changes of a connection (see ado::Connection::SetWriteObserver).
class UndoFileWriter final : public ado::WriteObserver {
 public:
  // Creates the file with the permission bits of the database the header
  // names, refusing one that exists, and makes its header durable.
  UndoFileWriter(engine::FileSystem& fileSystem, const std::string& path, const UndoHeader& header);

  void writing(const ado::TextChange& change) override;
  void committing() override;

  // Changes recorded so far.
  long entries() const { return entries_; }

 private:
  void writePending();

  std::string path_;
  std::unique_ptr<engine::File> file_;
  std::uint64_t end_ = 0;
  QByteArray pending_;
  long entries_ = 0;
};

struct UndoFile {
  UndoHeader header;
  std::vector<UndoEntry> entries;  // in the order of the changes
  bool cutShort = false;           // the last line was incomplete and is left out
};

// Reads the undo file at `path`; UndoFileError when it is not one, is of a
// newer version or is damaged before its last line.
UndoFile ReadUndoFile(engine::FileSystem& fileSystem, const std::string& path);

}  // namespace Run
