// The cost of UPDATE statements by table size: a thousand UPDATEs on a
// 1,000-row table and on a 100,000-row table should cost about the same.
#include <chrono>
#include <cstdio>

#include "ado/connection.h"
#include "ado/constants.h"
#include "ado/factory.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

std::u16string nameOf(int i) {
  std::u16string digits =
      u"00000" + std::u16string(std::to_string(i).begin(), std::to_string(i).end());
  return u"name" + digits.substr(digits.size() - 6);
}

void measure(int rows) {
  testsupport::TempDir dir;
  engine::NewTable table{u"People", {testsupport::textColumn(u"Name", 20)}, {}, {}};
  for (int i = 0; i < rows; ++i) table.rows.push_back({ado::Text(nameOf(i))});
  const auto path = testsupport::makeDatabase(dir.path() / "bench.mdb", {table});

  auto connection = ado::Factory().CreateConnection();
  connection->SetMode(ado::adModeReadWrite);
  connection->Open(u"PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + path.u16string() +
                   u";JET OLEDB:Database Password=");
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  double first = 0;
  constexpr int kUpdates = 1000;
  for (int i = 0; i < kUpdates; ++i) {
    const int row = static_cast<int>((static_cast<long long>(i) * 7919) % rows);
    std::u16string upper = nameOf(row);
    upper[0] = u'N';
    connection->Execute(u"update [People] set [Name]='" + upper + u"' where [Name]='" +
                        nameOf(row) + u"'");
    if (i == 0) first = std::chrono::duration<double>(Clock::now() - start).count();
  }
  const double updates = std::chrono::duration<double>(Clock::now() - start).count();
  connection->Close();
  const double total = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf(
      "  %7d rows: %d UPDATEs in %.1f ms: the first (which builds the lookup) %.1f ms, the "
      "others %.1f us each; closing (commit) %.1f ms\n",
      rows, kUpdates, updates * 1e3, first * 1e3, (updates - first) / (kUpdates - 1) * 1e6,
      (total - updates) * 1e3);
}

}  // namespace

int main() {
  std::printf("UPDATE cost by table size\n");
  measure(1000);
  measure(100000);
}
