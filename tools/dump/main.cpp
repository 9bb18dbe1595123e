// caseloom-dump FILE [--password P] [--storage-order] [--table NAME]: the
// catalogue and every user table of an Access database as JSON on standard
// output, in the form of the corpus' expected files. --storage-order lists
// rows in the order of their stored bytes (as the expected files do) instead
// of scan order; --table prints only that table (system tables too).
// Errors go to standard error with exit status 1.

#include <QJsonDocument>
#include <cstdio>
#include <string>

#include "ado/error.h"
#include "dump_json.h"
#include "engine/utf.h"

int main(int argc, char** argv) {
  std::string path;
  engine::OpenOptions options;
  auto order = dumpjson::RowOrder::Scan;
  std::string table;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--password" && i + 1 < argc) {
      options.password = engine::fromUtf8(argv[++i]);
    } else if (arg == "--table" && i + 1 < argc) {
      table = argv[++i];
    } else if (arg == "--storage-order") {
      order = dumpjson::RowOrder::Storage;
    } else if (path.empty() && arg.rfind("--", 0) != 0) {
      path = arg;
    } else {
      path.clear();
      break;
    }
  }
  if (path.empty()) {
    std::fprintf(stderr,
                 "usage: caseloom-dump FILE [--password P] [--storage-order] [--table NAME]\n");
    return 2;
  }
  try {
    auto db = engine::Database::open(path, options);
    QJsonDocument doc(table.empty()
                          ? dumpjson::databaseToJson(*db, order)
                          : dumpjson::tableToJson(*db, db->table(engine::fromUtf8(table)), order));
    QByteArray text = doc.toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
    return 0;
  } catch (const engine::Error& e) {
    const ado::Error reported = ado::Error::fromEngine(e);
    std::fprintf(stderr, "caseloom-dump: error %d: %s\n", reported.number(),
                 reported.description().c_str());
    return 1;
  }
}
