#pragma once

// Module ODBCProvider: the start-up check that the database component can be
// created at all.

#include <QString>
#include <functional>

#include "db/window_lists.h"

namespace ODBCProvider {

// Creates a connection object (nothing is opened). A failure that looks like
// a missing provider is explained in a Yes/No box; Yes opens the two
// download pages through `openPage`. True when the object could be created.
[[nodiscard]] bool CheckAccessProvider(const Access::DatabaseWindow& window,
                                       const std::function<void(const QString& url)>& openPage);

// The two download pages, in the order they are opened.
extern const QString kFirstDownloadPage;
extern const QString kSecondDownloadPage;

}  // namespace ODBCProvider
