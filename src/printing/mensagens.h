#pragma once

// Texts that both print paths show.

#include <cstdint>
#include <string>

namespace tessela {

// A page that the print system refused: the print stops there.
inline std::string MensagemPaginaRecusada(const std::string& impressora, std::int32_t pagina,
                                          const std::string& erro) {
    return "A impressora \"" + impressora + "\" recusou a p\xE1gina " + std::to_string(pagina) +
           " do Laudo do Controle de Qualidade:\r" + erro + "\rA impress\xE3o foi interrompida.";
}

} // namespace tessela
