// Descriptions the creator refuses, with an engine::Error naming the reason, and
// without leaving a file behind.

#include <gtest/gtest.h>

#include <fstream>

#include "engine/error.h"
#include "engine/new_database.h"
#include "support/shared_dir.h"

namespace {

using engine::NewColumn;
using engine::NewDatabase;
using engine::NewTable;
using Type = NewColumn::Type;

class CreateRefusalTest : public ::testing::Test {
 protected:
  // Expects createDatabase to refuse `db` with a description containing `words`.
  void expectRefused(const NewDatabase& db, const std::string& words) {
    auto path = dir_.path() / "refused.mdb";
    try {
      engine::createDatabase(path, db);
      ADD_FAILURE() << "not refused: " << words;
    } catch (const engine::Error& error) {
      EXPECT_EQ(error.kind(), engine::ErrorKind::CannotCreate);
      EXPECT_NE(error.description().find(words), std::string::npos) << error.description();
    }
    EXPECT_FALSE(std::filesystem::exists(path));
  }

  static NewDatabase oneTable(NewTable table) {
    NewDatabase db;
    db.tables.push_back(std::move(table));
    return db;
  }

  testsupport::TempDir dir_;
};

TEST_F(CreateRefusalTest, ValuesThatDoNotFitTheirColumn) {
  NewTable table{u"T", {{u"Name", Type::Text, 5}}, {}, {{engine::Text(u"too long")}}};
  expectRefused(oneTable(table), "longer than the column's 5 characters");
  table = {u"T", {{u"B", Type::Byte}}, {}, {{std::int32_t{256}}}};
  expectRefused(oneTable(table), "out of range");
  table = {u"T", {{u"I", Type::Integer}}, {}, {{std::int32_t{40000}}}};
  expectRefused(oneTable(table), "out of range");
  table = {u"T", {{u"L", Type::Long}}, {}, {{engine::Text(u"1")}}};
  expectRefused(oneTable(table), "not an integer");
  table = {u"T", {{u"Y", Type::YesNo}}, {}, {{engine::Value::null()}}};
  expectRefused(oneTable(table), "cannot be null");
  table = {u"T", {{u"D", Type::DateTime}}, {}, {{1.5}}};
  expectRefused(oneTable(table), "not a date");
  table = {u"T", {{u"M", Type::Memo}}, {}, {{engine::Bytes{1}}}};
  expectRefused(oneTable(table), "not text");
}

TEST_F(CreateRefusalTest, RowsWithTheWrongNumberOfValues) {
  NewTable table{u"T", {{u"A", Type::Long}, {u"B", Type::Long}}, {}, {{std::int32_t{1}}}};
  expectRefused(oneTable(table), "row 1 of table 'T' has 1 values for 2 columns");
}

TEST_F(CreateRefusalTest, BadNamesAndDefinitions) {
  expectRefused(oneTable({u"Bad.Name", {{u"A", Type::Long}}, {}, {}}), "not valid");
  expectRefused(oneTable({u"T", {{u"A", Type::Long}, {u"a", Type::Long}}, {}, {}}),
                "two columns named");
  expectRefused(oneTable({u"T", {}, {}, {}}), "has no columns");
  expectRefused(oneTable({u"T", {{u"A", Type::Text, 256}}, {}, {}}), "1 to 255 characters");
  expectRefused(oneTable({u"MSysObjects", {{u"A", Type::Long}}, {}, {}}), "reserved");
  NewDatabase db;
  db.tables = {{u"Same", {{u"A", Type::Long}}, {}, {}}, {u"SAME", {{u"A", Type::Long}}, {}, {}}};
  expectRefused(db, "two tables are named");
}

// Names are the same when they differ only in the simple case of their letters, Latin-1,
// Greek and Cyrillic ones too, as the reader compares them; a letter whose
// capital is two letters (ß, SS) does not fold.
TEST_F(CreateRefusalTest, NamesDifferingOnlyInTheCaseOfAnyLetter) {
  expectRefused(oneTable({u"T", {{u"Été", Type::Long}, {u"été", Type::Long}}, {}, {}}),
                "two columns named 'été'");
  expectRefused(oneTable({u"T", {{u"Größe", Type::Long}, {u"GRÖßE", Type::Long}}, {}, {}}),
                "two columns named");
  NewDatabase db;
  db.tables = {{u"Город", {{u"A", Type::Long}}, {}, {}}, {u"ГОРОД", {{u"A", Type::Long}}, {}, {}}};
  expectRefused(db, "two tables are named");
  NewTable table{u"T",
                 {{u"A", Type::Long}},
                 {{u"Ωmega", {u"A"}, false, false}, {u"ωMEGA", {u"a"}, false, false}},
                 {}};
  expectRefused(oneTable(table), "two indexes named");
  // Index columns are found the same way.
  table = {u"T", {{u"Straße", Type::Long}}, {{u"Ix", {u"STRASSE"}, false, false}}, {}};
  expectRefused(oneTable(table), "unknown column 'STRASSE'");

  const auto path = dir_.path() / "distinct.mdb";
  table = {u"T",
           {{u"Größe", Type::Long}, {u"GRÖSSE", Type::Long}},
           {{u"Ix", {u"größe"}, false, false}},
           {}};
  engine::createDatabase(path, oneTable(table));
  EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(CreateRefusalTest, IndexesOnUnknownColumns) {
  NewTable table{u"T", {{u"A", Type::Long}}, {{u"Ix", {u"B"}, false, false}}, {}};
  expectRefused(oneTable(table), "unknown column 'B'");
}

TEST_F(CreateRefusalTest, UnwritablePlaces) {
  NewDatabase db;
  auto missing = dir_.path() / "no such folder" / "x.mdb";
  try {
    engine::createDatabase(missing, db);
    ADD_FAILURE() << "wrote into a missing folder";
  } catch (const engine::Error& error) {
    EXPECT_EQ(error.kind(), engine::ErrorKind::CannotCreate);
    EXPECT_NE(error.description().find(missing.string()), std::string::npos) << error.description();
  }
  // An existing file is replaced whole.
  auto path = dir_.path() / "replace.mdb";
  { std::ofstream(path) << "not a database"; }
  engine::createDatabase(path, db);
  EXPECT_EQ(std::filesystem::file_size(path) % 4096, 0u);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "replace.mdb.creating"));
}

}  // namespace
