#include "db/access.h"

#include "ado/constants.h"
#include "ado/factory.h"
#include "app/main/file_exists.h"
#include "app/main/trap.h"

namespace Access {
namespace {

constexpr std::u16string_view kAcePrefix = u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=";
constexpr std::u16string_view kJetPrefix = u"PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=";
constexpr std::u16string_view kPasswordKey = u";JET OLEDB:Database Password=";

bool endsInAccdb(const std::u16string& path) {
  const std::u16string tail = path.size() < 5 ? path : path.substr(path.size() - 5);
  std::u16string lowered;
  for (char16_t c : tail) lowered.push_back(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c);
  return lowered == u"accdb";
}

std::u16string quotedName(const std::u16string& name) { return u"`" + name + u"`"; }

std::u16string selectedText(const ListControl& list, const char* name) {
  auto text = list.selectedItemText();
  if (!text) throw ado::Error::noSelectedItem(name);
  return *text;
}

std::unique_ptr<ado::Connection> openReadWrite(const DatabaseWindow& boxes) {
  auto connection = boxes.adoFactory().CreateConnection("ADODB.Connection");
  connection->SetMode(ado::adModeReadWrite);
  connection->Open(AccessConnectionString(boxes));
  return connection;
}

// Sets the hourglass for the life of a handler and restores the default
// pointer however the handler ends.
class HourglassPointer {
 public:
  explicit HourglassPointer(ChangeCaseLists& window) : window_(window) {
    window_.setPointer(kPointerHourglass);
  }
  ~HourglassPointer() { window_.setPointer(kPointerDefault); }
  HourglassPointer(const HourglassPointer&) = delete;
  HourglassPointer& operator=(const HourglassPointer&) = delete;

 private:
  ChangeCaseLists& window_;
};

}  // namespace

std::u16string AccessConnectionString(const DatabaseWindow& boxes) {
  const std::u16string path = boxes.databasePath();
  std::u16string result(endsInAccdb(path) ? kAcePrefix : kJetPrefix);
  result += path;
  result += kPasswordKey;
  result += boxes.password();
  return result;
}

std::optional<std::vector<std::u16string>> GetAccessTables(const std::u16string& path,
                                                           const DatabaseWindow& boxes) {
  auto connection = boxes.adoFactory().CreateConnection("ADODB.Connection");
  auto recordset = boxes.adoFactory().CreateRecordset("ADODB.RecordSet");
  if (!Main::FileExists(QString::fromStdU16String(path))) return std::nullopt;
  connection->Open(AccessConnectionString(boxes));
  recordset = connection->OpenSchema(ado::adSchemaTables);
  std::vector<std::u16string> tables;
  while (!recordset->Eof()) {
    const ado::Value& type = recordset->ValueOf(u"TABLE_TYPE");
    if (type.isText() && type.text() == u"TABLE")
      tables.push_back(recordset->ValueOf(u"TABLE_NAME").text());
    recordset->MoveNext();
  }
  recordset->Close();
  connection->Close();
  return tables;
}

void AddTablesToAccessListbox(const DatabaseWindow& boxes,
                              const std::function<ChangeCaseLists&()>& changeCaseWindow) {
  Main::Trap trap("in Casewick2021/08/31.Access.AddTablesToAccessListbox ", boxes.messageBoxes());
  std::optional<std::vector<std::u16string>> tables;
  trap(100, [&] { tables.emplace(); });
  trap(102, [&] { tables = GetAccessTables(boxes.databasePath(), boxes); });
  if (trap.when(104, [&] { return !tables.has_value(); })) {
    trap(106, [&] { tables.reset(); });
    return;
  }
  trap(108, [&] { changeCaseWindow().tableList().clear(); });
  trap(110, [&] { changeCaseWindow().fieldList().clear(); });
  trap(112, [&] { changeCaseWindow().previewList().clear(); });
  // Labels 114 and 118 are the loop's head and foot; 116 adds one name.
  if (tables)
    for (const std::u16string& name : *tables)
      trap(116, [&] { changeCaseWindow().tableList().add(name); });
  trap(120, [&] { ListView1_Click(changeCaseWindow(), boxes); });
  trap(122, [&] { tables.reset(); });
}

void ListView1_Click(ChangeCaseLists& window, const DatabaseWindow& boxes) {
  auto connection = boxes.adoFactory().CreateConnection("ADODB.Connection");
  auto recordset = boxes.adoFactory().CreateRecordset("ADODB.RecordSet");
  {
    HourglassPointer hourglass(window);
    connection = openReadWrite(boxes);
    const std::u16string table = selectedText(window.tableList(), "table list");
    recordset->Open(u"SELECT * FROM " + quotedName(table), *connection, ado::adOpenStatic,
                    ado::adLockOptimistic);
    window.fieldList().clear();
    window.previewList().clear();
    const int last = recordset->FieldCount() - 1;
    for (int i = 0; i <= last; ++i) {
      window.serveEvents();
      window.fieldList().add(recordset->FieldAt(i).Name());
    }
  }
  if (window.fieldList().count() > 0) ListView2_Click(window, boxes);
}

void ListView2_Click(ChangeCaseLists& window, const DatabaseWindow& boxes) {
  auto connection = boxes.adoFactory().CreateConnection("ADODB.Connection");
  auto recordset = boxes.adoFactory().CreateRecordset("ADODB.RecordSet");
  HourglassPointer hourglass(window);
  connection = openReadWrite(boxes);
  recordset->SetCursorLocation(ado::adUseClient);
  const std::u16string field = selectedText(window.fieldList(), "field list");
  const std::u16string table = selectedText(window.tableList(), "table list");
  recordset->Open(u"SELECT " + quotedName(field) + u" FROM " + quotedName(table), *connection,
                  ado::adOpenStatic, ado::adLockReadOnly);
  window.previewList().clear();
  window.serveEvents();
  // The header promises the first 100 records; show exactly that many.
  for (int shown = 0; shown < kPreviewRecords && !recordset->Eof(); ++shown) {
    window.serveEvents();
    window.previewList().add(ValueText(NullToDefault(recordset->ValueAt(0), ado::Text())));
    recordset->MoveNext();
  }
  recordset->Close();
  connection->Close();
}

}  // namespace Access
