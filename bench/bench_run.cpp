// The case change run's cost per record without the pauses that keep the
// windows live, for 10,000 and 100,000 records.
#include <chrono>
#include <cstdio>

#include "run/change_case_run.h"
#include "support/fake_window.h"
#include "support/fixtures.h"
#include "support/message_recorder.h"
#include "support/shared_dir.h"

namespace {

double secondsPerRecord(int rows) {
  testsupport::TempDir dir;
  engine::NewTable table{u"People", {testsupport::textColumn(u"Name", 40)}, {}, {}};
  for (int i = 0; i < rows; ++i)
    table.rows.push_back(
        {ado::Text(u"mary-jane o'NEIL " + std::u16string(1, char16_t(u'a' + i % 26)))});
  testsupport::FakeBoxes boxes;
  boxes.path = testsupport::makeDatabase(dir.path() / "bench.mdb", {table}).u16string();
  testsupport::FakeWindow window;
  window.tables.add(u"People");
  window.fields.add(u"Name");
  window.caseText = u"Proper Case";
  testsupport::MessageRecorder reports;
  boxes.reports = &reports;
  Run::RunOptions options;
  options.pauses = false;
  const auto start = std::chrono::steady_clock::now();
  testsupport::StartChanging(window, boxes, options);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("  %7d records: %.3f s, %.2f us per record, %zu reports\n", rows, seconds,
              seconds / rows * 1e6, reports.boxes.size());
  return seconds / rows;
}

}  // namespace

int main() {
  std::printf("case change run, Proper Case, no pauses\n");
  const double small = secondsPerRecord(10000);
  const double large = secondsPerRecord(100000);
  std::printf("  cost of 100,000 records / cost of 10,000 records: %.2f (10 is linear)\n",
              large * 100000 / (small * 10000));
}
