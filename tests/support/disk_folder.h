#pragma once

// The real disk behind a FileSystem of a test's or benchmark's own: derive
// from it and override only the calls to watch.

#include <memory>
#include <string>

#include "engine/file_system.h"

namespace testsupport {

class DiskFolder : public engine::FileSystem {
 public:
  std::unique_ptr<engine::File> open(const std::string& p, bool w) override {
    return disk().open(p, w);
  }
  std::unique_ptr<engine::File> create(const std::string& p, const std::string& like) override {
    return disk().create(p, like);
  }
  engine::EntryType entryType(const std::string& p) override { return disk().entryType(p); }
  void remove(const std::string& p) override { disk().remove(p); }
  void syncFolder(const std::string& p) override { disk().syncFolder(p); }
  std::string realPath(const std::string& p) override { return disk().realPath(p); }
  void replace(const std::string& from, const std::string& to) override {
    disk().replace(from, to);
  }
  std::unique_ptr<engine::FileLock> tryLock(const std::string& p) override {
    return disk().tryLock(p);
  }
  bool lockedByOthers(const std::string& p) override { return disk().lockedByOthers(p); }
  std::string computerName() override { return disk().computerName(); }

 protected:
  static engine::FileSystem& disk() { return engine::diskFileSystem(); }
};

}  // namespace testsupport
