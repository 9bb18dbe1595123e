// Errors across the engine's edge: each engine kind keeps its kind and text
// and gets the number an ADO caller sees; errors that cannot be thrown reach
// the installed sink.

#include "ado/error.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/error.h"

namespace {

TEST(Errors, EngineKindsKeepTheirTextAndGetTheirAdoNumbers) {
  struct Case {
    engine::Error engineError;
    engine::ErrorKind kind;
    std::int32_t number;
  };
  const std::vector<Case> cases{
      {engine::Error::notValidPassword(), engine::ErrorKind::WrongPassword, -2147217843},
      {engine::Error::unknownTable("T"), engine::ErrorKind::UnknownTable, -2147217865},
      {engine::Error::couldNotFindFile("x.mdb"), engine::ErrorKind::NotFound, -2147467259},
      {engine::Error::unrecognizedFormat("x.mdb"), engine::ErrorKind::NotDatabase, -2147467259},
      {engine::Error::fileInUse("x.mdb"), engine::ErrorKind::InUse, -2147467259},
      {engine::Error::readOnly(), engine::ErrorKind::ReadOnly, -2147467259},
      {engine::Error::damaged("x.mdb", 3, "bad"), engine::ErrorKind::Damaged, -2147467259},
      {engine::Error::unsupported("x.mdb", "y"), engine::ErrorKind::Unsupported, -2147467259},
      {engine::Error::refusedWrite("No."), engine::ErrorKind::Refused, -2147467259},
      {engine::Error::ioError("x.mdb", "reading", "EIO"), engine::ErrorKind::IoError, -2147467259},
      {engine::Error::interruptedWrite("x.mdb"), engine::ErrorKind::Interrupted, -2147467259},
  };
  for (const Case& c : cases) {
    const ado::Error error = ado::Error::fromEngine(c.engineError);
    EXPECT_EQ(error.kind(), ado::ErrorKind::Engine) << c.engineError.description();
    EXPECT_EQ(error.engineKind(), c.kind) << c.engineError.description();
    EXPECT_EQ(error.number(), c.number) << c.engineError.description();
    EXPECT_EQ(error.description(), c.engineError.description());
  }
}

TEST(Errors, TheLayersOwnTextsMatchWhatAccessUsersKnow) {
  EXPECT_EQ(ado::Error::notValidPassword().description(), "Not a valid password.");
  EXPECT_EQ(ado::Error::readOnly().description(),
            "Cannot update. Database or object is read-only.");
  EXPECT_EQ(ado::Error::providerNotFound().number(), 3706);
  EXPECT_EQ(ado::Error::syntaxError("UPDATE").description(), "Syntax error in UPDATE statement.");
  EXPECT_EQ(ado::Error::syntaxError("UPDATE").number(), -2147217900);
  EXPECT_EQ(ado::Error::unknownColumn("City").number(), -2147217904);
}

TEST(Errors, FromEngineTurnsOnlyEngineErrors) {
  EXPECT_THROW(ado::fromEngine([] { throw engine::Error::readOnly(); }), ado::Error);
  EXPECT_THROW(ado::fromEngine([] { throw std::logic_error("x"); }), std::logic_error);
  EXPECT_EQ(ado::fromEngine([] { return 7; }), 7);
}

TEST(Errors, UnthrowableErrorsReachTheInstalledSink) {
  std::vector<engine::ErrorKind> seen;
  engine::setErrorSink([&](const engine::Error& e) { seen.push_back(e.kind()); });
  engine::reportError(engine::Error::notSaved("x.mdb", engine::Error::ioError("x", "y", "z")));
  engine::setErrorSink(nullptr);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], engine::ErrorKind::IoError);
}

}  // namespace
