#include "db/null_to_default.h"

namespace Access {

ado::Value NullToDefault(const ado::Value& value, const ado::Value& fallback) {
  return value.isNull() ? fallback : value;
}

}  // namespace Access
