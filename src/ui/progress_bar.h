#pragma once

#include <QProgressBar>

namespace Controls {

// A progress bar from 0 to 100 that shows a caption of its own, drawn on
// the bar, rather than a percentage.
class ProgressBar : public QProgressBar {
  Q_OBJECT
 public:
  explicit ProgressBar(QWidget* parent = nullptr);

  QString caption() const { return caption_; }
  void setCaption(const QString& caption);

  // What the bar shows: the caption, whatever the value.
  QString text() const override { return caption_; }

 private:
  QString caption_;
};

}  // namespace Controls
