#include "dump_json.h"

#include <QCryptographicHash>
#include <cmath>
#include <cstdio>

#include "ado/field_type.h"
#include "ado/tables_listing.h"
#include "engine/jet_type.h"
#include "engine/utf.h"

namespace dumpjson {

namespace {

QString qs(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

QString formatMoment(std::int64_t days1970, std::int64_t secondsOfDay, const QString& fraction) {
  std::int64_t y;
  unsigned m, d;
  civilFromDays(days1970, y, m, d);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04lld-%02u-%02uT%02lld:%02lld:%02lld", static_cast<long long>(y),
                m, d, static_cast<long long>(secondsOfDay / 3600),
                static_cast<long long>(secondsOfDay / 60 % 60),
                static_cast<long long>(secondsOfDay % 60));
  return QString::fromLatin1(buf) + fraction;
}

QString hex(const std::vector<std::uint8_t>& bytes) {
  return QString::fromLatin1(
      QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()))
          .toHex());
}

QJsonObject binaryToJson(const ado::Bytes& bytes) {
  QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<qsizetype>(bytes.size()));
  QJsonObject object;
  object["length"] = static_cast<qint64>(bytes.size());
  object["sha256"] =
      QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
  if (bytes.size() <= 64) object["hex"] = hex(bytes);
  return object;
}

QString currencyText(std::int64_t tenThousandths) {
  bool negative = tenThousandths < 0;
  unsigned long long magnitude = negative ? 0ull - static_cast<unsigned long long>(tenThousandths)
                                          : static_cast<unsigned long long>(tenThousandths);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s%llu.%04llu", negative ? "-" : "", magnitude / 10000,
                magnitude % 10000);
  return QString::fromLatin1(buf);
}

QString decimalText(const ado::Decimal& d) {
  unsigned __int128 magnitude = (static_cast<unsigned __int128>(d.high) << 64) | d.low;
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  while (digits.size() <= d.scale) digits.insert(digits.begin(), '0');
  if (d.scale > 0) digits.insert(digits.end() - d.scale, '.');
  bool zero = d.high == 0 && d.low == 0;
  return QString::fromLatin1((d.negative && !zero ? "-" : "") + digits);
}

QString guidText(const ado::Guid& g) {
  const auto& b = g.bytes;
  char buf[40];
  std::snprintf(buf, sizeof buf,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                b[14], b[15]);
  return QString::fromLatin1(buf);
}

const char* kindOf(std::int16_t type) {
  switch (type) {
    case 1:
      return "local table";
    case 2:
      return "database";
    case 3:
      return "container";
    case 4:
      return "linked table (ODBC)";
    case 5:
      return "query";
    case 6:
      return "linked table";
    case 8:
      return "relationship";
    case -32768:
      return "form";
    case -32766:
      return "macro";
    case -32764:
      return "report";
    case -32761:
      return "module";
    case -32758:
      return "user/group";
    case -32757:
      return "database document";
    default:
      return "other";
  }
}

const char* queryKindName(int kind) {
  switch (kind) {
    case 0x00:
      return "select";
    case 0x10:
      return "crosstab";
    case 0x20:
      return "delete";
    case 0x30:
      return "update";
    case 0x40:
      return "append";
    case 0x50:
      return "make-table";
    case 0x60:
      return "data-definition";
    case 0x70:
      return "pass-through";
    case 0x80:
      return "union";
    default:
      return "other";
  }
}

}  // namespace

QString dateTimeText(double days) {
  if (!std::isfinite(days)) return QStringLiteral("invalid");
  // Before 1899-12-30 the whole part counts back but the fraction still
  // runs forward from midnight: -1.25 is 1899-12-29 06:00.
  double linear = days;
  if (days < 0) {
    double whole = std::trunc(days);
    linear = whole + std::fabs(days - whole);
  }
  const double kDaysTo1970 = 25569;
  double msDouble = std::round((linear - kDaysTo1970) * 86400.0 * 1000.0);
  if (std::fabs(msDouble) > 9e15) return QStringLiteral("invalid");
  auto ms = static_cast<std::int64_t>(msDouble);
  std::int64_t day = floorDiv(ms, 86400000);
  std::int64_t msOfDay = ms - day * 86400000;
  QString fraction;
  if (msOfDay % 1000 != 0)
    fraction = QStringLiteral(".%1").arg(msOfDay % 1000, 3, 10, QLatin1Char('0'));
  return formatMoment(day, msOfDay / 1000, fraction);
}

QString dateTimeExtendedText(std::int64_t ticks) {
  const std::int64_t kTicksPerDay = 864000000000LL;
  std::int64_t days = floorDiv(ticks, kTicksPerDay);
  std::int64_t rest = ticks - days * kTicksPerDay;
  // 0001-01-01 is 719162 days before 1970-01-01.
  return formatMoment(days - 719162, rest / 10000000,
                      QStringLiteral(".%1").arg(rest % 10000000, 7, 10, QLatin1Char('0')));
}

bool isFloatType(std::uint8_t jetType) {
  return jetType == static_cast<std::uint8_t>(engine::JetType::Single) ||
         jetType == static_cast<std::uint8_t>(engine::JetType::Double);
}

QJsonValue valueToJson(const ado::Value& value, const engine::ColumnDefinition& column) {
  return std::visit(
      [&](const auto& v) -> QJsonValue {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, ado::Empty> || std::is_same_v<T, ado::Null>) {
          return QJsonValue::Null;
        } else if constexpr (std::is_same_v<T, bool>) {
          return v;
        } else if constexpr (std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::int16_t> ||
                             std::is_same_v<T, std::int64_t>) {
          return static_cast<qint64>(v);
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
          if (column.type == static_cast<std::uint8_t>(engine::JetType::Complex)) {
            QJsonObject object;
            object["complex_id"] = static_cast<qint64>(v);
            return object;
          }
          return static_cast<qint64>(v);
        } else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
          return static_cast<double>(v);
        } else if constexpr (std::is_same_v<T, ado::Currency>) {
          return currencyText(v.tenThousandths);
        } else if constexpr (std::is_same_v<T, ado::DateTime>) {
          return dateTimeText(v.days);
        } else if constexpr (std::is_same_v<T, ado::DateTimeExtended>) {
          return dateTimeExtendedText(v.ticks);
        } else if constexpr (std::is_same_v<T, ado::Text>) {
          return qs(v);
        } else if constexpr (std::is_same_v<T, ado::Bytes>) {
          return binaryToJson(v);
        } else if constexpr (std::is_same_v<T, ado::Guid>) {
          return guidText(v);
        } else if constexpr (std::is_same_v<T, ado::Decimal>) {
          return decimalText(v);
        }
      },
      value.storage());
}

QByteArray canonical(const QJsonValue& value, bool floatColumn) {
  switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
      return "null";
    case QJsonValue::Bool:
      return value.toBool() ? "true" : "false";
    case QJsonValue::Double: {
      if (floatColumn) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.17g", value.toDouble());
        return buf;
      }
      return QByteArray::number(value.toInteger(static_cast<qint64>(value.toDouble())));
    }
    case QJsonValue::String: {
      QByteArray out = "\"";
      for (char c : value.toString().toUtf8()) {
        auto u = static_cast<unsigned char>(c);
        if (c == '\\') {
          out += "\\\\";
        } else if (c == '"') {
          out += "\\\"";
        } else if (u < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", u);
          out += buf;
        } else {
          out += c;
        }
      }
      return out + "\"";
    }
    case QJsonValue::Array: {
      QByteArray out = "[";
      bool first = true;
      for (const auto& element : value.toArray()) {
        if (!first) out += ",";
        first = false;
        out += canonical(element, false);
      }
      return out + "]";
    }
    case QJsonValue::Object: {
      const QJsonObject object = value.toObject();
      QStringList keys = object.keys();
      std::sort(keys.begin(), keys.end(),
                [](const QString& a, const QString& b) { return a.toUcs4() < b.toUcs4(); });
      QByteArray out = "{";
      bool first = true;
      for (const auto& key : keys) {
        if (!first) out += ",";
        first = false;
        out += canonical(QJsonValue(key), false) + ":" + canonical(object.value(key), false);
      }
      return out + "}";
    }
  }
  return "null";
}

QByteArray canonicalRow(const QJsonArray& row, const std::vector<bool>& floatColumns) {
  QByteArray out = "[";
  for (qsizetype i = 0; i < row.size(); ++i) {
    if (i) out += ",";
    bool isFloat = static_cast<std::size_t>(i) < floatColumns.size() && floatColumns[i];
    out += canonical(row.at(i), isFloat);
  }
  return out + "]\n";
}

QJsonObject columnToJson(const engine::ColumnDefinition& column) {
  QJsonObject object;
  object["name"] = qs(column.name);
  object["jet_type_code"] = column.type;
  object["type"] =
      QString::fromLatin1(engine::jetTypeName(column.type).data(),
                          static_cast<qsizetype>(engine::jetTypeName(column.type).size()));
  object["size"] = column.length;
  object["ado_type"] = ado::FieldTypeOf(column);
  object["column_number"] = column.number;
  object["flags"] = column.flags;
  if (column.type == static_cast<std::uint8_t>(engine::JetType::Decimal)) {
    object["precision"] = column.precision;
    object["scale"] = column.scale;
  }
  if (column.isAutoNumber()) object["auto_number"] = true;
  if (column.isAutoGuid()) object["auto_guid"] = true;
  if (column.isCalculated()) {
    object["calculated"] = true;
    object["result_type"] = column.resultType;
    if (const auto* expression = column.property(u"Expression");
        expression && expression->value.isText())
      object["calculated_expression"] = qs(expression->value.text());
  }
  if (!column.properties.empty()) {
    QJsonObject properties;
    for (const auto& property : column.properties) {
      engine::ColumnDefinition asColumn;
      asColumn.type = property.type;
      properties[qs(property.name)] = valueToJson(property.value, asColumn);
    }
    object["properties"] = properties;
  }
  return object;
}

QJsonObject catalogueEntryToJson(const engine::CatalogueEntry& entry) {
  QJsonObject object;
  object["name"] = qs(entry.name);
  object["id"] = entry.id;
  object["parent_id"] = entry.parentId;
  object["msysobjects_type"] = entry.type;
  object["flags"] = entry.flags;
  if (entry.hasForeignName) object["foreign_name"] = qs(entry.foreignName);
  if (entry.hasDatabase) object["database"] = qs(entry.database);
  if (entry.hasConnect) object["connect"] = qs(entry.connect);
  object["kind"] = kindOf(entry.type);
  object["is_system"] = entry.isSystem();
  object["is_hidden"] = entry.isHidden();
  object["is_linked"] = entry.isLinked();
  object["is_query"] = entry.isQuery();
  if (entry.isQuery()) object["query_kind"] = queryKindName(entry.queryKind());
  object["is_local_user_table"] =
      entry.type == engine::object_type::kLocalTable && !entry.isSystem() && !entry.isHidden();
  return object;
}

QJsonObject tableToJson(engine::Database& db, const engine::TableDefinition& table,
                        RowOrder order) {
  QJsonObject object;
  object["name"] = qs(table.name);
  QJsonArray columns;
  std::vector<bool> floats;
  for (const auto& column : table.columns) {
    columns.append(columnToJson(column));
    floats.push_back(isFloatType(column.type));
  }
  object["columns"] = columns;
  QJsonArray indexes;
  for (const auto& index : table.indexes) {
    const auto& real = table.realIndexOf(index);
    QJsonObject item;
    item["name"] = qs(index.name);
    item["kind"] = index.isPrimaryKey()   ? "primary key"
                   : index.isForeignKey() ? "foreign key"
                                          : "index";
    item["unique"] = real.isUnique();
    item["ignore_nulls"] = real.ignoresNulls();
    item["root_page"] = static_cast<qint64>(real.rootPage);
    QJsonArray keyColumns;
    for (const auto& column : real.columns) {
      QJsonObject key;
      key["column"] = column.columnPosition >= 0
                          ? QJsonValue(qs(table.columns[column.columnPosition].name))
                          : QJsonValue(column.columnNumber);
      key["order"] = column.ascending ? "ascending" : "descending";
      keyColumns.append(key);
    }
    item["columns"] = keyColumns;
    indexes.append(item);
  }
  object["indexes"] = indexes;
  object["row_count_in_table_definition"] = static_cast<qint64>(table.rowCount);
  std::vector<std::pair<engine::RowId, QJsonArray>> collected;
  auto scan = db.scan(table);
  engine::Row row;
  while (scan->next(row)) {
    QJsonArray values;
    for (std::size_t i = 0; i < row.values.size(); ++i)
      values.append(valueToJson(row.values[i], table.columns[i]));
    collected.emplace_back(row.storedAt, values);
  }
  if (order == RowOrder::Storage)
    std::stable_sort(collected.begin(), collected.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
  QJsonArray rows;
  QCryptographicHash hash(QCryptographicHash::Sha256);
  for (const auto& [where, values] : collected) {
    hash.addData(canonicalRow(values, floats));
    rows.append(values);
  }
  object["row_count"] = rows.size();
  object["rows_sha256"] = QString::fromLatin1(hash.result().toHex());
  object["rows"] = rows;
  return object;
}

QJsonObject databaseToJson(engine::Database& db, RowOrder order) {
  QJsonObject object;
  object["schema"] = "access-corpus-expected/1";
  object["file"] = QString::fromStdString(db.path());
  QJsonObject format;
  format["header_version_byte"] = db.format().versionByte;
  format["name"] = QString::fromStdString(db.format().name());
  format["page_size"] = static_cast<qint64>(db.format().pageSize());
  format["encryption"] = QString::fromUtf8(engine::describe(db.encryption()));
  object["format"] = format;
  std::vector<engine::CatalogueEntry> entries = db.catalogue();
  if (order == RowOrder::Storage)
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.storedAt < b.storedAt; });
  QJsonArray catalogue;
  for (const auto& entry : entries) catalogue.append(catalogueEntryToJson(entry));
  object["catalogue"] = catalogue;
  QJsonArray listing;
  for (const auto& item : ado::TablesListing(db)) {
    QJsonObject row;
    row["TABLE_NAME"] = qs(item.name);
    row["TABLE_TYPE"] = QString::fromStdString(item.type);
    listing.append(row);
  }
  object["tables_listing"] = listing;
  QJsonArray tables;
  for (const auto& entry : entries)
    if (entry.type == engine::object_type::kLocalTable && !entry.isSystem())
      tables.append(tableToJson(db, db.table(entry.name), order));
  object["tables"] = tables;
  return object;
}

}  // namespace dumpjson
