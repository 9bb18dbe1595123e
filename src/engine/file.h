#pragma once

// The engine's only door to storage: a file of bytes read and written at
// offsets. Tests swap it for an in-memory file or one that fails on purpose.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace engine {

class File {
 public:
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  virtual ~File() = default;

  // The name used in error messages (the path the user gave).
  virtual const std::string& path() const = 0;
  virtual std::uint64_t size() const = 0;
  // Fills `out` from `offset`; throws Error when the bytes are not there.
  virtual void read(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
  virtual void write(std::uint64_t offset, std::span<const std::uint8_t> data) = 0;
  virtual void sync() = 0;
  // Cuts the file to `size` bytes (undoing appended pages). Files that
  // cannot shrink throw Error.
  virtual void truncate(std::uint64_t size);
};

// Opens a file on disk (`path` in UTF-8). Missing: Error::couldNotFindFile; not writable
// when `writable`: Error::readOnly; held open by a program that lets nobody
// else write (Windows share modes): Error::fileInUse.
std::unique_ptr<File> openDiskFile(const std::string& path, bool writable);

// A file held in memory (fuzzing, synthetic tests).
std::unique_ptr<File> makeMemoryFile(std::vector<std::uint8_t> bytes, std::string name);

}  // namespace engine
