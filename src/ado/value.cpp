#include "ado/value.h"

// Value is header-only apart from this anchor; keeping a translation unit
// gives the shared library a home for helpers that need one.
namespace ado {}
