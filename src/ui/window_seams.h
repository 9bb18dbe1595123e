#pragma once

// What the program's top level hands the windows: the seams that tests
// replace. They belong to the top level and outlive the windows.

namespace ado {
class Factory;
}
namespace Main {
class MessageBoxSeam;
class Program;
}  // namespace Main
namespace Controls {
class FileDialogSeam;
}

struct WindowSeams {
  // Makes the connection and record-set objects of every database operation.
  const ado::Factory& adoFactory;
  // Shows every message box and error report.
  Main::MessageBoxSeam& messageBoxes;
  // Asks for the database file ("...").
  Controls::FileDialogSeam& fileDialog;
  // The folder the optional files are looked for in, and the program's end.
  Main::Program& program;
};
