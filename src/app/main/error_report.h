#pragma once

#include <QString>

#include "app/main/message_box.h"

namespace Main {

// The support address named in the last line of every error report.
inline const QString kSupportAddress = QStringLiteral("support@brindlecove.example");

// The report text: description, CR LF, location (which ends in a blank),
// "at line ", the label, CR CR, and the request for a screenshot.
QString ApplicationErrorText(const QString& description, const QString& location, int label);

// Shows the report as a modal box titled "Application Error" with the
// warning icon and one OK button; returns when it is closed.
void ShowApplicationError(MessageBoxSeam& boxes, const QString& description,
                          const QString& location, int label);

}  // namespace Main
