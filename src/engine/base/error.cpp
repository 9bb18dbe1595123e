#include "engine/error.h"

#include <iostream>
#include <mutex>
#include <utility>

namespace engine {

Error::Error(ErrorKind kind, std::string description)
    : std::runtime_error(description), kind_(kind), description_(std::move(description)) {}

Error Error::couldNotFindFile(std::string_view path) {
  return {ErrorKind::NotFound, "Could not find file '" + std::string(path) + "'."};
}

Error Error::unrecognizedFormat(std::string_view path) {
  return {ErrorKind::NotDatabase, "Unrecognized database format '" + std::string(path) + "'."};
}

Error Error::notValidPassword() { return {ErrorKind::WrongPassword, "Not a valid password."}; }

Error Error::fileInUse(std::string_view path) {
  return {ErrorKind::InUse, "Could not use '" + std::string(path) + "'; file already in use."};
}

Error Error::inUseByComputer(std::string_view path, std::string_view lockPath,
                             std::string_view computer) {
  return {ErrorKind::InUse, "Could not use '" + std::string(path) +
                                "'; file already in use by the computer '" + std::string(computer) +
                                "' (recorded in the lock file '" + std::string(lockPath) +
                                "'). If that computer no longer has the database open, remove "
                                "the lock file and try again."};
}

Error Error::readOnly() {
  return {ErrorKind::ReadOnly, "Cannot update. Database or object is read-only."};
}

Error Error::unknownTable(std::string_view name) {
  return {ErrorKind::UnknownTable,
          "Cannot find the input table or query '" + std::string(name) + "'."};
}

Error Error::damaged(std::string_view path, std::uint32_t page, std::string_view what) {
  return {ErrorKind::Damaged, "The database '" + std::string(path) + "' is damaged: page " +
                                  std::to_string(page) + ": " + std::string(what) + "."};
}

Error Error::unsupported(std::string_view path, std::string_view what) {
  return {ErrorKind::Unsupported, "The database '" + std::string(path) +
                                      "' uses a feature not supported: " + std::string(what) + "."};
}

Error Error::refusedWrite(std::string_view sentence) {
  return {ErrorKind::Refused, std::string(sentence)};
}

Error Error::ioError(std::string_view path, std::string_view operation, std::string_view reason) {
  return {ErrorKind::IoError, "Disk or network error while " + std::string(operation) + " '" +
                                  std::string(path) + "': " + std::string(reason) + "."};
}

Error Error::interruptedWrite(std::string_view path) {
  return {ErrorKind::Interrupted,
          "The database '" + std::string(path) +
              "' holds changes that were interrupted before they were complete; open it once "
              "with write access so they can be undone."};
}

namespace {

std::string refusedJournal(std::string_view journal, std::string_view path) {
  return "The journal '" + std::string(journal) + "' beside the database '" + std::string(path) +
         "' ";
}

}  // namespace

Error Error::journalNotAFile(std::string_view journal, std::string_view path) {
  return {ErrorKind::Interrupted,
          refusedJournal(journal, path) +
              "is not a regular file (a symbolic link or a folder, say), so it was not used and "
              "nothing was written. Remove it, then open the database again."};
}

Error Error::journalUnreadable(std::string_view journal, std::string_view path) {
  return {ErrorKind::Interrupted,
          refusedJournal(journal, path) +
              "is damaged: its header cannot be read, so the database may hold part of an "
              "interrupted batch of changes. The journal was kept and nothing was written. "
              "Restore the database from a backup, or remove the journal to use the database "
              "as it is."};
}

Error Error::journalMismatch(std::string_view journal, std::string_view path,
                             std::string_view why) {
  return {ErrorKind::Interrupted,
          refusedJournal(journal, path) +
              "does not belong to it as it is now: " + std::string(why) +
              ". The journal was not played back and was kept; nothing was written. If it came "
              "from another database or an older copy, move it away, then open the database "
              "again."};
}

Error Error::journalDamaged(std::string_view journal, std::string_view path, std::size_t restored,
                            std::size_t total) {
  return {ErrorKind::Interrupted,
          refusedJournal(journal, path) + "is damaged: only " + std::to_string(restored) +
              " of its " + std::to_string(total) +
              " saved blocks could be read and were put back, so the database may still hold "
              "part of an interrupted batch of changes. The journal was kept. Restore the "
              "database from a backup, or remove the journal to use the database as it is."};
}

Error Error::databaseFull(std::string_view path, std::uint64_t limit) {
  return {ErrorKind::Refused, "The change needs more room in '" + std::string(path) +
                                  "', which has reached the largest size it may have (" +
                                  std::to_string(limit) +
                                  " bytes); the record was left as it was."};
}

Error Error::savedWithoutFolderFlush(std::string_view path, const Error& cause) {
  return {cause.kind(), "The changes to '" + std::string(path) +
                            "' are saved, but flushing its folder failed, so a power failure "
                            "now could still undo them: " +
                            cause.description()};
}

Error Error::cannotCreate(std::string_view path, std::string_view reason) {
  return {ErrorKind::CannotCreate,
          "Cannot create the database '" + std::string(path) + "': " + std::string(reason) + "."};
}

Error Error::notCreated(std::string_view path, const Error& cause) {
  return {ErrorKind::CannotCreate,
          "Cannot create the database '" + std::string(path) + "': " + cause.description()};
}

Error Error::notSaved(std::string_view path, const Error& cause) {
  return {cause.kind(),
          "Changes to '" + std::string(path) + "' were not saved: " + cause.description()};
}

Error Error::cryptoFailure(std::string_view operation) {
  return {ErrorKind::CryptoFailure,
          "The encryption library (libcrypto) failed: " + std::string(operation) + "."};
}

namespace {

std::mutex sinkMutex;

ErrorSink& sink() {
  static ErrorSink installed;
  return installed;
}

}  // namespace

void setErrorSink(ErrorSink newSink) {
  std::lock_guard lock(sinkMutex);
  sink() = std::move(newSink);
}

void reportError(const Error& error) {
  std::lock_guard lock(sinkMutex);
  if (sink()) {
    sink()(error);
    return;
  }
  std::cerr << error.description() << '\n';
}

void reportNotSaved(std::string_view path, std::exception_ptr failure) {
  try {
    std::rethrow_exception(std::move(failure));
  } catch (const Error& e) {
    reportError(Error::notSaved(path, e));
  } catch (const std::exception& e) {
    reportError(Error::notSaved(path, Error::ioError(path, "closing", e.what())));
  } catch (...) {
    reportError(Error::notSaved(path, Error::ioError(path, "closing", "an unknown failure")));
  }
}

}  // namespace engine
