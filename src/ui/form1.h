#pragma once

// The database selection window: the database path and password, the browse
// and sample buttons, and "Next >", which opens the database and goes on to
// the change-case window. Its two boxes are the program's only record of the
// current path and password; every change is written to the settings store.
// Its load step (the program's start-up) lives in module Main.

#include <QWidget>
#include <memory>

#include "app/frame/mouse_pointer.h"
#include "app/frame/skin_framework.h"
#include "db/window_lists.h"
#include "ui/common_dialog.h"
#include "ui/window_seams.h"

namespace Ui {
class Form1;
}
namespace Main {
class SettingsStore;
}
namespace Controls {
class PushButton;
class TextBox;
}  // namespace Controls
class QGroupBox;
class QLabel;
class Form2;

class Form1 final : public QWidget, public Access::DatabaseWindow {
  Q_OBJECT
 public:
  static inline const QString kSelectDatabaseTitle = QStringLiteral("Select Access Database");
  static inline const QString kDatabaseFilter = QStringLiteral(
      "All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database (*.mdb)|*.mdb|"
      "Microsoft 2007 Database (*.accdb)|*.accdb|");
  static constexpr int kDialogFlags = 0x280001;

  Form1(Main::SettingsStore& settings, const WindowSeams& seams);
  ~Form1() override;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Access::DatabaseWindow: Text1 and Text2 as they stand, and the seams
  // the program gave the window.
  std::u16string databasePath() const override;
  std::u16string password() const override;
  const ado::Factory& adoFactory() const override { return seams_.adoFactory; }
  Main::MessageBoxSeam& messageBoxes() const override { return seams_.messageBoxes; }

  // "..."
  void PushButton1_Click();
  // "Next >"; start-up also calls it.
  void PushButton2_Click();
  // "Load Sample/Example Database"
  void PushButton3_Click();
  void Text1_Change();
  void Text2_Change();
  void Text1_GotFocus();
  void Text2_GotFocus();
  void Form_MouseMove();
  void Frame1_MouseMove();
  void Text1_MouseMove();
  void Text2_MouseMove();
  void PushButton1_MouseMove();
  void PushButton2_MouseMove();
  void PushButton3_MouseMove();

  Controls::TextBox& Text1() const;
  Controls::TextBox& Text2() const;
  QGroupBox& Frame1() const;
  QLabel& Label5() const;
  QLabel& lblPassword() const;
  Controls::PushButton& PushButton1() const;
  Controls::PushButton& PushButton2() const;
  Controls::PushButton& PushButton3() const;

  Main::MousePointer& mousePointer() { return pointer_; }
  Main::SkinFramework& SkinFramework1() { return skin_; }
  Main::SettingsStore& settings() { return settings_; }
  Main::Program& program() { return seams_.program; }

  // The change-case window, created and loaded on first reference.
  Form2& form2();
  // The change-case window when it has been created, else null.
  Form2* existingForm2() const { return form2_.get(); }

 protected:
  void closeEvent(QCloseEvent* event) override;  // Form_Unload

 private:
  std::unique_ptr<Ui::Form1> ui_;
  Main::SettingsStore& settings_;
  WindowSeams seams_;
  Main::MousePointer pointer_;
  Main::SkinFramework skin_;
  Controls::CommonDialog CommonDialog1;
  std::unique_ptr<Form2> form2_;
};
