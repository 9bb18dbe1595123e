#include "run/undo_file.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <limits>

#include "engine/utf.h"

namespace Run {
namespace {

// How every header line begins, so that a header cut short is known.
const QByteArray kHeaderStart = R"({"format":"caseloom-undo")";

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// A JSON string holding exactly `text`: unpaired surrogates, which UTF-8
// cannot carry, and control characters as \u escapes.
void appendString(QByteArray& out, std::u16string_view text) {
  out += '"';
  std::size_t plain = 0;  // where the units not yet written begin
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
      ++i;
      continue;
    }
    const bool quoted = unit == u'"' || unit == u'\\';
    if (!quoted && unit >= 0x20 && !isHighSurrogate(unit) && !isLowSurrogate(unit)) continue;
    out += QByteArray::fromStdString(engine::toUtf8(text.substr(plain, i - plain)));
    if (quoted)
      out += QByteArray("\\") + static_cast<char>(unit);
    else
      out +=
          QByteArray("\\u") + QByteArray::number(static_cast<int>(unit), 16).rightJustified(4, '0');
    plain = i + 1;
  }
  out += QByteArray::fromStdString(engine::toUtf8(text.substr(plain)));
  out += '"';
}

void appendMember(QByteArray& out, const char* name, std::u16string_view text) {
  out += out.endsWith('{') ? "\"" : ",\"";
  out += name;
  out += "\":";
  appendString(out, text);
}

void appendMember(QByteArray& out, const char* name, std::int64_t number) {
  out += ",\"";
  out += name;
  out += "\":";
  out += QByteArray::number(number);
}

QByteArray headerLine(const UndoHeader& header) {
  QByteArray line = kHeaderStart;
  appendMember(line, "version", kUndoFileVersion);
  appendMember(line, "database", header.database);
  appendMember(line, "case", header.caseName);
  appendMember(line, "created", header.created);
  return line + "}\n";
}

QByteArray entryLine(const ado::TextChange& change) {
  QByteArray line = "{";
  appendMember(line, "table", change.table);
  appendMember(line, "field", change.field);
  appendMember(line, "page", change.row.page);
  appendMember(line, "row", change.row.slot);
  if (change.before.isText())
    appendMember(line, "old", change.before.text());
  else
    line += ",\"old\":null";
  appendMember(line, "new", change.after);
  return line + "}\n";
}

std::u16string textOf(const QJsonValue& value) { return value.toString().toStdU16String(); }

UndoHeader readHeader(const QJsonObject& line, const std::string& path) {
  if (line["format"].toString() != QLatin1String("caseloom-undo"))
    throw UndoFileError::notUndoFile(path);
  const QJsonValue version = line["version"];
  if (!version.isDouble() || version.toDouble() < 1) throw UndoFileError::noVersion(path);
  if (version.toDouble() > kUndoFileVersion)
    throw UndoFileError::newerVersion(path, version.toDouble());
  return {textOf(line["database"]), textOf(line["case"]), textOf(line["created"])};
}

bool isWhole(const QJsonValue& value, double max) {
  const double number = value.toDouble(-1);
  return value.isDouble() && number >= 0 && number <= max &&
         number == static_cast<double>(static_cast<std::int64_t>(number));
}

UndoEntry readEntry(const QJsonObject& line, const std::string& path, int number) {
  const QJsonValue old = line["old"];
  if (!line["table"].isString() || !line["field"].isString() || !line["new"].isString() ||
      !(old.isString() || old.isNull()) ||
      !isWhole(line["page"], std::numeric_limits<std::uint32_t>::max()) ||
      !isWhole(line["row"], std::numeric_limits<std::uint8_t>::max()))
    throw UndoFileError::damaged(path, number, true);
  UndoEntry entry;
  entry.table = textOf(line["table"]);
  entry.field = textOf(line["field"]);
  entry.row.page = static_cast<std::uint32_t>(line["page"].toDouble());
  entry.row.slot = static_cast<std::uint8_t>(line["row"].toDouble());
  if (old.isString()) entry.oldText = textOf(old);
  entry.newText = textOf(line["new"]);
  return entry;
}

}  // namespace

UndoFileError::UndoFileError(Kind kind, const std::string& path, const std::string& problem)
    : std::runtime_error("The undo file '" + path + "' " + problem + "."), kind_(kind) {}

UndoFileError UndoFileError::exists(const std::string& path) {
  return {Kind::Exists, path, "exists already; an undo file is never replaced"};
}

UndoFileError UndoFileError::notUndoFile(const std::string& path) {
  return {Kind::NotUndoFile, path, "is not a Caseloom undo file"};
}

UndoFileError UndoFileError::noVersion(const std::string& path) {
  return {Kind::NoVersion, path, "has no valid version"};
}

UndoFileError UndoFileError::newerVersion(const std::string& path, double version) {
  return {Kind::NewerVersion, path,
          "was written by a newer Caseloom (file version " +
              QString::number(version).toStdString() + "); this one reads version " +
              std::to_string(kUndoFileVersion)};
}

UndoFileError UndoFileError::damaged(const std::string& path, int line, bool isJson) {
  return {Kind::Damaged, path,
          "is damaged: line " + std::to_string(line) +
              (isJson ? " does not describe a change" : " is not JSON")};
}

UndoFileWriter::UndoFileWriter(engine::FileSystem& fileSystem, const std::string& path,
                               const UndoHeader& header)
    : path_(path) {
  // An existing file may be the only way back from an earlier run.
  if (fileSystem.exists(path)) throw UndoFileError::exists(path);
  // It holds the database's old text: it is open to whoever may read the
  // database, and to nobody else.
  file_ = fileSystem.create(path, engine::toUtf8(header.database));
  pending_ = headerLine(header);
  writePending();
}

void UndoFileWriter::writing(const ado::TextChange& change) {
  pending_ += entryLine(change);
  ++entries_;
}

void UndoFileWriter::committing() { writePending(); }

void UndoFileWriter::writePending() {
  if (pending_.isEmpty()) return;
  file_->write(end_, std::span(reinterpret_cast<const std::uint8_t*>(pending_.constData()),
                               static_cast<std::size_t>(pending_.size())));
  file_->sync();
  end_ += static_cast<std::uint64_t>(pending_.size());
  pending_.clear();
}

UndoFile ReadUndoFile(engine::FileSystem& fileSystem, const std::string& path) {
  QByteArray bytes;
  {
    std::unique_ptr<engine::File> file = fileSystem.open(path, false);
    bytes.resize(static_cast<qsizetype>(file->size()));
    file->read(0, std::span(reinterpret_cast<std::uint8_t*>(bytes.data()),
                            static_cast<std::size_t>(bytes.size())));
  }
  // A crash may leave zeros where the last write did not finish.
  while (!bytes.isEmpty() && bytes.back() == '\0') bytes.chop(1);

  UndoFile undo;
  bool headerRead = false;
  int number = 0;
  for (qsizetype start = 0; start < bytes.size();) {
    qsizetype end = bytes.indexOf('\n', start);
    const bool last = end < 0 || end + 1 == bytes.size();
    if (end < 0) end = bytes.size();
    const QByteArray line = bytes.mid(start, end - start);
    start = end + 1;
    ++number;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
      const bool cutHeader =
          !headerRead && (kHeaderStart.startsWith(line) || line.startsWith(kHeaderStart));
      if (last && (headerRead || cutHeader)) {
        undo.cutShort = true;
        break;
      }
      if (!headerRead) throw UndoFileError::notUndoFile(path);
      throw UndoFileError::damaged(path, number, false);
    }
    if (!headerRead) {
      undo.header = readHeader(document.object(), path);
      headerRead = true;
    } else {
      undo.entries.push_back(readEntry(document.object(), path, number));
    }
  }
  // Nothing at all: the file was made but its header never reached the disk.
  if (!headerRead) undo.cutShort = true;
  return undo;
}

}  // namespace Run
