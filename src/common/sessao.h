#pragma once

// The context of the run, one instance for the run, and the run's arguments: records
// shared by every subsystem.

#include <string>
#include <string_view>

namespace tessela {

struct TSessao {
    std::string UsuarioSistema;       // at most 60
    std::string EstLocal;             // at most 2; empty while no station is identified
    std::string DirPrograma;          // folder of the executable, ending in '/'
    std::string ImpressoraRelatorios; // the station's report printer
    std::string MargemLaudo;          // 0 to 120 blanks
};

// The suite's share on the central server, "\\IPServidor\PastaMagnolia", from the
// settings; the files at its root and the interface folders are named from it.
inline std::string RaizDoCompartilhamento(std::string_view ipServidor,
                                          std::string_view pastaMagnolia) {
    return "\\\\" + std::string(ipServidor) + "\\" + std::string(pastaMagnolia);
}

// The station's interface folder on the central share, from IPServidor and
// PastaMagnolia of the settings and the session's EstLocal; derived, never stored.
inline std::string PastaInterfac(std::string_view ipServidor, std::string_view pastaMagnolia,
                                 std::string_view estLocal) {
    return RaizDoCompartilhamento(ipServidor, pastaMagnolia) + "\\Interfac" + std::string(estLocal);
}

// The five positional arguments; a missing one reads as the empty text.
struct Argumentos {
    std::string codigo, lote, fornecedor, validade, usuario;
};

} // namespace tessela
