#pragma once

// A Tela for the print tests: it records messages and the other calls in order, holds
// the report lines, and can be told to fail at a given message, as a window whose
// message box raises would.

#include "common/tela.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessela::teste {

struct MensagemVista {
    std::string texto;
    TipoMensagem tipo;
    bool operator==(const MensagemVista&) const = default;
};

class TelaDeImpressao : public Tela {
public:
    std::vector<std::string> relatorio; // the lines of RelPed
    std::vector<MensagemVista> mensagens;
    std::vector<std::string> eventos; // "Mensagem", "ProcessarMensagens", "RelatorioAoInicio"
    int falharNaMensagem = 0;         // 1-based; 0 never
    int encerrarNaPausa = 0;          // the pause (1-based) in which the end is asked for
    int pausas = 0;

    void Mensagem(const std::string& texto, TipoMensagem tipo) override {
        eventos.push_back("Mensagem");
        mensagens.push_back({texto, tipo});
        if (static_cast<int>(mensagens.size()) == falharNaMensagem)
            throw std::runtime_error("falha provocada na mensagem");
    }
    std::vector<std::string> LinhasRelatorio() const override { return relatorio; }
    void ProcessarMensagens() override { eventos.push_back("ProcessarMensagens"); }
    void RelatorioAoInicio() override { eventos.push_back("RelatorioAoInicio"); }

    void MostrarEspera() override {}
    void TextoEspera(const std::string&) override {}
    void EsconderEspera() override {}
    void DefinirCor(std::int32_t) override {}
    void DefinirTitulo(const std::string&) override {}
    void EsconderEdicoes() override {}
    void LimparRelatorio() override { relatorio.clear(); }
    void AcrescentarLinhaRelatorio(const std::string& linha) override {
        relatorio.push_back(linha);
    }
    void MostrarRelatorio() override {}
    void FecharJanela() override {}
    bool Encerrando() override { return encerrarNaPausa > 0 && pausas >= encerrarNaPausa; }
    bool Esperar(std::chrono::milliseconds) override {
        ++pausas;
        return Encerrando();
    }
};

} // namespace tessela::teste
