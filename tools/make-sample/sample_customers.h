#pragma once

// The sample database: one table `Customers` of 50 rows whose texts come in
// deliberately messy letter case, with a few nulls and empty texts, and a
// primary key on CustomerID.

#include "engine/new_database.h"

namespace sample {

engine::NewDatabase customersDatabase();

}  // namespace sample
