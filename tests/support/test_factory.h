#pragma once

// The ADO component as tests hand it to the procedures: connections that
// find their databases in a folder of the test's and commit in small
// batches, a component that cannot be created, or a database that refuses
// some statements.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "ado/error.h"
#include "ado/factory.h"

namespace testsupport {

class TestFactory final : public ado::Factory {
 public:
  // The folder connections find their databases in (null: the disk), and
  // their batch size in changed blocks (0: as usual).
  engine::FileSystem* folder = nullptr;
  std::size_t batchBlocks = 0;
  // Every creation fails with this: a machine without the component.
  std::optional<ado::Error> creationFailure;
  // Execute fails with `refusal` for every statement `refuses` accepts.
  std::function<bool(const ado::Text& statement)> refuses;
  ado::Error refusal = ado::Error::refusedWrite("The statement was refused.");

 protected:
  std::unique_ptr<ado::Connection> NewConnection() const override {
    if (creationFailure) throw *creationFailure;
    auto connection =
        refuses ? std::make_unique<RefusingConnection>(*this) : std::make_unique<ado::Connection>();
    connection->SetFolder(folder);
    connection->SetBatchBlocks(batchBlocks);
    return connection;
  }
  std::unique_ptr<ado::Recordset> NewRecordset() const override {
    if (creationFailure) throw *creationFailure;
    return ado::Factory::NewRecordset();
  }

 private:
  class RefusingConnection final : public ado::Connection {
   public:
    explicit RefusingConnection(const TestFactory& factory) : factory_(factory) {}
    long Execute(const ado::Text& statement) override {
      if (factory_.refuses(statement)) throw factory_.refusal;
      return ado::Connection::Execute(statement);
    }

   private:
    const TestFactory& factory_;
  };
};

}  // namespace testsupport
