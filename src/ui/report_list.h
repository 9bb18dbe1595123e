#pragma once

// A list of the change-case window: rows of text under column headers
// (report style), as the database procedures see it through
// Access::ListControl.

#include <QTreeWidget>
#include <functional>

#include "db/window_lists.h"

namespace Controls {

class ReportList : public QTreeWidget, public Access::ListControl {
  Q_OBJECT
 public:
  static inline const QString kToolTip =
      QStringLiteral("Move | line to right and out of window to reveal full names.");

  explicit ReportList(QWidget* parent = nullptr);

  // Column headers: the list has none until the window adds them.
  void addColumnHeader(const QString& text);
  int columnHeaderCount() const { return columnCount(); }
  // `column` counts from 1, as the headers are numbered.
  void setColumnHeaderWidth(int column, int widthTwips);

  // While `refuse` answers true, clicks and keys that would change the
  // items or the selection are dropped (the list still scrolls).
  void refuseInputWhile(std::function<bool()> refuse) { refuse_ = std::move(refuse); }

  // Access::ListControl
  void clear() override;
  void add(const std::u16string& text) override;
  int count() const override;
  std::u16string text(int index) const override;
  [[nodiscard]] bool isSelected(int index) const override;
  void setSelected(int index, bool selected) override;
  [[nodiscard]] std::optional<std::u16string> selectedItemText() const override;

 signals:
  // The user chose an item: clicked it, or moved to it with the keys.
  void itemChosen();

 protected:
  [[nodiscard]] bool viewportEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QTreeWidgetItem& itemAt(int index) const;
  [[nodiscard]] bool refusing() const { return refuse_ && refuse_(); }

  std::function<bool()> refuse_;
};

}  // namespace Controls
