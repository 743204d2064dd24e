#pragma once

// The main window: the waiting panel, the report screen with its text area, the
// font-size buttons, printing and leaving. It is the screen of the run (Tela).

#include "common/tela.h"
#include "settings/parametros.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <string>

namespace tessela {

class Interrupcao;

// The three edits read when the window closes.
struct CamposPedido {
    std::string estacao, pedidoInicial, pedidoFinal;
};

class TFormOM : public QWidget, public Tela {
public:
    // Creates every control and runs FormCreate on p.
    explicit TFormOM(TParametros& p, QWidget* pai = nullptr);

    // What the program plugs in. AoAtivar is the start-up sequence, run once after
    // the window is first shown or activated; AoImprimir the print button;
    // AoFecharPedidos the PEDIDOS statement, called at close only when all three
    // edits hold text. ApresentarMensagem shows a box (a modal QMessageBox unless
    // replaced).
    std::function<void()> AoAtivar;
    std::function<void()> AoImprimir;
    std::function<void(const CamposPedido&)> AoFecharPedidos;
    std::function<void(const std::string&, TipoMensagem)> ApresentarMensagem;

    // Handlers.
    void FormCreate(TParametros& p);
    void BitBtn25Click(); // text one point smaller
    void BitBtn26Click(); // text one point larger
    void BitBtn22Click(); // "&Voltar"
    void BotImprPedidoClick();
    void FormClose();

    // The text size of RelPed in points as the buttons left it (may be 0 or below;
    // the text area then shows 1 point).
    int TamanhoFonte() const { return tamanhoFonte_; }

    // Tela
    void Mensagem(const std::string& texto, TipoMensagem tipo) override;
    void MostrarEspera() override;
    void TextoEspera(const std::string& texto) override;
    void EsconderEspera() override;
    void DefinirCor(std::int32_t cor) override;
    void DefinirTitulo(const std::string& titulo) override;
    void EsconderEdicoes() override;
    void LimparRelatorio() override;
    void AcrescentarLinhaRelatorio(const std::string& linha) override;
    std::vector<std::string> LinhasRelatorio() const override;
    void RelatorioAoInicio() override;
    void MostrarRelatorio() override;
    void ProcessarMensagens() override;
    void FecharJanela() override;
    bool Encerrando() override;
    bool Esperar(std::chrono::milliseconds tempo) override;

    // Where an end asked for from outside is read; none by default.
    void DefinirInterrupcao(const Interrupcao* interrupcao) { interrupcao_ = interrupcao; }

    // Controls, owned by the window.
    QFrame* PainelFichaPro;
    QFrame* PainelTermFicha;
    QLabel* Label3;
    QFrame* PainelImprime;
    QPlainTextEdit* Memo1;
    QPlainTextEdit* Memo2;
    QLineEdit* EstacaoSel;
    QLineEdit* NPedidoInicial;
    QLineEdit* NPedidoFinal;
    QLineEdit* NFormula;
    QLabel* LabelOM;
    QPushButton* BitBtn25;
    QLabel* Tamanho;
    QPushButton* BitBtn26;
    QPushButton* BotImprPedido;
    QPushButton* BitBtn22;
    QPlainTextEdit* RelPed;

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* objeto, QEvent* e) override;

private:
    void CriarPaineis();
    void CriarOcultos();
    void CriarRelatorio();
    void DefinirOrdemTabulacao();
    void AplicarTamanhoFonte();
    void PosicionarRelPed();
    void AgendarInicio();
    void Iniciar();
    void Pintada();

    int tamanhoFonte_ = 10;
    int linhasRelatorio_ = 0;        // an empty document cannot tell "" from no line
    bool inicioPedido_ = false;      // shown or activated
    bool inicioAgendado_ = false;    // the sequence is on its way
    bool pintada_ = false;           // drawn at least once
    bool relatorioPreenche_ = false; // PainelImprime fills the window once shown
    bool fechada_ = false;
    const Interrupcao* interrupcao_ = nullptr;
};

} // namespace tessela
