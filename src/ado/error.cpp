#include "ado/error.h"

namespace ado {
namespace {

std::int32_t numberOf(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::UnknownColumn:
      return Error::kUnknownColumn;
    case ErrorKind::SyntaxError:
      return Error::kSyntaxError;
    case ErrorKind::ProviderNotFound:
      return Error::kProviderNotFound;
    case ErrorKind::ObjectClosed:
      return Error::kObjectClosed;
    case ErrorKind::ObjectOpen:
      return Error::kObjectOpen;
    case ErrorKind::NotCapable:
      return Error::kNotCapable;
    case ErrorKind::InvalidOperation:
      return Error::kInvalidOperation;
    case ErrorKind::CannotCreateObject:
      return Error::kCannotCreateObject;
    case ErrorKind::NoCurrentRecord:
      return Error::kNoCurrentRecord;
    case ErrorKind::ItemNotFound:
      return Error::kItemNotFound;
    case ErrorKind::Overflow:
      return Error::kOverflow;
    case ErrorKind::OutOfMemory:
      return Error::kOutOfMemory;
    default:
      return Error::kGeneric;
  }
}

std::int32_t numberOf(engine::ErrorKind kind) {
  switch (kind) {
    case engine::ErrorKind::WrongPassword:
      return Error::kNotValidPassword;
    case engine::ErrorKind::UnknownTable:
      return Error::kUnknownTable;
    default:
      return Error::kGeneric;
  }
}

}  // namespace

Error::Error(ErrorKind kind, std::string description)
    : std::runtime_error(description),
      kind_(kind),
      number_(numberOf(kind)),
      description_(std::move(description)) {}

Error::Error(const engine::Error& error)
    : std::runtime_error(error.description()),
      kind_(ErrorKind::Engine),
      engineKind_(error.kind()),
      number_(numberOf(error.kind())),
      description_(error.description()) {}

namespace {

bool isFileFailure(engine::ErrorKind kind) {
  switch (kind) {
    case engine::ErrorKind::NotFound:
    case engine::ErrorKind::NotDatabase:
    case engine::ErrorKind::WrongPassword:
    case engine::ErrorKind::InUse:
    case engine::ErrorKind::ReadOnly:
    case engine::ErrorKind::Damaged:
    case engine::ErrorKind::IoError:
    case engine::ErrorKind::Interrupted:
    case engine::ErrorKind::CryptoFailure:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool IsFileFailure(const Error& error) {
  if (const auto engineKind = error.engineKind()) return isFileFailure(*engineKind);
  switch (error.kind()) {
    case ErrorKind::ObjectClosed:
    case ErrorKind::ProviderNotFound:
    case ErrorKind::CannotCreateObject:
    case ErrorKind::OutOfMemory:
      return true;
    default:
      return false;
  }
}

Error Error::fromEngine(const engine::Error& error) { return Error(error); }

// Texts the engine also gives come from the engine, so they are written once.
Error Error::notValidPassword() { return fromEngine(engine::Error::notValidPassword()); }

Error Error::couldNotFindFile(std::string_view path) {
  return fromEngine(engine::Error::couldNotFindFile(path));
}

Error Error::unrecognizedFormat(std::string_view path) {
  return fromEngine(engine::Error::unrecognizedFormat(path));
}

Error Error::readOnly() { return fromEngine(engine::Error::readOnly()); }

Error Error::refusedWrite(std::string_view sentence) {
  return fromEngine(engine::Error::refusedWrite(sentence));
}

Error Error::unknownColumn(std::string_view name) {
  return {ErrorKind::UnknownColumn,
          "No value given for one or more required parameters. (unknown column '" +
              std::string(name) + "')"};
}

Error Error::syntaxError(std::string_view statementKind) {
  return {ErrorKind::SyntaxError, "Syntax error in " + std::string(statementKind) + " statement."};
}

Error Error::invalidStatement() {
  return {ErrorKind::SyntaxError,
          "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or "
          "'UPDATE'."};
}

Error Error::providerNotFound() {
  return {ErrorKind::ProviderNotFound,
          "Provider cannot be found. It may not be properly installed."};
}

Error Error::overflow() { return {ErrorKind::Overflow, "Overflow"}; }

Error Error::outOfMemory() {
  return {ErrorKind::OutOfMemory,
          "Out of memory. The run was stopped; the records changed so far were saved."};
}

Error Error::objectClosed() {
  return {ErrorKind::ObjectClosed, "Operation is not allowed when the object is closed."};
}

Error Error::objectOpen() {
  return {ErrorKind::ObjectOpen, "Operation is not allowed when the object is open."};
}

Error Error::notCapable() {
  return {ErrorKind::NotCapable,
          "Object or provider is not capable of performing requested operation."};
}

Error Error::executeRunsUpdatesOnly() {
  return {ErrorKind::InvalidOperation, "Invalid operation: Execute runs UPDATE statements only."};
}

Error Error::cannotCreateObject() {
  return {ErrorKind::CannotCreateObject, "ActiveX component can't create object"};
}

Error Error::noCurrentRecord() {
  return {ErrorKind::NoCurrentRecord,
          "Either BOF or EOF is True, or the current record has been deleted. Requested "
          "operation requires a current record."};
}

Error Error::itemNotFound() {
  return {ErrorKind::ItemNotFound,
          "Item cannot be found in the collection corresponding to the requested name or "
          "ordinal."};
}

Error Error::noSelectedItem(std::string_view list) {
  return {ErrorKind::Program, "No item is selected in the " + std::string(list) + "."};
}

}  // namespace ado
