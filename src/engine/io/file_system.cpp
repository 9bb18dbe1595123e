#include "engine/file_system.h"

namespace engine {

// A folder that knows no cheaper test opens the file for writing and closes it.
void FileSystem::requireWritable(const std::string& path) { open(path, true); }

}  // namespace engine
