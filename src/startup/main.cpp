// The entry point: the five positional arguments, the application, the run.

#include "common/programa.h"
#include "common/texto.h"
#include "screen/aplicacao.h"
#include "screen/falhas.h"
#include "screen/inicio.h"
#include "screen/programa.h"

#include <clocale>
#include <cstdlib>
#include <iostream>

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    // Read before Qt sees them: the arguments are the program's alone.
    const tessela::Argumentos argumentos = tessela::ArgumentosDe(argc, argv);

    const std::string problema = tessela::ProblemaDeExibicao(
        std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
    if (!problema.empty()) {
        std::cerr << tessela::Cp1252ParaUtf8(problema) << '\n';
        return 1;
    }

    int argcQt = 1; // Qt's own options (-style, -platform, ...) are not taken
    tessela::TApplication app(argcQt, argv);
    const std::string pasta = tessela::PastaDoExecutavel();
    tessela::InstalarRelatorioDeFalhas(pasta + "LOG/");
    return tessela::ExecutarTessela(app, argumentos, pasta);
}
