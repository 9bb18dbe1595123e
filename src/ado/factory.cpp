#include "ado/factory.h"

#include "ado/error.h"

namespace ado {
namespace {

bool sameProgId(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<Connection> Factory::CreateConnection(std::string_view progId) const {
  if (!sameProgId(progId, "ADODB.Connection")) throw Error::cannotCreateObject();
  return NewConnection();
}

std::unique_ptr<Recordset> Factory::CreateRecordset(std::string_view progId) const {
  if (!sameProgId(progId, "ADODB.RecordSet")) throw Error::cannotCreateObject();
  return NewRecordset();
}

std::unique_ptr<Connection> Factory::NewConnection() const {
  return std::make_unique<Connection>();
}

std::unique_ptr<Recordset> Factory::NewRecordset() const { return std::make_unique<Recordset>(); }

}  // namespace ado
