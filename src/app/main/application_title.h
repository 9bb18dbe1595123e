#pragma once

#include <QString>

namespace Main {

class MessageBoxSeam;

// The product name shown as window caption and the source of the title.
inline const QString kProductName = QStringLiteral("Caseloom");

// The title shortening rule: cut at the last blank at least once, then again
// while the text is longer than 40 characters. A name without a blank keeps
// the whole name (cut to 40 characters should it be longer).
QString ShortenedApplicationTitle(const QString& productName);

// Sets the application title of the program's message boxes, and the
// application's name, from the product name.
void SetApplicationTitle(MessageBoxSeam& boxes);

}  // namespace Main
