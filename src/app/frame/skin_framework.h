#pragma once

// The skin component of the database selection window. A skin is a Qt style
// sheet kept in a file beside the program; loading checks that the file can
// be read and that its rules are well formed, applying hands the sheet to a
// window.

#include <QString>

class QWidget;

namespace Main {

class SkinFramework {
 public:
  // Bit of Options: ApplyWindow skins a window only while it is set.
  static constexpr int kOptionApplyToWindow = 1;

  SkinFramework() = default;
  SkinFramework(const SkinFramework&) = delete;
  SkinFramework& operator=(const SkinFramework&) = delete;

  // Reads the skin at `path`; `iniFileName` names a section file inside the
  // skin and is unused by style-sheet skins. Throws std::runtime_error when
  // the file cannot be read, is empty, or its rules are not well formed;
  // the skin loaded before stays in force then.
  void LoadSkin(const QString& path, const QString& iniFileName);

  int Options() const { return options_; }
  void SetOptions(int options) { options_ = options; }

  // With this set, windows created by a skinned window take its skin too
  // (see WindowCreated).
  [[nodiscard]] bool AutoApplyNewWindows() const { return autoApplyNewWindows_; }
  void SetAutoApplyNewWindows(bool on) { autoApplyNewWindows_ = on; }

  // Kept for the load sequence; the program has a single thread, so there are
  // no windows of other threads to skin.
  [[nodiscard]] bool AutoApplyNewThreads() const { return autoApplyNewThreads_; }
  void SetAutoApplyNewThreads(bool on) { autoApplyNewThreads_ = on; }

  // Applies the loaded skin to `window` and its controls (nothing when no
  // skin is loaded or Options lacks kOptionApplyToWindow).
  void ApplyWindow(QWidget& window);

  // Called by a skinned window for each window it creates.
  void WindowCreated(QWidget& window);

  [[nodiscard]] bool IsLoaded() const { return !styleSheet_.isEmpty(); }
  const QString& StyleSheet() const { return styleSheet_; }

 private:
  QString styleSheet_;
  int options_ = 0;
  bool autoApplyNewWindows_ = false;
  bool autoApplyNewThreads_ = false;
  bool applied_ = false;
};

// True when `sheet` has at least one rule and its braces, strings and
// comments are balanced and closed.
[[nodiscard]] bool IsWellFormedStyleSheet(const QString& sheet);

}  // namespace Main
