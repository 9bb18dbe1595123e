#pragma once

// Where caseloom-cli takes the database password from: --password-file,
// --password-stdin, --password or $CASELOOM_PASSWORD; and, when none is
// given, the file needs one and a person types at the terminal, a prompt
// that does not show what is typed.

#include <QString>
#include <optional>

namespace Cli {

struct PasswordSource {
  enum class From { Nowhere, Option, Environment, File, StandardInput };
  From from = From::Nowhere;
  QString text;  // the password (Option, Environment) or the file's path (File)
};

// The password for the database at `databasePath`; nothing when it cannot be
// had, after saying why on standard error.
std::optional<QString> ReadPassword(const PasswordSource& source, const QString& databasePath);

}  // namespace Cli
