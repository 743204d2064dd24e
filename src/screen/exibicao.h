#pragma once

// The display server the window goes to (an X server through DISPLAY, a Wayland
// compositor through WAYLAND_DISPLAY), looked at from outside Qt: before the
// application exists, because Qt aborts the process when no display it tries answers;
// and once it exists, for the connection that the end of the run can close from another
// thread, so that the window goes even while the main thread is held where no signal
// reaches it (a call into a FUSE share that stopped answering).

#include <string>
#include <vector>

namespace tessela {

// What the environment says about the displays; null or empty values count as unset.
struct AmbienteDeExibicao {
    const char* qtQpaPlatform = nullptr;
    const char* display = nullptr;
    const char* waylandDisplay = nullptr;
    const char* xdgRuntimeDir = nullptr;
};

// The process's own environment.
AmbienteDeExibicao AmbienteDoProcesso();

struct EscolhaDeExibicao {
    // Why no window can be opened ("tessela: ..."); empty when one can.
    std::string problema;
    // The Qt platform to take when only one of the two displays named answers; empty to
    // leave the choice to Qt.
    std::string plataforma;
};

// Tries the displays the environment names, as Qt would reach them. A platform chosen
// through QT_QPA_PLATFORM is left to Qt.
EscolhaDeExibicao EscolherExibicao(const AmbienteDeExibicao& ambiente);

// The process's open connections to the display servers the environment names.
std::vector<int> ConexoesComATela(const AmbienteDeExibicao& ambiente);

} // namespace tessela
