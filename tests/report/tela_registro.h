#pragma once

// A Tela that records what it is told, in order, for the tests of the run without the
// window.

#include "common/tela.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessela::teste {

struct MensagemGravada {
    std::string texto;
    TipoMensagem tipo;
};

class TelaRegistro : public Tela {
public:
    std::vector<std::string> eventos; // one entry per call, in order
    std::vector<MensagemGravada> mensagens;
    std::vector<std::string> relatorio; // RelPed
    std::string textoEspera;
    std::string titulo;
    std::int32_t cor = 0;
    bool esperaVisivel = false;
    bool relatorioVisivel = false;
    bool fechada = false;

    void Mensagem(const std::string& texto, TipoMensagem tipo) override {
        eventos.push_back("Mensagem");
        mensagens.push_back({texto, tipo});
    }
    void MostrarEspera() override {
        eventos.push_back("MostrarEspera");
        esperaVisivel = true;
    }
    void TextoEspera(const std::string& texto) override {
        eventos.push_back("TextoEspera");
        textoEspera = texto;
    }
    void EsconderEspera() override {
        eventos.push_back("EsconderEspera");
        esperaVisivel = false;
    }
    void DefinirCor(std::int32_t c) override {
        eventos.push_back("DefinirCor");
        cor = c;
    }
    void DefinirTitulo(const std::string& t) override {
        eventos.push_back("DefinirTitulo");
        titulo = t;
    }
    void EsconderEdicoes() override { eventos.push_back("EsconderEdicoes"); }
    void LimparRelatorio() override {
        eventos.push_back("LimparRelatorio");
        relatorio.clear();
    }
    void AcrescentarLinhaRelatorio(const std::string& linha) override {
        relatorio.push_back(linha);
    }
    std::vector<std::string> LinhasRelatorio() const override { return relatorio; }
    void RelatorioAoInicio() override { eventos.push_back("RelatorioAoInicio"); }
    void MostrarRelatorio() override {
        eventos.push_back("MostrarRelatorio");
        relatorioVisivel = true;
    }
    void ProcessarMensagens() override {}
    void FecharJanela() override {
        eventos.push_back("FecharJanela");
        fechada = true;
    }
};

} // namespace tessela::teste
