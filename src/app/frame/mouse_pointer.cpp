#include "app/frame/mouse_pointer.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QHeaderView>
#include <QTreeView>
#include <QWidget>

namespace Main {
namespace {

class MouseMoveFilter final : public QObject {
 public:
  MouseMoveFilter(QObject* parent, std::function<void()> handler)
      : QObject(parent), handler_(std::move(handler)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseMove) handler_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> handler_;
};

void watch(QWidget& widget, QObject* filter) {
  // Moves without a button held reach only widgets that track the mouse.
  widget.setMouseTracking(true);
  widget.installEventFilter(filter);
}

}  // namespace

void MousePointer::set(int value) {
  value_ = value;
  apply();
}

void MousePointer::setMouseIcon(const QCursor& cursor) {
  mouseIcon_ = cursor;
  apply();
}

void MousePointer::hover(int value) {
  if (value_ == kMousePointerHourglass) return;
  set(value);
}

void MousePointer::apply() {
  switch (value_) {
    case kMousePointerHourglass:
      window_.setCursor(Qt::WaitCursor);
      break;
    case kMousePointerCustom:
      window_.setCursor(mouseIcon_ ? *mouseIcon_ : QCursor(Qt::ArrowCursor));
      break;
    default:
      window_.unsetCursor();
      break;
  }
}

void OnMouseMove(QWidget& control, std::function<void()> handler) {
  auto* filter = new MouseMoveFilter(&control, std::move(handler));
  watch(control, filter);
  // A move the control itself ignores would go on to its parent and run the
  // parent's handler as well; each move belongs to the control under the
  // pointer alone.
  if (!control.isWindow()) control.setAttribute(Qt::WA_NoMousePropagation);
  if (auto* view = qobject_cast<QAbstractItemView*>(&control)) {
    watch(*view->viewport(), filter);
    if (auto* tree = qobject_cast<QTreeView*>(view)) watch(*tree->header(), filter);
  }
}

}  // namespace Main
