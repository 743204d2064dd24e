#pragma once

// The print system through libcups. The server, the user and the user's options come
// from CUPS's own sources (CUPS_SERVER, client.conf, lpoptions in HOME, LPDEST, PRINTER).

#include "printing/sistema_impressao.h"

namespace tessela {

class SistemaCups : public SistemaImpressao {
public:
    std::vector<std::string> Impressoras() override;
    std::optional<std::string> Padrao() override;
    void DefinirPadrao(const std::string& nome) override;
    bool Existe(const std::string& nome) override;
    std::optional<Resolucao> ResolucaoPadrao(const std::string& nome) override;
    std::unique_ptr<TrabalhoRaw> CriarTrabalhoRaw(const std::string& impressora,
                                                  const std::string& titulo) override;
    std::string ErroDaUltimaOperacao() override;
};

} // namespace tessela
