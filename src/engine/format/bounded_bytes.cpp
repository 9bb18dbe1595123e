#include "engine/format/bounded_bytes.h"

#include "engine/error.h"

namespace engine {

void BoundedBytes::fail(std::string_view what) const { throw Error::damaged(*path_, page_, what); }

void BoundedBytes::outOfRange(std::size_t offset, std::size_t length) const {
  fail("a field at offset " + std::to_string(offset) + " (" + std::to_string(length) +
       " bytes) lies outside its " + std::to_string(data_.size()) + "-byte structure");
}

}  // namespace engine
