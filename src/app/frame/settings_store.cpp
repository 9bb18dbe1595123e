#include "app/frame/settings_store.h"

#include <QFile>
#include <QSettings>
#include <stdexcept>

namespace Main {
namespace {

std::runtime_error writeFailure(const QSettings& settings) {
  return std::runtime_error("The settings could not be written to " +
                            settings.fileName().toStdString() + ".");
}

std::unique_ptr<QSettings> userSettings() {
#ifdef Q_OS_WIN
  // Where the original program's SaveSetting kept them, so a user who moves
  // to Caseloom keeps the last database; the section is a sub-key.
  return std::make_unique<QSettings>(
      QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") +
          kSettingsApplication,
      QSettings::NativeFormat);
#else
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                     kSettingsApplication, kSettingsApplication);
#endif
}

}  // namespace

SettingsStore::SettingsStore() : settings_(userSettings()) {}

SettingsStore::SettingsStore(const QString& filePath)
    : settings_(std::make_unique<QSettings>(filePath, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::read(const QString& key) const {
  return settings_->value(kSettingsSection + QLatin1Char('/') + key, QString()).toString();
}

QString SettingsStore::read(const QString& key, const QString& whenAbsent) const {
  return settings_->value(kSettingsSection + QLatin1Char('/') + key, whenAbsent).toString();
}

void SettingsStore::write(const QString& key, const QString& value) {
  settings_->setValue(kSettingsSection + QLatin1Char('/') + key, value);
  settings_->sync();
  if (settings_->status() != QSettings::NoError) throw writeFailure(*settings_);
  // The password is kept in plain text: only its owner may read the file.
  // Every write replaces the file, so the mode is set again each time. (The
  // registry's user key is the user's own already.)
  if (settings_->format() == QSettings::IniFormat &&
      !QFile::setPermissions(settings_->fileName(), QFile::ReadOwner | QFile::WriteOwner))
    throw writeFailure(*settings_);
}

QString SettingsStore::fileName() const { return settings_->fileName(); }

}  // namespace Main
