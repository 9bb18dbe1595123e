#pragma once

// The program's start-up: the load step of the database selection window.

#include <QString>
#include <functional>

class Form1;

namespace Main {

enum class StartUpOutcome {
  ShowForm1,     // the database selection window is to be shown
  HandedOver,    // "Next >" ran by itself and the change-case window is shown
  ProgramEnded,  // the database engine is missing: the program ends
};

// Opens one of the engine's download pages; the program uses the desktop's
// web browser.
using OpenPage = std::function<void(const QString& url)>;
void OpenPageInBrowser(const QString& url);

// Form_Load of the database selection window: skin, caption, icon and
// application title, the hand pointer, the remembered path and password,
// the probe of the database engine, and "Next >" when the remembered file
// exists. Each step's failure is reported with its label and the next step
// follows.
StartUpOutcome Form_Load(Form1& form1, const OpenPage& openPage = OpenPageInBrowser);

// Loads the window and shows it unless start-up handed over or ended.
StartUpOutcome StartProgram(Form1& form1, const OpenPage& openPage = OpenPageInBrowser);

}  // namespace Main
