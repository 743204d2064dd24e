#pragma once

// What the entry point decides before any window exists.

#include "common/sessao.h"

#include <string>

namespace tessela {

// The five positional arguments as the system passed them (an empty argument keeps
// its own place); a missing one is the empty text, extra ones are ignored.
Argumentos ArgumentosDe(int argc, const char* const* argv);

// Why no window can be opened, or the empty text when one can: without a platform
// chosen by QT_QPA_PLATFORM, a display is needed (DISPLAY or WAYLAND_DISPLAY), or Qt
// would abort. Null or empty values count as unset.
std::string ProblemaDeExibicao(const char* qtQpaPlatform, const char* display,
                               const char* waylandDisplay);

} // namespace tessela
