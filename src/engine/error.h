#pragma once

// The engine's one error type: a kind that callers test and a description
// for the user. Descriptions are made here, by the named constructors, so
// each wording appears once; they follow the messages Access users know.

#include <cstdint>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace engine {

enum class ErrorKind {
  NotFound,       // the database file is missing
  NotDatabase,    // not an Access file, or a version this engine does not open
  WrongPassword,  // the password is wrong or missing
  InUse,          // another writer or a live Access user has the file
  ReadOnly,       // the file or its folder may not be changed
  UnknownTable,   // no local table of that name
  Damaged,        // the file's structures are inconsistent
  Unsupported,    // a feature this engine does not handle
  Refused,        // a change refused to keep the file sound
  IoError,        // the operating system failed an operation
  Interrupted,    // an interrupted batch must be undone before reading
  CannotCreate,   // a new database could not be made
  CryptoFailure,  // the cryptographic library failed
};

class [[nodiscard]] Error : public std::runtime_error {
 public:
  Error(ErrorKind kind, std::string description);

  ErrorKind kind() const { return kind_; }
  // UTF-8 text shown to the user.
  const std::string& description() const { return description_; }

  static Error couldNotFindFile(std::string_view path);
  static Error unrecognizedFormat(std::string_view path);
  static Error notValidPassword();
  static Error fileInUse(std::string_view path);
  // The Access lock file `lockPath` records `computer` as using the database.
  static Error inUseByComputer(std::string_view path, std::string_view lockPath,
                               std::string_view computer);
  static Error readOnly();
  static Error unknownTable(std::string_view name);
  static Error damaged(std::string_view path, std::uint32_t page, std::string_view what);
  static Error unsupported(std::string_view path, std::string_view what);
  // `sentence` names the value, the field and the reason.
  static Error refusedWrite(std::string_view sentence);
  // The operating system refused or failed `operation` on the file.
  static Error ioError(std::string_view path, std::string_view operation, std::string_view reason);
  // A batch of changes to the file was interrupted and the file cannot be
  // opened for writing to undo it.
  static Error interruptedWrite(std::string_view path);
  // The journal beside a database is refused, kept and nothing written
  // (kind Interrupted): it is no regular file; its header cannot be read; it
  // does not match the database (`why`); or it is damaged after `restored`
  // of its `total` records, which were played back.
  static Error journalNotAFile(std::string_view journal, std::string_view path);
  static Error journalUnreadable(std::string_view journal, std::string_view path);
  static Error journalMismatch(std::string_view journal, std::string_view path,
                               std::string_view why);
  static Error journalDamaged(std::string_view journal, std::string_view path, std::size_t restored,
                              std::size_t total);
  // A change needs the file to grow past `limit` bytes (kind Refused).
  static Error databaseFull(std::string_view path, std::uint64_t limit);
  // A batch is in the file, but the folder holding it could not be flushed
  // (reported, not thrown: nothing was lost).
  static Error savedWithoutFolderFlush(std::string_view path, const Error& cause);
  // A new database file could not be made: a bad description or an I/O failure.
  static Error cannotCreate(std::string_view path, std::string_view reason);
  // The same when writing the new file failed because of `cause`.
  static Error notCreated(std::string_view path, const Error& cause);
  // A batch of changes to `path` was lost because of `cause` (reported where
  // nothing can be thrown).
  static Error notSaved(std::string_view path, const Error& cause);
  // The cryptographic library failed at `operation` (a broken installation,
  // never a property of the file).
  static Error cryptoFailure(std::string_view operation);

 private:
  ErrorKind kind_;
  std::string description_;
};

// Where the engine reports an error it cannot throw (a destructor that
// fails to save or to clean up). The default writes the description to
// standard error; programs and tests may install their own.
using ErrorSink = std::function<void(const Error&)>;
void setErrorSink(ErrorSink sink);
void reportError(const Error& error);
// Reports, as notSaved, whatever a destructor caught while giving up the
// database at `path`: it may not throw, and no failure may go unsaid.
void reportNotSaved(std::string_view path, std::exception_ptr failure);

}  // namespace engine
