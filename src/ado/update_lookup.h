#pragma once

namespace ado {

// Finds the records an UPDATE's WHERE clause names without scanning the
// table, kept in step with the connection's own writes.
class UpdateLookup {
 public:
  virtual ~UpdateLookup() = default;
};

}  // namespace ado
