#pragma once

#include <string>

namespace tessela {

// The folder of the running executable (/proc/self/exe), with a trailing '/'.
std::string PastaDoExecutavel();

} // namespace tessela
