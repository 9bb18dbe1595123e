#pragma once

// Every header inside the engine's layers includes this one first. Those
// headers are the engine's own business: the rest of the program and its
// tools build on the public headers in src/engine/ alone, so an include that
// reaches past them stops the build here. The engine's libraries and its
// tests define CASELOOM_ENGINE_INSIDE.
#ifndef CASELOOM_ENGINE_INSIDE
#error "This header is inside the file engine; include the public headers in src/engine/ instead."
#endif
