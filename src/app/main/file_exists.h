#pragma once

#include <QString>

namespace Main {

// True exactly when the modification time of the file at `path` can be read.
// Never throws; an empty path gives false.
[[nodiscard]] bool FileExists(const QString& path) noexcept;

}  // namespace Main
