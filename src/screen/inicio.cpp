#include "screen/inicio.h"

namespace tessela {

namespace {

bool Definida(const char* valor) {
    return valor != nullptr && *valor != '\0';
}

} // namespace

Argumentos ArgumentosDe(int argc, const char* const* argv) {
    auto argumento = [&](int i) {
        return i < argc && argv[i] ? std::string(argv[i]) : std::string();
    };
    return Argumentos{argumento(1), argumento(2), argumento(3), argumento(4), argumento(5)};
}

std::string ProblemaDeExibicao(const char* qtQpaPlatform, const char* display,
                               const char* waylandDisplay) {
    if (Definida(qtQpaPlatform) || Definida(display) || Definida(waylandDisplay))
        return {};
    return "tessela: nenhuma tela gr\xE1"
           "fica dispon\xEDvel: DISPLAY e WAYLAND_DISPLAY n\xE3o est\xE3o definidas.";
}

} // namespace tessela
