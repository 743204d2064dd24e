#include "screen/formom.h"

#include "common/cores.h"
#include "common/interrupcao.h"
#include "common/texto_qt.h"
#include "screen/mensagens.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <algorithm>

namespace tessela {

namespace {

const QColor kMarinho(0, 0, 128);
const QColor kVerde(0, 128, 0);
const QColor kVermelho(255, 0, 0);
const QColor kCreme(255, 251, 240);

constexpr int kAlturaRelPed = 519;
constexpr int kTopoRelPed = 64; // the text area never climbs over the buttons
constexpr int kBordaPainel = 2;
constexpr int kEsperaPelaPintura = 500; // ms

QFont Fonte(const char* familia, int pixels, bool negrito = false) {
    QFont fonte(QString::fromLatin1(familia));
    fonte.setPixelSize(pixels);
    fonte.setBold(negrito);
    return fonte;
}

// Consolas where it is installed, else the system's fixed-pitch font.
QFont FonteDoRelatorio() {
    QFont fonte(QStringLiteral("Consolas"));
    fonte.setStyleHint(QFont::TypeWriter);
    fonte.setFixedPitch(true);
    if (!QFontInfo(fonte).fixedPitch())
        fonte = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fonte.setPointSize(10);
    return fonte;
}

void Colorir(QWidget* w, QPalette::ColorRole papel, const QColor& cor) {
    QPalette paleta = w->palette();
    paleta.setColor(papel, cor);
    w->setPalette(paleta);
}

template <typename T> T* Criar(QWidget* pai, const char* nome) {
    auto* w = new T(pai);
    w->setObjectName(QString::fromLatin1(nome));
    return w;
}

QFrame* Painel(QWidget* pai, const char* nome, QFrame::Shadow sombra) {
    auto* painel = Criar<QFrame>(pai, nome);
    painel->setFrameShape(sombra == QFrame::Plain ? QFrame::NoFrame : QFrame::Panel);
    painel->setFrameShadow(sombra);
    painel->setAutoFillBackground(true);
    return painel;
}

QPushButton* Botao(QWidget* pai, const char* nome, const char* glifo, int lado) {
    auto* botao = Criar<QPushButton>(pai, nome);
    botao->setIcon(QIcon(QString::fromLatin1(glifo)));
    botao->setIconSize(QSize(lado, lado));
    return botao;
}

} // namespace

TFormOM::TFormOM(TParametros& p, QWidget* pai) : QWidget(pai) {
    setObjectName(QStringLiteral("FormOM"));
    setWindowTitle(ParaQt(kTituloAplicacao));
    CriarPaineis();
    CriarOcultos();
    CriarRelatorio();
    DefinirOrdemTabulacao();
    ApresentarMensagem = [this](const std::string& texto, TipoMensagem tipo) {
        MostrarMensagem(texto, tipo, this);
    };
    FormCreate(p);
}

void TFormOM::CriarPaineis() {
    PainelFichaPro = Painel(this, "PainelFichaPro", QFrame::Plain);
    PainelFichaPro->installEventFilter(this);

    PainelTermFicha = Painel(this, "PainelTermFicha", QFrame::Sunken);
    Colorir(PainelTermFicha, QPalette::Window, kCreme);
    PainelTermFicha->hide();
    Label3 = Criar<QLabel>(PainelTermFicha, "Label3");
    Label3->setFont(Fonte("Arial Black", 27, true));
    Colorir(Label3, QPalette::WindowText, kMarinho);
    Label3->move(50, 70);

    PainelImprime = Painel(PainelFichaPro, "PainelImprime", QFrame::Sunken);
    PainelImprime->setGeometry(2, 2, 946, 512);
    PainelImprime->hide();
    PainelImprime->installEventFilter(this);
}

void TFormOM::CriarOcultos() {
    Memo1 = Criar<QPlainTextEdit>(PainelFichaPro, "Memo1");
    Memo1->setGeometry(2000, 0, 397, 84);
    Memo2 = Criar<QPlainTextEdit>(PainelFichaPro, "Memo2");
    Memo2->setGeometry(2000, 100, 181, 57);
    for (auto* memo : {Memo1, Memo2}) {
        memo->setFont(Fonte("Courier", 13));
        memo->hide();
    }
    int topo = 200;
    for (auto** edicao : {&EstacaoSel, &NPedidoInicial, &NPedidoFinal, &NFormula}) {
        *edicao = new QLineEdit(PainelFichaPro);
        (*edicao)->setGeometry(2000, topo, 121, 21);
        (*edicao)->hide();
        topo += 30;
    }
    EstacaoSel->setObjectName(QStringLiteral("EstacaoSel"));
    NPedidoInicial->setObjectName(QStringLiteral("NPedidoInicial"));
    NPedidoFinal->setObjectName(QStringLiteral("NPedidoFinal"));
    NFormula->setObjectName(QStringLiteral("NFormula"));
}

void TFormOM::CriarRelatorio() {
    LabelOM = Criar<QLabel>(PainelImprime, "LabelOM");
    LabelOM->setText(ParaQt("Laudo de An\xE1lise do Controle de Qualidade"));
    LabelOM->setFont(Fonte("Arial", 16));
    Colorir(LabelOM, QPalette::WindowText, kVerde);
    LabelOM->move(18, 16);
    LabelOM->adjustSize();

    Tamanho = Criar<QLabel>(PainelImprime, "Tamanho");
    Tamanho->setGeometry(439, 16, 37, 20);
    Tamanho->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Tamanho->setFont(Fonte("Arial", 13));
    Colorir(Tamanho, QPalette::WindowText, Qt::black);

    BitBtn25 = Botao(PainelImprime, "BitBtn25", ":/glifos/seta-esquerda.png", 16);
    BitBtn25->setGeometry(411, 11, 34, 28);
    BitBtn26 = Botao(PainelImprime, "BitBtn26", ":/glifos/seta-direita.png", 16);
    BitBtn26->setGeometry(471, 11, 31, 27);
    Tamanho->stackUnder(BitBtn25); // a label lies under the buttons it touches

    BotImprPedido = Botao(PainelImprime, "BotImprPedido", ":/glifos/impressora.png", 24);
    BotImprPedido->setText(QStringLiteral("I&mprimir"));
    BotImprPedido->setGeometry(580, 9, 149, 34);
    BotImprPedido->setFont(Fonte("Arial", 16, true));
    Colorir(BotImprPedido, QPalette::ButtonText, kMarinho);

    BitBtn22 = Botao(PainelImprime, "BitBtn22", ":/glifos/voltar.png", 24);
    BitBtn22->setText(QStringLiteral("&Voltar"));
    BitBtn22->setGeometry(797, 9, 139, 34);
    BitBtn22->setFont(Fonte("Arial", 16, true));
    Colorir(BitBtn22, QPalette::ButtonText, kVermelho);

    RelPed = Criar<QPlainTextEdit>(PainelImprime, "RelPed");
    RelPed->setGeometry(2, 64, 942, kAlturaRelPed);
    RelPed->setReadOnly(true);
    RelPed->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    RelPed->setLineWrapMode(QPlainTextEdit::NoWrap);
    RelPed->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RelPed->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RelPed->setTabChangesFocus(true);
    RelPed->setUndoRedoEnabled(false);
    RelPed->setFont(FonteDoRelatorio());
    Colorir(RelPed, QPalette::Base, Qt::white);
    Colorir(RelPed, QPalette::Text, kMarinho);

    connect(BitBtn25, &QPushButton::clicked, this, [this] { BitBtn25Click(); });
    connect(BitBtn26, &QPushButton::clicked, this, [this] { BitBtn26Click(); });
    connect(BitBtn22, &QPushButton::clicked, this, [this] { BitBtn22Click(); });
    connect(BotImprPedido, &QPushButton::clicked, this, [this] { BotImprPedidoClick(); });
    AplicarTamanhoFonte();
}

void TFormOM::DefinirOrdemTabulacao() {
    setTabOrder(BotImprPedido, BitBtn22);
    setTabOrder(BitBtn22, RelPed);
    setTabOrder(RelPed, BitBtn25);
    setTabOrder(BitBtn25, BitBtn26);
}

void TFormOM::FormCreate(TParametros& p) {
    resize(960, 610);
    if (const QScreen* tela = screen())
        move(tela->availableGeometry().center() - rect().center());
    AplicarPredefinicoes(p);
}

void TFormOM::AplicarTamanhoFonte() {
    QFont fonte = RelPed->font();
    // A size of 0 or below cannot be drawn: the text stays at 1 point while Tamanho
    // shows the number the buttons reached.
    fonte.setPointSize(std::max(tamanhoFonte_, 1));
    RelPed->setFont(fonte);
    Tamanho->setText(QString::number(tamanhoFonte_));
}

void TFormOM::BitBtn25Click() {
    --tamanhoFonte_;
    AplicarTamanhoFonte();
}

void TFormOM::BitBtn26Click() {
    ++tamanhoFonte_;
    AplicarTamanhoFonte();
}

void TFormOM::BitBtn22Click() {
    PainelImprime->hide();
    close();
}

void TFormOM::BotImprPedidoClick() {
    if (AoImprimir)
        AoImprimir();
}

void TFormOM::FormClose() {
    const CamposPedido campos{DeQt(EstacaoSel->text()), DeQt(NPedidoInicial->text()),
                              DeQt(NPedidoFinal->text())};
    // Nothing fills the three edits; with any of them empty the statement would be
    // incomplete, so it is not sent.
    if (campos.estacao.empty() || campos.pedidoInicial.empty() || campos.pedidoFinal.empty())
        return;
    if (AoFecharPedidos)
        AoFecharPedidos(campos);
}

// --- Tela ---

void TFormOM::Mensagem(const std::string& texto, TipoMensagem tipo) {
    if (!Encerrando()) // a box now would hold the end back until someone closes it
        ApresentarMensagem(texto, tipo);
}

void TFormOM::MostrarEspera() {
    PainelTermFicha->setGeometry(203, 115, 554, 179);
    PainelTermFicha->show();
    PainelTermFicha->raise();
    PainelTermFicha->repaint();
}

void TFormOM::TextoEspera(const std::string& texto) {
    Label3->setText(ParaQt(texto));
    Label3->adjustSize();
    Label3->move(50, Label3->y());
}

void TFormOM::EsconderEspera() {
    PainelTermFicha->hide();
}

void TFormOM::DefinirCor(std::int32_t cor) {
    const QColor fundo = CorDoValor(cor, QApplication::palette());
    Colorir(this, QPalette::Window, fundo);
    Colorir(PainelFichaPro, QPalette::Window, fundo);
}

void TFormOM::DefinirTitulo(const std::string& titulo) {
    setWindowTitle(ParaQt(titulo));
}

void TFormOM::EsconderEdicoes() {
    for (auto* edicao : {EstacaoSel, NPedidoInicial, NPedidoFinal, NFormula})
        edicao->hide();
}

void TFormOM::LimparRelatorio() {
    RelPed->clear();
    linhasRelatorio_ = 0;
}

void TFormOM::AcrescentarLinhaRelatorio(const std::string& linha) {
    QTextCursor cursor(RelPed->document());
    cursor.movePosition(QTextCursor::End);
    if (linhasRelatorio_ > 0)
        cursor.insertBlock();
    cursor.insertText(LinhaDoRelatorioParaQt(linha));
    ++linhasRelatorio_;
}

std::vector<std::string> TFormOM::LinhasRelatorio() const {
    std::vector<std::string> linhas;
    if (linhasRelatorio_ == 0)
        return linhas;
    for (QTextBlock bloco = RelPed->document()->begin(); bloco.isValid(); bloco = bloco.next())
        linhas.push_back(LinhaDoRelatorioDeQt(bloco.text()));
    return linhas;
}

void TFormOM::RelatorioAoInicio() {
    QTextCursor cursor = RelPed->textCursor();
    cursor.movePosition(QTextCursor::Start);
    RelPed->setTextCursor(cursor);
    RelPed->ensureCursorVisible();
    RelPed->horizontalScrollBar()->setValue(0);
}

void TFormOM::MostrarRelatorio() {
    PainelImprime->setGeometry(2, 2, 946, 512);
    relatorioPreenche_ = true;
    PainelImprime->setGeometry(PainelFichaPro->rect());
    PosicionarRelPed();
    PainelImprime->show();
    BotImprPedido->show();
    Colorir(RelPed, QPalette::Base, Qt::white);
    Colorir(RelPed, QPalette::Text, kMarinho);
}

void TFormOM::ProcessarMensagens() {
    QCoreApplication::processEvents();
}

void TFormOM::FecharJanela() {
    close();
}

bool TFormOM::Encerrando() {
    return fechada_ || (interrupcao_ && interrupcao_->SinalPedido() != 0);
}

bool TFormOM::Esperar(std::chrono::milliseconds tempo) {
    if (!interrupcao_)
        return Tela::Esperar(tempo);
    return interrupcao_->EsperarPedido(tempo) || fechada_;
}

// --- events ---

// The sequence waits on servers that may be slow or silent: it starts once the window has
// been drawn, so that a wait never leaves an empty rectangle on the screen. A window that
// is never drawn (shown minimised) starts it all the same a moment later.
void TFormOM::AgendarInicio() {
    if (inicioPedido_)
        return;
    inicioPedido_ = true;
    QTimer::singleShot(kEsperaPelaPintura, this, [this] { Iniciar(); });
    if (pintada_)
        Iniciar();
}

void TFormOM::Iniciar() {
    if (inicioAgendado_ || !inicioPedido_)
        return;
    inicioAgendado_ = true;
    // From the event loop, once the drawing has reached the screen, and never a second
    // time: the sequence's own message boxes activate the window again when they close.
    QTimer::singleShot(0, this, [this] {
        if (AoAtivar)
            AoAtivar();
    });
}

bool TFormOM::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        AgendarInicio();
    const bool tratado = QWidget::event(e);
    if (e->type() == QEvent::Paint)
        Pintada();
    return tratado;
}

void TFormOM::Pintada() {
    if (pintada_)
        return;
    pintada_ = true;
    Iniciar();
}

void TFormOM::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    // Some platforms (offscreen among them) may never report an activation.
    AgendarInicio();
}

void TFormOM::closeEvent(QCloseEvent* e) {
    if (!fechada_) // a second close (a signal after the close button) changes nothing
        FormClose();
    fechada_ = true;
    e->accept();
}

void TFormOM::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    PainelFichaPro->setGeometry(rect());
}

void TFormOM::PosicionarRelPed() {
    // Bottom-aligned with its own height and the panel's full width; in a window too
    // low for that it gives up height rather than cover the buttons.
    const QRect painel =
        PainelImprime->rect().adjusted(kBordaPainel, kBordaPainel, -kBordaPainel, -kBordaPainel);
    const int topo = std::max(kTopoRelPed, painel.bottom() + 1 - kAlturaRelPed);
    const int altura = std::max(0, painel.bottom() + 1 - topo);
    RelPed->setGeometry(painel.left(), topo, painel.width(), altura);
}

bool TFormOM::eventFilter(QObject* objeto, QEvent* e) {
    if (e->type() == QEvent::Paint && objeto == PainelFichaPro)
        Pintada(); // the panel fills the window
    if (e->type() == QEvent::Resize) {
        if (objeto == PainelFichaPro && relatorioPreenche_)
            PainelImprime->setGeometry(PainelFichaPro->rect());
        else if (objeto == PainelImprime && relatorioPreenche_)
            PosicionarRelPed();
    }
    return QWidget::eventFilter(objeto, e);
}

} // namespace tessela
