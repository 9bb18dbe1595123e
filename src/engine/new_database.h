#pragma once

// Creating new Access database files from a description: a Jet 4 .mdb
// (Access 2000-2003, optionally with a database password and RC4-encoded
// pages) or an ACE 12 .accdb (Access 2007, optionally encrypted with a
// password, as Access 2010 and later encrypt: Agile AES-256 with SHA-512),
// holding user tables with their columns, rows and indexes.
//
//   engine::NewDatabase db;
//   db.format = engine::NewDatabase::Format::Jet4;
//   auto& t = db.tables.emplace_back();
//   t.name = u"Customers";
//   t.columns = {{u"Id", engine::NewColumn::Type::Long}, {u"Name", engine::NewColumn::Type::Text,
//   50}}; t.indexes = {{u"PrimaryKey", {u"Id"}, /*primary=*/true, /*unique=*/true}}; t.rows =
//   {{std::int32_t{1}, engine::Text(u"Smith")}}; engine::createDatabase("out.mdb", db);
//
// The file is written whole; an existing file at the path is replaced. Errors
// (bad descriptions, values that do not fit their column, I/O) are Error
// and leave no file behind.
//
// What the file holds: the header page, the global usage map, the system
// tables MSysObjects (definition on page 2, with its Id and ParentIdName
// indexes), MSysACEs, MSysQueries and MSysRelationships (empty), plus
// MSysComplexColumns in .accdb files; then each user table with its rows,
// long values and indexes. Text and memo values are stored compressed where
// the format allows. Not written: access-control entries (MSysACEs stays
// empty), database properties (MSysDb has no property block).
//
// Indexes are ascending and may cover Yes/No, Byte, Integer, Long, Currency,
// Single, Double, Date/Time and Text columns. Text keys follow the General
// Legacy sort order; duplicates in a unique index and nulls in a primary key
// are refused.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/value.h"

namespace engine {

// One column of a new table.
struct NewColumn {
  enum class Type {
    Text,
    Memo,
    Byte,
    Integer,
    Long,
    Single,
    Double,
    Currency,
    DateTime,
    YesNo,
    OLE,
    GUID,
    Binary,
    Decimal,
    DateTimeExtended
  };

  std::u16string name;
  Type type = Type::Text;
  // Text: the maximum length in characters, 1 to 255; Binary: in bytes.
  int maxLength = 255;
  // Text and memo: whether values may be stored compressed (Access's
  // "Unicode Compression" property, on by default).
  bool unicodeCompression = true;
  // Decimal: digits in all (1 to 28) and after the point.
  int precision = 18;
  int scale = 0;
};

// One index of a new table. The columns are ascending, in the given order.
struct NewIndex {
  std::u16string name;
  std::vector<std::u16string> columns;
  bool primary = false;  // a primary key is always unique and refuses nulls
  bool unique = false;
};

// A new table: its columns, indexes and rows. Each row holds one value per
// column, in column order. Accepted values per column type (engine::Null is
// accepted everywhere except Yes/No):
//   Text, Memo: engine::Text;  Byte, Integer, Long: any integer alternative that fits;
//   Single, Double: float or double;  Currency: engine::Currency;
//   DateTime: engine::DateTime;  YesNo: bool;  OLE, Binary: engine::Bytes;  GUID: engine::Guid;
//   Decimal: engine::Decimal of the column's scale;  DateTimeExtended: engine::DateTimeExtended.
struct NewTable {
  std::u16string name;
  std::vector<NewColumn> columns;
  std::vector<NewIndex> indexes;
  std::vector<std::vector<Value>> rows;
};

struct NewDatabase {
  enum class Format { Jet4, Ace12 };

  Format format = Format::Jet4;
  // Jet 4: the database password (at most 20 characters), a gate only.
  // ACE 12: the encryption password (at most 255 characters). Empty = none.
  std::u16string password;
  // Jet 4 only: RC4-encode every page after the first (no password needed).
  bool encoded = false;
  std::vector<NewTable> tables;
  // The creation time stamp (days since 1899-12-30, as Access stores dates);
  // the current time when absent. It also keys the password mask.
  std::optional<double> creationDate;
};

// Writes `description` as a new database file at `path`.
void createDatabase(const std::filesystem::path& path, const NewDatabase& description);

}  // namespace engine
