#pragma once

// What the run without the window needs of the screen. The main window implements it;
// tests use an implementation that records what it was told.

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace tessela {

enum class TipoMensagem {
    Simples, // application title as caption, no icon
    Aviso,   // caption "Aviso", question-mark icon
    Erro,    // error box
};

class Tela {
public:
    virtual ~Tela() = default;

    // Modal box with one OK button; single CRs in the text are line breaks.
    virtual void Mensagem(const std::string& texto, TipoMensagem tipo) = 0;

    // The waiting panel PainelTermFicha at 203, 115, 554, 179, made visible; with a
    // text, Label3 takes it at left 50.
    virtual void MostrarEspera() = 0;
    virtual void TextoEspera(const std::string& texto) = 0;
    virtual void EsconderEspera() = 0;

    // Window background and PainelFichaPro colour, 0x00BBGGRR or a system colour.
    virtual void DefinirCor(std::int32_t cor) = 0;
    virtual void DefinirTitulo(const std::string& titulo) = 0;

    // Hides EstacaoSel, NPedidoInicial, NPedidoFinal and NFormula.
    virtual void EsconderEdicoes() = 0;

    // The report lines of RelPed, code page 1252.
    virtual void LimparRelatorio() = 0;
    virtual void AcrescentarLinhaRelatorio(const std::string& linha) = 0;
    virtual std::vector<std::string> LinhasRelatorio() const = 0;
    // Caret, and the view, to the first line.
    virtual void RelatorioAoInicio() = 0;

    // The report screen: PainelImprime filling the window, BotImprPedido visible,
    // RelPed navy on white.
    virtual void MostrarRelatorio() = 0;

    // Lets the window system process pending events.
    virtual void ProcessarMensagens() = 0;

    // Closes the main window, which ends the program once back in the event loop.
    virtual void FecharJanela() = 0;

    // True once the run is ending (the window closed, or the end asked for from
    // outside): long work stops at its next safe point and opens no new box.
    virtual bool Encerrando() { return false; }

    // The pause between two printed pages, in which the window does not respond; cut
    // short, returning true, when the run is ending.
    virtual bool Esperar(std::chrono::milliseconds tempo) {
        std::this_thread::sleep_for(tempo);
        return Encerrando();
    }
};

} // namespace tessela
