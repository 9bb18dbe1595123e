#pragma once

#include "engine/base/internal.h"

// The reason a description cannot be written, raised deep inside the creator
// and turned into an Error naming the file by createDatabase().

#include <stdexcept>
#include <string>

namespace engine::create {

class Refusal : public std::runtime_error {
 public:
  explicit Refusal(const std::string& reason) : std::runtime_error(reason) {}
};

}  // namespace engine::create
