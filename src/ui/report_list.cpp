#include "ui/report_list.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <stdexcept>

#include "ui/window_frame.h"

namespace Controls {

ReportList::ReportList(QWidget* parent) : QTreeWidget(parent) {
  setFont(ControlFont());
  setColumnCount(0);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  setToolTip(kToolTip);
  connect(this, &QTreeWidget::itemClicked, this, [this] { emit itemChosen(); });
}

void ReportList::addColumnHeader(const QString& text) {
  const int column = columnCount();
  setColumnCount(column + 1);
  headerItem()->setText(column, text);
}

void ReportList::setColumnHeaderWidth(int column, int widthTwips) {
  if (column < 1 || column > columnCount())
    throw std::out_of_range("Index out of bounds: there is no column header " +
                            std::to_string(column) + ".");
  setColumnWidth(column - 1, TwipsToPixels(widthTwips));
}

void ReportList::clear() { QTreeWidget::clear(); }

void ReportList::add(const std::u16string& text) {
  const bool wasEmpty = topLevelItemCount() == 0;
  auto* item = new QTreeWidgetItem(this);
  item->setText(0, QString::fromStdU16String(text));
  if (wasEmpty) {
    setCurrentItem(item);
    item->setSelected(true);
  }
}

int ReportList::count() const { return topLevelItemCount(); }

QTreeWidgetItem& ReportList::itemAt(int index) const {
  QTreeWidgetItem* item = topLevelItem(index);
  if (!item)
    throw std::out_of_range("Index out of bounds: the list has no item " +
                            std::to_string(index + 1) + ".");
  return *item;
}

std::u16string ReportList::text(int index) const { return itemAt(index).text(0).toStdU16String(); }

bool ReportList::isSelected(int index) const { return itemAt(index).isSelected(); }

void ReportList::setSelected(int index, bool selected) { itemAt(index).setSelected(selected); }

std::optional<std::u16string> ReportList::selectedItemText() const {
  const QTreeWidgetItem* item = currentItem();
  if (!item) return std::nullopt;
  return item->text(0).toStdU16String();
}

bool ReportList::viewportEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      if (refusing()) return true;
      break;
    default:
      break;
  }
  return QTreeWidget::viewportEvent(event);
}

void ReportList::keyPressEvent(QKeyEvent* event) {
  if (refusing()) {
    event->accept();
    return;
  }
  // Moving to another item with the keys chooses it as a click would, so
  // the lists that depend on it never show another item's contents.
  const QTreeWidgetItem* before = currentItem();
  QTreeWidget::keyPressEvent(event);
  if (currentItem() && currentItem() != before) emit itemChosen();
}

}  // namespace Controls
