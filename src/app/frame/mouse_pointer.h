#pragma once

// A window's pointer setting: one value for the whole window, 0 (the normal
// pointer), 11 (the hourglass while a run is under way) or 99 (the window's
// own pointer image, the hand). The hover rules move it between 0 and 99 but
// never replace the hourglass.

#include <QCursor>
#include <QObject>
#include <functional>
#include <optional>

class QWidget;

namespace Main {

inline constexpr int kMousePointerDefault = 0;
inline constexpr int kMousePointerHourglass = 11;
inline constexpr int kMousePointerCustom = 99;

class MousePointer {
 public:
  explicit MousePointer(QWidget& window) : window_(window) {}
  MousePointer(const MousePointer&) = delete;
  MousePointer& operator=(const MousePointer&) = delete;

  int value() const { return value_; }
  void set(int value);

  // The image shown for 99 (MouseIcon). Without one, 99 shows the normal
  // arrow.
  void setMouseIcon(const QCursor& cursor);
  [[nodiscard]] bool hasMouseIcon() const { return mouseIcon_.has_value(); }
  const std::optional<QCursor>& mouseIcon() const { return mouseIcon_; }

  // The mouse-move rule: sets `value` unless the hourglass is showing.
  void hover(int value);

 private:
  void apply();

  QWidget& window_;
  int value_ = kMousePointerDefault;
  std::optional<QCursor> mouseIcon_;
};

// Calls `handler` on every mouse move over `control` (and over its viewport
// and header, for item views), whether or not a button is held.
void OnMouseMove(QWidget& control, std::function<void()> handler);

}  // namespace Main
