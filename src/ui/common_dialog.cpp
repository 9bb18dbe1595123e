#include "ui/common_dialog.h"

#include <QFileDialog>

namespace Controls {
QString QtFileDialog::showOpen(const CommonDialog& dialog, QWidget* owner) {
  QFileDialog fileDialog(owner, dialog.DialogTitle);
  fileDialog.setAcceptMode(QFileDialog::AcceptOpen);
  fileDialog.setFileMode(QFileDialog::AnyFile);
  const QStringList filters = dialog.NameFilters();
  fileDialog.setNameFilters(filters);
  if (!filters.isEmpty()) fileDialog.selectNameFilter(filters.first());
  if (fileDialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = fileDialog.selectedFiles();
  return chosen.isEmpty() ? QString() : QDir::toNativeSeparators(chosen.first());
}

void CommonDialog::ShowOpen(FileDialogSeam& seam, QWidget* owner) {
  FileName = seam.showOpen(*this, owner);
}

QStringList CommonDialog::NameFilters() const {
  const QStringList parts = Filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty() && parts[i + 1].isEmpty()) continue;
    // Qt reads the patterns from the last parentheses of each filter.
    filters << parts[i] + QStringLiteral(" (") + parts[i + 1].split(QLatin1Char(';')).join(' ') +
                   QLatin1Char(')');
  }
  return filters;
}

}  // namespace Controls
