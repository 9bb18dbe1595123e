#pragma once

// Module Access: the connection string, the table catalogue, the field list
// and the preview.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "db/null_to_default.h"
#include "db/window_lists.h"

namespace Access {

inline constexpr int kPreviewRecords = 100;

// "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" for paths ending in accdb
// (any case), else "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=", then the
// path, ";JET OLEDB:Database Password=" and the password, as typed.
std::u16string AccessConnectionString(const DatabaseWindow& boxes);

// The user tables of the database, in catalogue order; no list when no file
// exists at `path`. Failures to open are thrown.
[[nodiscard]] std::optional<std::vector<std::u16string>> GetAccessTables(
    const std::u16string& path, const DatabaseWindow& boxes);

// Empties the three lists, fills the table list and lists the first table's
// fields. Reports its own failures. `changeCaseWindow` yields the window,
// loading it on first use.
void AddTablesToAccessListbox(const DatabaseWindow& boxes,
                              const std::function<ChangeCaseLists&()>& changeCaseWindow);

// The table list's click: the selected table's fields into the field list,
// then the preview of the first field. Failures are thrown.
void ListView1_Click(ChangeCaseLists& window, const DatabaseWindow& boxes);

// The field list's click: the first 100 values of the selected field.
// Failures are thrown.
void ListView2_Click(ChangeCaseLists& window, const DatabaseWindow& boxes);

// The text form of a value in the preview and in statements: text as
// stored, numbers in the user's locale, dates as the locale's short date (and
// time when not midnight), GUIDs in braces, binary as a byte count.
std::u16string ValueText(const ado::Value& value);

}  // namespace Access
