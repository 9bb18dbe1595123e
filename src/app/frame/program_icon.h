#pragma once

#include <QIcon>

namespace Main {

// The program's own icon, the "Aa" mark, in 32, 48, 128 and 256 pixels.
QIcon ProgramIcon();

}  // namespace Main
