#pragma once

// Sets the first row's text column 1 of table T and commits: what the lock and
// disk tests try as a writer would.

#include <optional>
#include <string>

#include "engine/database.h"
#include "engine/error.h"

namespace enginetest {

// The error's kind when the change is refused; nothing when it is committed.
inline std::optional<engine::ErrorKind> tryFirstRowUpdate(engine::Database& db,
                                                          const std::u16string& value) {
  try {
    const auto& table = db.table(u"T");
    auto scan = db.scan(table);
    engine::Row row;
    scan->next(row);
    db.updateText(table, row.id, 1, value);
    db.commit();
  } catch (const engine::Error& e) {
    return e.kind();
  }
  return std::nullopt;
}

}  // namespace enginetest
