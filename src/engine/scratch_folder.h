#pragma once

// A folder that reads through to a real one and keeps every change in
// memory: a file opened for writing reads its bytes from the real file,
// opened for reading only, and keeps what is written over them; new files,
// removals and lock files never reach the real folder. A database changed
// here shows what a real change would do while the real files, their times
// and their lock files stay untouched.
//
// The real folder still decides what may be opened for writing (its
// read-only marks hold here too) and whether another writer holds a file.

#include <memory>

#include "engine/file_system.h"

namespace engine {

// `real` must outlive the scratch folder.
std::unique_ptr<FileSystem> makeScratchFolder(FileSystem& real);

}  // namespace engine
