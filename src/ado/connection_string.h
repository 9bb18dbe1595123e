#pragma once

// The parts of an OLE DB connection string the engine needs.

#include "ado/value.h"

namespace ado {

enum class Provider { Jet4, Ace12 };

struct ConnectionString {
  Provider provider = Provider::Jet4;
  Text dataSource;
  Text password;
};

// Parses "key=value;..." pairs, keys in any case. "Microsoft.Jet.OLEDB.4.0"
// and "Microsoft.ACE.OLEDB.12.0" are known; any other provider fails with
// number 3706. Values run to the next ';' (the password last of all: it runs to
// the end, so it may hold ';').
ConnectionString ParseConnectionString(const Text& text);

}  // namespace ado
