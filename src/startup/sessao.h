#pragma once

// The context of the run, one instance for the run.

#include <string>

#include "settings/parametros.h"

namespace tessela {

struct TSessao {
    std::string UsuarioSistema;       // at most 60
    std::string EstLocal;             // at most 2; empty while no station is identified
    std::string DirPrograma;          // folder of the executable, ending in '/'
    std::string ImpressoraRelatorios; // the station's report printer
    std::string MargemLaudo;          // 0 to 120 blanks
};

// The station's interface folder on the central share; derived, never stored.
inline std::string PastaInterfac(const TParametros& p, const TSessao& s) {
    return "\\\\" + p.IPServidor + "\\" + p.PastaMagnolia + "\\Interfac" + s.EstLocal;
}

// The five positional arguments; a missing one reads as the empty text.
struct Argumentos {
    std::string codigo, lote, fornecedor, validade, usuario;
};

} // namespace tessela
