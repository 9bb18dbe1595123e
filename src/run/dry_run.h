#pragma once

// "Preview Changes": the change-case run on a copy of the database in
// memory. The run walks, filters, converts and writes as a real one, so
// unique collisions and values too long are refused as they would be, but
// the file, its times and its lock file stay exactly as they are.

#include <QStringList>

#include "run/change_case_run.h"
#include "run/change_report.h"

namespace Run {

// Runs `request` without its pauses, telling `report`; the view's progress
// bar moves, its preview is left as it is. Returns what the run would have
// reported in message boxes, one text each.
QStringList DryRun(ChangeCaseRequest request, RunView& view, const Access::DatabaseWindow& boxes,
                   ChangeReport& report);

}  // namespace Run
