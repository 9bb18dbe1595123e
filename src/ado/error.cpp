#include "ado/error.h"

namespace ado {
namespace {

std::int32_t numberOf(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::WrongPassword:
      return Error::kNotValidPassword;
    case ErrorKind::UnknownTable:
      return Error::kUnknownTable;
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

ErrorKind kindOf(engine::ErrorKind kind) {
  switch (kind) {
    case engine::ErrorKind::NotFound:
      return ErrorKind::NotFound;
    case engine::ErrorKind::NotDatabase:
      return ErrorKind::NotDatabase;
    case engine::ErrorKind::WrongPassword:
      return ErrorKind::WrongPassword;
    case engine::ErrorKind::InUse:
      return ErrorKind::InUse;
    case engine::ErrorKind::ReadOnly:
      return ErrorKind::ReadOnly;
    case engine::ErrorKind::UnknownTable:
      return ErrorKind::UnknownTable;
    case engine::ErrorKind::Damaged:
      return ErrorKind::Damaged;
    case engine::ErrorKind::Unsupported:
      return ErrorKind::Unsupported;
    case engine::ErrorKind::Refused:
      return ErrorKind::Refused;
    case engine::ErrorKind::IoError:
      return ErrorKind::IoError;
    case engine::ErrorKind::Interrupted:
      return ErrorKind::Interrupted;
    case engine::ErrorKind::CannotCreate:
      return ErrorKind::CannotCreate;
    case engine::ErrorKind::CryptoFailure:
      return ErrorKind::CryptoFailure;
  }
  return ErrorKind::Damaged;
}

}  // namespace

Error::Error(ErrorKind kind, std::string description)
    : std::runtime_error(description),
      kind_(kind),
      number_(numberOf(kind)),
      description_(std::move(description)) {}

bool IsFileFailure(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::NotFound:
    case ErrorKind::NotDatabase:
    case ErrorKind::WrongPassword:
    case ErrorKind::InUse:
    case ErrorKind::ReadOnly:
    case ErrorKind::Damaged:
    case ErrorKind::IoError:
    case ErrorKind::Interrupted:
    case ErrorKind::CryptoFailure:
    case ErrorKind::ObjectClosed:
    case ErrorKind::ProviderNotFound:
    case ErrorKind::CannotCreateObject:
    case ErrorKind::OutOfMemory:
      return true;
    default:
      return false;
  }
}

Error Error::fromEngine(const engine::Error& error) {
  return {kindOf(error.kind()), error.description()};
}

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
