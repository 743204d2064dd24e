#include "screen/inicio.h"

namespace tessela {

Argumentos ArgumentosDe(int argc, const char* const* argv) {
    auto argumento = [&](int i) {
        return i < argc && argv[i] ? std::string(argv[i]) : std::string();
    };
    return Argumentos{argumento(1), argumento(2), argumento(3), argumento(4), argumento(5)};
}

} // namespace tessela
