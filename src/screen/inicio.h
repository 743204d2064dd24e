#pragma once

// What the entry point decides before any window exists.

#include "common/sessao.h"

#include <string>

namespace tessela {

// The five positional arguments as the system passed them (an empty argument keeps
// its own place); a missing one is the empty text, extra ones are ignored.
Argumentos ArgumentosDe(int argc, const char* const* argv);

} // namespace tessela
