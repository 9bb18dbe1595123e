#pragma once

#include "engine/base/internal.h"

// The engine names files with UTF-8 strings on every system. These convert
// between them and std::filesystem paths without passing through the
// local 8-bit code page (which std::filesystem uses for plain strings on
// Windows).

#include <filesystem>
#include <string>

namespace engine {

std::filesystem::path pathFromUtf8(const std::string& utf8);
std::string utf8Of(const std::filesystem::path& path);

}  // namespace engine
