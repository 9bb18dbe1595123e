#include "app/main/trap.h"

#include "ado/error.h"
#include "app/main/error_report.h"

namespace Main {

QString DescriptionOf(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const ado::Error& e) {
    return QString::fromStdString(e.description());
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QStringLiteral("Unknown error");
  }
}

void Trap::report(int label, std::exception_ptr failure) {
  ++reports_;
  lastFailure_ = failure;
  ShowApplicationError(boxes_, DescriptionOf(failure), location_, label);
}

}  // namespace Main
