#include "ado/error.h"

#include <utility>

namespace ado {

Error::Error(std::int32_t number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

Error Error::notValidPassword() { return {kNotValidPassword, "Not a valid password."}; }

Error Error::couldNotFindFile(std::string_view path) {
  return {kGeneric, "Could not find file '" + std::string(path) + "'."};
}

Error Error::unrecognizedFormat(std::string_view path) {
  return {kGeneric, "Unrecognized database format '" + std::string(path) + "'."};
}

Error Error::fileInUse(std::string_view path) {
  return {kGeneric, "Could not use '" + std::string(path) + "'; file already in use."};
}

Error Error::readOnly() { return {kGeneric, "Cannot update. Database or object is read-only."}; }

Error Error::unknownTable(std::string_view name) {
  return {kUnknownTable, "Cannot find the input table or query '" + std::string(name) + "'."};
}

Error Error::unknownColumn(std::string_view name) {
  return {kUnknownColumn, "No value given for one or more required parameters. (unknown column '" +
                              std::string(name) + "')"};
}

Error Error::syntaxError(std::string_view statementKind) {
  return {kSyntaxError, "Syntax error in " + std::string(statementKind) + " statement."};
}

Error Error::invalidStatement() {
  return {kSyntaxError,
          "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or "
          "'UPDATE'."};
}

Error Error::providerNotFound() {
  return {kProviderNotFound, "Provider cannot be found. It may not be properly installed."};
}

Error Error::damaged(std::string_view path, std::uint32_t page, std::string_view what) {
  return {kGeneric, "The database '" + std::string(path) + "' is damaged: page " +
                        std::to_string(page) + ": " + std::string(what) + "."};
}

Error Error::unsupported(std::string_view path, std::string_view what) {
  return {kGeneric, "The database '" + std::string(path) +
                        "' uses a feature not supported: " + std::string(what) + "."};
}

Error Error::cryptoFailure(std::string_view operation) {
  return {kGeneric, "The encryption library (libcrypto) failed: " + std::string(operation) + "."};
}

Error Error::ioError(std::string_view path, std::string_view operation, std::string_view reason) {
  return {kGeneric, "Disk or network error while " + std::string(operation) + " '" +
                        std::string(path) + "': " + std::string(reason) + "."};
}

Error Error::refusedWrite(std::string_view sentence) { return {kGeneric, std::string(sentence)}; }

Error Error::interruptedWrite(std::string_view path) {
  return {kGeneric, "The database '" + std::string(path) +
                        "' holds changes that were interrupted before they were complete; open it "
                        "once with write access so they can be undone."};
}

Error Error::overflow() { return {kOverflow, "Overflow"}; }

Error Error::cannotCreate(std::string_view path, std::string_view reason) {
  return {kGeneric,
          "Cannot create the database '" + std::string(path) + "': " + std::string(reason) + "."};
}

}  // namespace ado
