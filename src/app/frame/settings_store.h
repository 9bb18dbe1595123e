#pragma once

// The per-user settings store: text values under an application name, a
// section and a key. The program keeps the last database path and its
// password, as typed, and the words Name Case keeps as written.

#include <QString>
#include <memory>

class QSettings;

namespace Main {

inline const QString kSettingsApplication = QStringLiteral("Brindlecove");
inline const QString kSettingsSection = QStringLiteral("Caseloom");
inline const QString kDatabasePathKey = QStringLiteral("AccessMDBFile");
inline const QString kPasswordKey = QStringLiteral("AccessPassword");
// The words Name Case keeps as written, separated by spaces.
inline const QString kNameExceptionsKey = QStringLiteral("NameExceptions");
inline const QString kDefaultNameExceptions = QStringLiteral("USA IBM PhD McDonald's");

class SettingsStore {
 public:
  // The user's own store: an INI file in the user's configuration folder;
  // on Windows the registry key of the original program,
  // HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Brindlecove, section Caseloom.
  SettingsStore();
  // A store kept in the file at `filePath`; tests use a temporary folder.
  explicit SettingsStore(const QString& filePath);
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // The stored text, or the empty string when there is none.
  QString read(const QString& key) const;
  // The stored text, or `whenAbsent` when the key was never written.
  QString read(const QString& key, const QString& whenAbsent) const;
  // Creates or overwrites the value and writes it to disk at once. An empty
  // text is kept as an empty value. Failures to write are thrown.
  void write(const QString& key, const QString& value);

  QString fileName() const;

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace Main
