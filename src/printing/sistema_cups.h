#pragma once

// The print system through libcups. The server and the user come from CUPS's own sources
// (CUPS_SERVER, client.conf, LPDEST, PRINTER); the user's default printer is kept in the
// user's lpoptions. Every operation talks to the server over a connection of its own,
// which an end of the run asked for through the Interrupcao given cuts short.

#include "common/interrupcao.h"
#include "printing/sistema_impressao.h"

namespace tessela {

class SistemaCups : public SistemaImpressao {
public:
    explicit SistemaCups(Interrupcao* interrupcao = nullptr) : interrupcao_(interrupcao) {}

    std::vector<std::string> Impressoras() override;
    std::optional<std::string> Padrao() override;
    std::unique_ptr<MudancaDoPadrao> DefinirPadrao(const std::string& nome) override;
    void DevolverPadrao(const MudancaDoPadrao& mudanca) override;
    bool Existe(const std::string& nome) override;
    std::optional<Resolucao> ResolucaoPadrao(const std::string& nome) override;
    std::unique_ptr<Trabalho> CriarTrabalho(const std::string& impressora,
                                            const std::string& titulo, FormatoDocumento formato,
                                            const OpcoesTrabalho& opcoes = {}) override;

private:
    Interrupcao* interrupcao_;
};

} // namespace tessela
