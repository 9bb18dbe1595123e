#pragma once

// The file-open dialog of the database selection window. The window fills in
// its properties and shows it; the dialog answers the chosen file's full path
// in FileName, or leaves it empty when cancelled. Showing goes through a seam
// so tests can answer without a real dialog.

#include <QString>
#include <QStringList>

class QWidget;

namespace Controls {

class FileDialogSeam;

struct CommonDialog {
  QString FileName;
  int Flags = 0;
  QString DialogTitle;
  // Pairs of description and pattern, each followed by "|"; the first pair
  // is in force when the dialog opens.
  QString Filter;

  // Shows the dialog as an Open dialog through `seam` and waits for it.
  void ShowOpen(FileDialogSeam& seam, QWidget* owner);

  // The filter as Qt name filters: "Description (pattern)".
  QStringList NameFilters() const;
};

class FileDialogSeam {
 public:
  virtual ~FileDialogSeam() = default;
  // Returns the chosen path, or the empty string on cancel.
  virtual QString showOpen(const CommonDialog& dialog, QWidget* owner) = 0;
};

// The real dialog.
class QtFileDialog final : public FileDialogSeam {
 public:
  QString showOpen(const CommonDialog& dialog, QWidget* owner) override;
};

}  // namespace Controls
