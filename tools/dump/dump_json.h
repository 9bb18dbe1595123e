#pragma once

// Engine values and structures as JSON in the form of the corpus' expected
// files (/work/shared/corpus/README.md "Expected JSON"), and the canonical
// row serialisation behind their `rows_sha256`.

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include "ado/value.h"
#include "engine/database.h"

namespace dumpjson {

// One value of `column` in the expected files' value forms.
QJsonValue valueToJson(const ado::Value& value, const engine::ColumnDefinition& column);

// Date/time texts: "YYYY-MM-DDTHH:MM:SS" plus ".mmm" when the milliseconds
// are not 0 (days before 1899-12-30 keep a positive time of day), and the
// 7-digit-fraction form of Date/Time Extended.
QString dateTimeText(double days);
QString dateTimeExtendedText(std::int64_t ticks);

// The canonical text of one value; `floatColumn` for Single/Double columns.
QByteArray canonical(const QJsonValue& value, bool floatColumn);
// The canonical line of a row: "[" values "]" "\n".
QByteArray canonicalRow(const QJsonArray& row, const std::vector<bool>& floatColumns);
bool isFloatType(std::uint8_t jetType);

// Column description: name, jet_type_code, type, size and flags.
QJsonObject columnToJson(const engine::ColumnDefinition& column);
QJsonObject catalogueEntryToJson(const engine::CatalogueEntry& entry);
// Row order of a dump: the engine's scan order (header slots), or the order
// of the rows' stored bytes, which puts overflowed rows where their bytes
// are (the order the corpus' expected files list them in).
enum class RowOrder { Scan, Storage };

// A table with its columns, rows, row_count and rows_sha256.
QJsonObject tableToJson(engine::Database& db, const engine::TableDefinition& table,
                        RowOrder order = RowOrder::Scan);
// The whole file: format, catalogue, user tables.
QJsonObject databaseToJson(engine::Database& db, RowOrder order = RowOrder::Scan);

}  // namespace dumpjson
