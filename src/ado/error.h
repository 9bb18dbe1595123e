#pragma once

// The one error type of the database stack: a number, as an ADO caller would
// see it, and a description for the user. The texts live here, behind named
// constructors, so each wording appears once.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ado {

class Error : public std::runtime_error {
 public:
  // Numbers callers may test.
  static constexpr std::int32_t kGeneric = -2147467259;  // E_FAIL
  static constexpr std::int32_t kNotValidPassword = -2147217843;
  static constexpr std::int32_t kUnknownTable = -2147217865;
  static constexpr std::int32_t kUnknownColumn = -2147217904;
  static constexpr std::int32_t kSyntaxError = -2147217900;
  static constexpr std::int32_t kProviderNotFound = 3706;
  static constexpr std::int32_t kOverflow = 6;

  Error(std::int32_t number, std::string description);

  std::int32_t number() const { return number_; }
  // UTF-8 text shown to the user.
  const std::string& description() const { return description_; }

  static Error notValidPassword();
  static Error couldNotFindFile(std::string_view path);
  static Error unrecognizedFormat(std::string_view path);
  static Error fileInUse(std::string_view path);
  static Error readOnly();
  static Error unknownTable(std::string_view name);
  static Error unknownColumn(std::string_view name);
  static Error syntaxError(std::string_view statementKind);  // "SELECT" or "UPDATE"
  static Error invalidStatement();
  static Error providerNotFound();
  static Error damaged(std::string_view path, std::uint32_t page, std::string_view what);
  static Error unsupported(std::string_view path, std::string_view what);
  // The operating system refused or failed an operation on the file.
  static Error ioError(std::string_view path, std::string_view operation, std::string_view reason);
  static Error refusedWrite(std::string_view sentence);
  // A batch of changes to the file was interrupted and the file cannot be
  // opened for writing to undo it.
  static Error interruptedWrite(std::string_view path);
  static Error overflow();
  // A new database file could not be made: a bad description or an I/O failure.
  static Error cannotCreate(std::string_view path, std::string_view reason);
  // The cryptographic library failed at `operation` (a broken installation,
  // never a property of the file).
  static Error cryptoFailure(std::string_view operation);

 private:
  std::int32_t number_;
  std::string description_;
};

}  // namespace ado
