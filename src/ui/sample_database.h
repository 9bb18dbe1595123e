#pragma once

#include <QString>

namespace Controls {

// The path of the sample database offered by the database selection window:
// the program folder followed by "/Samples/sample.mdb" (the platform's
// separators). When that file exists but may not be written (an installed
// program folder), it is first copied, once, to the user's data folder, and
// the copy's path is answered instead; a copy made earlier is kept as it is.
// Throws std::runtime_error when the copy cannot be made.
QString SampleDatabasePath();

}  // namespace Controls
