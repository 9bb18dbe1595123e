#pragma once

// What the database procedures use of the windows: the list controls, the
// pointer and the event loop, and the database window with the two boxes
// that name the database. The Qt windows implement these; tests fake them.

#include <optional>
#include <string>

namespace ado {
class Factory;
}
namespace Main {
class MessageBoxSeam;
}

namespace Access {

// One list control: items with a text and a selected flag.
class ListControl {
 public:
  virtual ~ListControl() = default;
  virtual void clear() = 0;
  // Adds an item at the end. When the list was empty, the new item becomes
  // the selected item.
  virtual void add(const std::u16string& text) = 0;
  virtual int count() const = 0;
  virtual std::u16string text(int index) const = 0;  // 0-based
  [[nodiscard]] virtual bool isSelected(int index) const = 0;
  virtual void setSelected(int index, bool selected) = 0;
  // The text of the list's current (selected) item; none when there is none.
  [[nodiscard]] virtual std::optional<std::u16string> selectedItemText() const = 0;
};

// Pointer styles.
inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;
inline constexpr int kPointerHand = 99;

// The change-case window as the database procedures see it.
class ChangeCaseLists {
 public:
  virtual ~ChangeCaseLists() = default;
  virtual ListControl& tableList() = 0;    // ListView1
  virtual ListControl& fieldList() = 0;    // ListView2
  virtual ListControl& previewList() = 0;  // ListView3
  virtual void setPointer(int style) = 0;
  virtual int pointer() const = 0;
  // Lets pending window events run.
  virtual void serveEvents() = 0;
};

// The database selection window as the database procedures see it: its
// path and password boxes, read afresh at every call, the component that
// opens databases, and where message boxes and error reports go.
class DatabaseWindow {
 public:
  virtual ~DatabaseWindow() = default;
  virtual std::u16string databasePath() const = 0;  // Text1
  virtual std::u16string password() const = 0;      // Text2
  virtual const ado::Factory& adoFactory() const = 0;
  virtual Main::MessageBoxSeam& messageBoxes() const = 0;
};

}  // namespace Access
