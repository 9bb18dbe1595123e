#pragma once

#include "engine/base/internal.h"

// For the POSIX disk file system: a File over a descriptor it opened itself.

#include <memory>
#include <string>

#include "engine/file.h"

namespace engine {

// Takes ownership of the open descriptor `descriptor` of `path`.
std::unique_ptr<File> adoptDiskFile(std::string path, int descriptor);

}  // namespace engine
