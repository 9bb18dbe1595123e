#pragma once

// The undo files of the runs started from the window, in one folder (the
// user's data folder): each named after the database, a short digest of its
// full path (two databases of one name stay apart) and the time of the run,
// "Customers.accdb-1a2b3c4d-20240501T093000.123Z.undo". The newest ten of
// each database are kept, none older than thirty days.

#include <QDateTime>
#include <QString>
#include <memory>
#include <optional>

#include "db/window_lists.h"
#include "run/put_back.h"
#include "run/undo_file.h"

namespace Run {

class UndoStore {
 public:
  static constexpr int kKeptPerDatabase = 10;
  static constexpr int kKeptDays = 30;

  explicit UndoStore(QString folder) : folder_(std::move(folder)) {}
  // <the user's data folder>/Undo
  static QString DefaultFolder();

  const QString& folder() const { return folder_; }
  // Where the undo file of a run on `database` started at `now` goes; the
  // folder is made if need be.
  QString newFile(const QString& database, const QDateTime& now) const;
  // The undo file of the last run on `database`, if there is one.
  [[nodiscard]] std::optional<QString> lastRunOf(const QString& database) const;
  // Removes files older than kKeptDays and all but the newest
  // kKeptPerDatabase of each database.
  void prune(const QDateTime& now) const;

  // Makes the undo file of a run about to start on `database` (see
  // UndoFileWriter).
  std::unique_ptr<UndoFileWriter> startRun(const QString& database, const QString& caseName,
                                           const QDateTime& now) const;

 private:
  QString folder_;
};

struct UndoneRun {
  QString undoFile;
  PutBackReport report;
};

// Puts back the values of the last run on the database the boxes name;
// nothing when no run left an undo file. The undo file is removed once
// every value it holds has been put back or was changed since, so the next
// undo takes back the run before.
[[nodiscard]] std::optional<UndoneRun> UndoLastRun(const UndoStore& store,
                                                   const Access::DatabaseWindow& boxes);

}  // namespace Run
