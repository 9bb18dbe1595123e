#pragma once

// The error type of the ado layer: a kind that callers test, the number an
// ADO caller would see and a description for the user. The engine's errors
// become these at the layer's edge (fromEngine) and keep the engine's kind;
// the texts of the layer's own errors live here, behind named constructors,
// so each wording appears once.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "engine/error.h"

namespace ado {

enum class ErrorKind {
  // A failure of the engine: Error::engineKind() says which.
  Engine,
  // The layer's own.
  UnknownColumn,
  SyntaxError,
  ProviderNotFound,
  ObjectClosed,
  ObjectOpen,
  NotCapable,
  InvalidOperation,
  CannotCreateObject,
  NoCurrentRecord,
  ItemNotFound,
  Overflow,
  OutOfMemory,
  // A failure of the program's own procedures (nothing selected, ...).
  Program,
};

class [[nodiscard]] Error : public std::runtime_error {
 public:
  // Numbers callers may see.
  static constexpr std::int32_t kGeneric = -2147467259;  // E_FAIL
  static constexpr std::int32_t kNotValidPassword = -2147217843;
  static constexpr std::int32_t kUnknownTable = -2147217865;
  static constexpr std::int32_t kUnknownColumn = -2147217904;
  static constexpr std::int32_t kSyntaxError = -2147217900;
  static constexpr std::int32_t kProviderNotFound = 3706;
  static constexpr std::int32_t kOverflow = 6;
  static constexpr std::int32_t kOutOfMemory = 7;
  static constexpr std::int32_t kCannotCreateObject = 429;
  static constexpr std::int32_t kInvalidOperation = 3219;
  static constexpr std::int32_t kNotCapable = 3251;
  static constexpr std::int32_t kNoCurrentRecord = 3021;
  static constexpr std::int32_t kItemNotFound = 3265;
  static constexpr std::int32_t kObjectClosed = 3704;
  static constexpr std::int32_t kObjectOpen = 3705;

  // One of the layer's own errors (not ErrorKind::Engine).
  Error(ErrorKind kind, std::string description);
  // An error of the engine, as the layer reports it.
  static Error fromEngine(const engine::Error& error);

  ErrorKind kind() const { return kind_; }
  // The engine's kind, for errors of kind Engine; nothing otherwise.
  [[nodiscard]] std::optional<engine::ErrorKind> engineKind() const { return engineKind_; }
  bool is(engine::ErrorKind kind) const { return engineKind_ == kind; }
  [[nodiscard]] bool is(ErrorKind kind) const { return kind_ == kind; }
  bool sameKind(const Error& other) const {
    return kind_ == other.kind_ && engineKind_ == other.engineKind_;
  }
  std::int32_t number() const { return number_; }
  // UTF-8 text shown to the user.
  const std::string& description() const { return description_; }

  static Error notValidPassword();
  static Error couldNotFindFile(std::string_view path);
  static Error unrecognizedFormat(std::string_view path);
  static Error readOnly();
  static Error unknownColumn(std::string_view name);
  static Error syntaxError(std::string_view statementKind);  // "SELECT" or "UPDATE"
  static Error invalidStatement();
  static Error providerNotFound();
  static Error refusedWrite(std::string_view sentence);
  static Error overflow();
  // Memory ran out: the run ends at once (Visual Basic's error 7).
  static Error outOfMemory();
  static Error objectClosed();
  static Error objectOpen();
  static Error notCapable();
  static Error executeRunsUpdatesOnly();
  static Error noCurrentRecord();
  // A ProgID the factory does not know.
  static Error cannotCreateObject();
  static Error itemNotFound();
  // The program's own: no item is selected in `list` ("table list", ...).
  static Error noSelectedItem(std::string_view list);

 private:
  explicit Error(const engine::Error& error);

  ErrorKind kind_;
  std::optional<engine::ErrorKind> engineKind_;
  std::int32_t number_;
  std::string description_;
};

// Whether `error` is a failure of the file itself (the file, its journal,
// its lock file, the disk under them, or the connection to them) rather than
// of one record: every later change would fail the same way.
[[nodiscard]] bool IsFileFailure(const Error& error);

// Runs `work`, which calls the engine, turning the engine's errors into the
// layer's.
template <class Work>
decltype(auto) fromEngine(Work&& work) {
  try {
    return std::forward<Work>(work)();
  } catch (const engine::Error& error) {
    throw Error::fromEngine(error);
  }
}

}  // namespace ado
