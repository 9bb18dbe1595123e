#pragma once

#include <QString>
#include <functional>

namespace Main {
class Program;
}

namespace Controls {

// The path of the sample database offered by the database selection window:
// the program folder followed by "/Samples/sample.mdb" (the platform's
// separators). When that file exists but may not be written (an installed
// program folder), it is first copied, once, to the user's data folder, and
// the copy's path is answered instead; a copy made earlier is kept as it is.
// Throws std::runtime_error when the copy cannot be made. `writable` tells
// whether the user may write a file (tests stand in for a read-only folder).
using WritableTest = std::function<bool(const QString& path)>;
[[nodiscard]] bool IsWritableFile(const QString& path);
QString SampleDatabasePath(const Main::Program& program,
                           const WritableTest& writable = IsWritableFile);

}  // namespace Controls
