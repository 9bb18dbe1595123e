#pragma once

// Creating ADO objects by ProgID. The program's top level owns the factory
// and hands it to whatever opens databases; tests hand in one of their own
// that stands in for a missing component, a refused statement or a failing
// disk.

#include <memory>
#include <string_view>

#include "ado/connection.h"
#include "ado/recordset.h"

namespace ado {

class Factory {
 public:
  virtual ~Factory() = default;

  // "ADODB.Connection" and "ADODB.RecordSet", compared without regard to
  // case. Any other ProgID fails with number 429.
  std::unique_ptr<Connection> CreateConnection(std::string_view progId = "ADODB.Connection") const;
  std::unique_ptr<Recordset> CreateRecordset(std::string_view progId = "ADODB.RecordSet") const;

 protected:
  // The objects behind a known ProgID.
  virtual std::unique_ptr<Connection> NewConnection() const;
  virtual std::unique_ptr<Recordset> NewRecordset() const;
};

}  // namespace ado
