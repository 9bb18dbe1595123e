#pragma once

#include <QString>

namespace Main {

// The product name shown as window caption and the source of the title.
inline const QString kProductName = QStringLiteral("Caseloom");

// The title shortening rule: cut at the last blank at least once, then again
// while the text is longer than 40 characters. A name without a blank keeps
// the whole name (cut to 40 characters should it be longer).
QString ShortenedApplicationTitle(const QString& productName);

// Sets the application title from the product name: the name untitled
// message boxes carry as their caption.
void SetApplicationTitle();

// The current application title (the product name until SetApplicationTitle).
QString ApplicationTitle();

}  // namespace Main
