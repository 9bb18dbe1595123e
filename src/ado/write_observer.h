#pragma once

// What a connection tells about the records it writes, for those who keep a
// record of the changes (an undo file) or count them (a dry run's report).

#include "ado/error.h"
#include "ado/value.h"
#include "engine/row.h"

namespace ado {

// One record's text value about to change, or changed.
struct TextChange {
  Text table;  // the names as the database spells them
  Text field;
  engine::RowId row;
  Value before;  // the field's value before: text, or null
  Text after;
};

class WriteObserver {
 public:
  WriteObserver() = default;
  WriteObserver(const WriteObserver&) = delete;
  WriteObserver& operator=(const WriteObserver&) = delete;
  virtual ~WriteObserver() = default;

  // Before the record is written; what this throws stops the write.
  virtual void writing(const TextChange&) {}
  // After the record was written, or was not because of `error`.
  virtual void written(const TextChange&) {}
  virtual void refused(const TextChange&, const Error&) {}
  // A record written earlier whose change a failed commit undid, with the
  // error that undid it: the file holds its old value again.
  virtual void undone(const Text& /*table*/, const Text& /*field*/, engine::RowId /*row*/,
                      const Error&) {}
  // Before the changes so far reach the file: a record of them must be
  // durable when this returns. What it throws undoes those changes.
  virtual void committing() {}
};

}  // namespace ado
