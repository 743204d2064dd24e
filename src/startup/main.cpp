// The entry point: the five positional arguments, the application, the run.

#include "common/interrupcao.h"
#include "common/programa.h"
#include "common/texto.h"
#include "screen/aplicacao.h"
#include "screen/exibicao.h"
#include "screen/falhas.h"
#include "screen/inicio.h"
#include "startup/encerramento.h"
#include "startup/programa.h"

#include <clocale>
#include <cstdlib>
#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    // Before any thread exists, so that every thread leaves them to the run.
    tessela::BloquearSinaisDeEncerramento();
    std::setlocale(LC_ALL, "");
    // Read before Qt sees them: the arguments are the program's alone.
    const tessela::Argumentos argumentos = tessela::ArgumentosDe(argc, argv);

    try {
        tessela::Interrupcao interrupcao;
        tessela::Encerramento encerramento(interrupcao);
        // Qt would abort the process when no display it tries answers. Looked at once the
        // signals are watched: a display that takes the connection and never answers
        // holds this look too.
        const tessela::EscolhaDeExibicao exibicao =
            tessela::EscolherExibicao(tessela::AmbienteDoProcesso());
        if (!exibicao.problema.empty()) {
            std::cerr << tessela::Cp1252ParaUtf8(exibicao.problema) << '\n';
            return encerramento.Concluir(1);
        }
        if (!exibicao.plataforma.empty())
            setenv("QT_QPA_PLATFORM", exibicao.plataforma.c_str(), 1);
        int status = 0;
        {
            int argcQt = 1; // Qt's own options (-style, -platform, ...) are not taken
            tessela::TApplication app(argcQt, argv);
            encerramento.DefinirConexoesDaTela(
                tessela::ConexoesComATela(tessela::AmbienteDoProcesso()));
            // Withdrawn before the application closes them.
            struct Retirar {
                tessela::Encerramento& e;
                ~Retirar() { e.DefinirConexoesDaTela({}); }
            } retirar{encerramento};
            const std::string pasta = tessela::PastaDoExecutavel();
            tessela::InstalarRelatorioDeFalhas(pasta + "LOG/");
            status = tessela::ExecutarTessela(app, argumentos, pasta, interrupcao);
        }
        return encerramento.Concluir(status); // after the close handling and every release
    } catch (const std::exception& e) {
        std::cerr << "tessela: " << tessela::Cp1252ParaUtf8(e.what()) << '\n';
        return 1;
    }
}
