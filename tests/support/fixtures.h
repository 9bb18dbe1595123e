#pragma once

// Test databases made with the engine's own writer.

#include <filesystem>
#include <string>
#include <string_view>

#include "engine/new_database.h"

namespace testsupport {

// `unit` written `times` times over.
inline std::u16string repeat(std::u16string_view unit, std::size_t times) {
  std::u16string out;
  for (std::size_t i = 0; i < times; ++i) out += unit;
  return out;
}

inline engine::NewColumn textColumn(std::u16string name, int maxLength = 255) {
  return {std::move(name), engine::NewColumn::Type::Text, maxLength};
}

inline engine::NewColumn column(std::u16string name, engine::NewColumn::Type type) {
  return {std::move(name), type, 255};
}

// Table "T": a long "Id" and a text "Name", with the rows (1, "alpha") and
// (2, "beta").
inline engine::NewTable alphaBetaTable() {
  return {u"T",
          {column(u"Id", engine::NewColumn::Type::Long), textColumn(u"Name", 50)},
          {},
          {{std::int32_t{1}, engine::Text(u"alpha")}, {std::int32_t{2}, engine::Text(u"beta")}}};
}

// Writes a Jet 4 .mdb (or an ACE .accdb when the name ends so) with the
// tables. An .accdb with a password is encrypted; `encoded` RC4-encodes an .mdb.
inline std::filesystem::path makeDatabase(const std::filesystem::path& path,
                                          std::vector<engine::NewTable> tables,
                                          std::u16string password = {}, bool encoded = false) {
  engine::NewDatabase db;
  db.format = path.extension() == ".accdb" ? engine::NewDatabase::Format::Ace12
                                           : engine::NewDatabase::Format::Jet4;
  db.password = std::move(password);
  db.encoded = encoded;
  db.tables = std::move(tables);
  engine::createDatabase(path, db);
  return path;
}

}  // namespace testsupport
