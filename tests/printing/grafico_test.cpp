// Graphic printing and the print command, against the private cupsd of the CupsServer
// fixture: what reaches the print system, the messages, the user's default printer and
// the run's list of installed printers. Where the lines land on the page: posicoes_test.cpp.

#include "printing/grafico_teste.h"
#include "printing/impressao.h"
#include "printing/pagina_pdf.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tessela {
namespace {

namespace fs = std::filesystem;
using teste::ImpressaoGrafica;
using teste::kContinuarPdf;
using teste::kEsperaCurta;
using teste::MensagemVista;

// A queue added to the private cupsd for one test and removed at its end.
class FilaTemporaria {
public:
    explicit FilaTemporaria(std::string nome) : nome_(std::move(nome)) {
        Lpadmin("-p " + nome_ + " -v socket://127.0.0.1:9 -E");
    }
    ~FilaTemporaria() { Remover(); }
    FilaTemporaria(const FilaTemporaria&) = delete;
    FilaTemporaria& operator=(const FilaTemporaria&) = delete;
    void Remover() {
        if (!nome_.empty())
            Lpadmin("-x " + nome_);
        nome_.clear();
    }

private:
    static void Lpadmin(const std::string& argumentos) {
        EXPECT_EQ(std::system(("lpadmin " + argumentos + " 2>&1").c_str()), 0) << argumentos;
    }
    std::string nome_;
};

// ---- tests --------------------------------------------------------------------------

TEST_F(ImpressaoGrafica, TresPaginasTresDocumentosNaOrdem) {
    Imprimir();
    EXPECT_EQ(tela.mensagens, std::vector<MensagemVista>(3, kContinuarPdf));
    const auto trabalhos = Trabalhos();
    ASSERT_EQ(trabalhos.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(trabalhos[k].fila, "PDF_Laudo");
        EXPECT_EQ(trabalhos[k].titulo, "Pagina_" + std::to_string(k + 1));
        EXPECT_TRUE(fs::exists(pastaPdf / ("Pagina_" + std::to_string(k + 1) + ".pdf")));
    }
    EsperarPadraoDeVolta();
}

// The end of the run asked for in the pause after page 1 (a signal): page 1 is whole,
// page 2 is never begun, no further box opens, and the default printer is given back.
TEST_F(ImpressaoGrafica, FimPedidoNaPausaTerminaEntreDuasPaginas) {
    tela.encerrarNaPausa = 1;
    Imprimir();
    const auto trabalhos = Trabalhos();
    ASSERT_EQ(trabalhos.size(), 1u);
    EXPECT_EQ(trabalhos[0].titulo, "Pagina_1");
    EXPECT_TRUE(fs::exists(pastaPdf / "Pagina_1.pdf"));
    EXPECT_TRUE(tela.mensagens.empty());
    EsperarPadraoDeVolta();
}

// The end asked for as the print begins: no page is begun and no box opens.
TEST_F(ImpressaoGrafica, FimPedidoAntesDaPrimeiraPaginaNadaImprime) {
    tela.encerrarNaPausa = 1;
    tela.pausas = 1; // the end has already been asked for
    Imprimir();
    EXPECT_TRUE(Trabalhos().empty());
    EXPECT_TRUE(tela.mensagens.empty());
    EsperarPadraoDeVolta();
}

// The installed printers are read at the first print of the run and kept: a queue added
// later is not found, one removed is still listed. Another run reads them afresh.
TEST_F(ImpressaoGrafica, ListaDeImpressorasLidaUmaVezNaExecucao) {
    FilaTemporaria efemera("Efemera");
    ASSERT_TRUE(cups.Existe("Efemera"));
    s.ImpressoraRelatorios = "Nova";
    Imprimir();
    FilaTemporaria nova("Nova");
    efemera.Remover();
    Imprimir();
    // Both prints list the queues as the first one read them: Efemera, not Nova.
    ASSERT_EQ(tela.mensagens.size(), 2u);
    for (const auto& m : tela.mensagens) {
        EXPECT_EQ(m.texto.rfind("A impressora \"Nova\" informada n\xE3o corresponde", 0), 0u);
        EXPECT_NE(m.texto.find("\rBruta\rEfemera\rHP_LaserJet_Recepcao\r"), std::string::npos);
        EXPECT_EQ(m.texto.find("Nova\r"), std::string::npos);
    }
    EXPECT_EQ(teste::UltimoTrabalho(), ultimoTrabalho);

    TImpressorasInstaladas outraExecucao;
    s.ImpressoraRelatorios = "Matricial";
    ImprimirGrafico(p, s, outraExecucao, tela, cups, kEsperaCurta);
    ASSERT_EQ(tela.mensagens.size(), 3u);
    EXPECT_NE(tela.mensagens[2].texto.find("\rLaudo_Sala\rNova\rPDF_Laudo\r"), std::string::npos);
    EXPECT_EQ(tela.mensagens[2].texto.find("Efemera"), std::string::npos);
    EsperarPadraoDeVolta();
}

TEST_F(ImpressaoGrafica, EntrelinhamentoPequenoAvisaENadaImprime) {
    p.EntrelinhamentoLaudo = 3;
    p.EntrelinhamentoCorpo = 0;
    Imprimir();
    EXPECT_EQ(tela.mensagens,
              (std::vector<MensagemVista>{{"Erro de configura\xE7\xE3o em MAGNOLIA.INI:\r"
                                           "-> Entrelinhamento muito pequeno ou inexistente.\r"
                                           "   O relat\xF3rio n\xE3o ser\xE1 gerado corretamente",
                                           TipoMensagem::Simples}}));
    EXPECT_EQ(teste::UltimoTrabalho(), ultimoTrabalho);
    EsperarPadraoDeVolta();
}

TEST_F(ImpressaoGrafica, FaceInexistenteCaiNaDeLarguraFixaETamanhoZeroEmOito) {
    p.FonteLaudo = "Consolas"; // not installed here
    p.TamanhoFonteLaudo = 0;
    p.LinhasPorPagina = "66";
    s.ImpressoraRelatorios = "pdf_l"; // containment, in another letter case
    tela.relatorio = {"iiiiiiiiii | LAUDO DE ANALISE", "WWWWWWWWWW"};
    Imprimir();
    EXPECT_EQ(s.ImpressoraRelatorios, "PDF_Laudo");
    EXPECT_EQ(tela.mensagens, std::vector<MensagemVista>(1, kContinuarPdf));
    ASSERT_EQ(Trabalhos().size(), 1u);
    const auto pagina = teste::LerPaginaPdf(pastaPdf / "Pagina_1.pdf");
    const teste::Palavra& estreitas = pagina.palavras.at("iiiiiiiiii");
    const teste::Palavra& largas = pagina.palavras.at("WWWWWWWWWW");
    EXPECT_NEAR(estreitas.xMax - estreitas.xMin, largas.xMax - largas.xMin, 0.2);
    // 8 points at 300 dpi: 33 pixels.
    EXPECT_NEAR(teste::TamanhoDaFonte(largas, pagina), teste::Pontos(33, 300), 0.2);
    EsperarPadraoDeVolta();
}

TEST_F(ImpressaoGrafica, FaceVaziaDesenhaComAFaceDoPintor) {
    p.FonteLaudo = "";
    p.LinhasPorPagina = "66";
    tela.relatorio = {"Vazia | LAUDO DE ANALISE"};
    Imprimir();
    ASSERT_EQ(Trabalhos().size(), 1u);
    const auto palavras = teste::LerPaginaPdf(pastaPdf / "Pagina_1.pdf").palavras;
    ASSERT_TRUE(palavras.count("Vazia"));
    // The whole page is printable: 12 pixels at 300 dpi from the paper's edge.
    EXPECT_NEAR(palavras.at("Vazia").xMin, teste::Pontos(12, 300), 0.2);
}

// The colour of the ink on the printed page: the pixel farthest from the white paper.
QColor TintaDaPagina(const std::filesystem::path& pdf) {
    const std::string ppm = teste::Executar("pdftoppm -r 150 '" + pdf.string() + "'");
    // P6 header: magic, width, height, maximum, each followed by one blank.
    std::size_t pos = 0;
    for (int campos = 0; campos < 4; ++campos)
        pos = ppm.find_first_of(" \n", pos) + 1;
    QColor tinta(Qt::white);
    int maisEscura = 3 * 255;
    for (std::size_t i = pos; i + 2 < ppm.size(); i += 3) {
        const QColor c(static_cast<unsigned char>(ppm[i]), static_cast<unsigned char>(ppm[i + 1]),
                       static_cast<unsigned char>(ppm[i + 2]));
        if (c.red() + c.green() + c.blue() < maisEscura) {
            maisEscura = c.red() + c.green() + c.blue();
            tinta = c;
        }
    }
    return tinta;
}

// The font colour setting names the same colour on paper as on the screen: red, green and
// blue as 0x00BBGGRR, and a system colour (0xFF0000nn) from the palette the window takes,
// highlight here, which an earlier table of the print path had as the window text.
TEST_F(ImpressaoGrafica, CorDoFonteComoNaTela) {
    p.LinhasPorPagina = "66";
    tela.relatorio = {"HHHHHHHHHHHHHHHH | LAUDO DE ANALISE", "MMMMMMMMMMMMMMMMMMMMMMMM"};
    const QColor destaque = QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight);
    ASSERT_NE(destaque, QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText));
    for (const auto& [valor, esperada] :
         {std::pair{std::int32_t{0x000000FF}, QColor(255, 0, 0)},
          std::pair{static_cast<std::int32_t>(0xFF00000Du), destaque}}) {
        Esvaziar();
        p.CorFonte = valor;
        Imprimir();
        ASSERT_EQ(Trabalhos().size(), 1u);
        const QColor tinta = TintaDaPagina(pastaPdf / "Pagina_1.pdf");
        EXPECT_LE(std::abs(tinta.red() - esperada.red()), 12) << std::hex << valor;
        EXPECT_LE(std::abs(tinta.green() - esperada.green()), 12) << std::hex << valor;
        EXPECT_LE(std::abs(tinta.blue() - esperada.blue()), 12) << std::hex << valor;
    }
}

TEST_F(ImpressaoGrafica, PaginaRecusadaAvisaComOTextoDoCupsEDevolveOPadrao) {
    s.ImpressoraRelatorios = "Recusa";
    Imprimir();
    ASSERT_EQ(tela.mensagens.size(), 1u); // page 1 only: the print stops
    const auto& aviso = tela.mensagens[0];
    EXPECT_EQ(aviso.tipo, TipoMensagem::Aviso);
    EXPECT_EQ(aviso.texto.rfind("A impressora \"Recusa\" recusou a p\xE1gina 1 do Laudo do "
                                "Controle de Qualidade:\r",
                                0),
              0u)
        << aviso.texto;
    EXPECT_NE(aviso.texto.find("not accepting jobs"), std::string::npos) << aviso.texto;
    EXPECT_EQ(teste::UltimoTrabalho(), ultimoTrabalho);
    EsperarPadraoDeVolta();
}

TEST_F(ImpressaoGrafica, ErroNoMeioDaImpressaoDevolveOPadrao) {
    tela.falharNaMensagem = 1; // the message after page 1 raises
    EXPECT_THROW(Imprimir(), std::runtime_error);
    EXPECT_EQ(Trabalhos().size(), 1u);
    EsperarPadraoDeVolta();
}

TEST_F(ImpressaoGrafica, ImpressoraNaoEncontradaAvisaComALista) {
    s.ImpressoraRelatorios = "Matricial";
    Imprimir();
    ASSERT_EQ(tela.mensagens.size(), 1u);
    EXPECT_EQ(tela.mensagens[0].texto.rfind("A impressora \"Matricial\" informada n\xE3o", 0), 0u);
    EXPECT_EQ(teste::UltimoTrabalho(), ultimoTrabalho);
    EsperarPadraoDeVolta();
}

TEST_F(ImpressaoGrafica, SemPadraoAntesASelecionadaFica) {
    teste::EsquecerOpcoesDoUsuario();
    s.ImpressoraRelatorios = "Laudo"; // a raw queue takes the job just as well
    p.LinhasPorPagina = "66";
    tela.relatorio = {"| LAUDO DE ANALISE"};
    Imprimir();
    EXPECT_TRUE(tela.mensagens.empty()); // no PDF in the name: only the pause
    ASSERT_EQ(Trabalhos().size(), 1u);
    EXPECT_EQ(cups.Padrao(), "Laudo");
}

// ---- the print command ----------------------------------------------------------------

TEST_F(ImpressaoGrafica, ComandoComZeroLinhasPorPaginaAvisaENadaImprime) {
    p.LinhasPorPagina = "0";
    BotImprPedidoClick(p, s, instaladas, tela, cups, kEsperaCurta);
    EXPECT_EQ(tela.mensagens,
              (std::vector<MensagemVista>{
                  {"O par\xE2metro \"QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:\" n\xE3o "
                   "foi informado corretamente no MAGNOLIA.INI!\rFavor corrigir antes de "
                   "continuar.",
                   TipoMensagem::Aviso}}));
    EXPECT_EQ(tela.eventos, (std::vector<std::string>{"ProcessarMensagens", "Mensagem",
                                                      "ProcessarMensagens", "RelatorioAoInicio"}));
    EXPECT_EQ(teste::UltimoTrabalho(), ultimoTrabalho);
}

TEST_F(ImpressaoGrafica, ComandoEscolheOCaminhoPeloTipoDeImpressora) {
    p.LinhasPorPagina = "66";
    tela.relatorio = {"| LAUDO DE ANALISE"};
    s.ImpressoraRelatorios = "Bruta";
    const auto capturas = teste::CapturasBrutas().size();
    for (const char* tipo : {"gRAFICA", "", "Texto"}) {
        p.TipoImpressora = tipo;
        BotImprPedidoClick(p, s, instaladas, tela, cups, kEsperaCurta);
        EXPECT_EQ(tela.eventos.back(), "RelatorioAoInicio");
    }
    EXPECT_TRUE(tela.mensagens.empty());
    // Graphic printing renders a PDF for the queue; raw printing sends the line's bytes.
    const auto trabalhos = Trabalhos();
    ASSERT_EQ(trabalhos.size(), 3u);
    const auto arquivos = teste::AguardarCapturas(capturas + 3);
    ASSERT_EQ(arquivos.size(), capturas + 3);
    EXPECT_EQ(teste::LerArquivo(arquivos[capturas]).rfind("%PDF", 0), 0u);
    for (std::size_t k = 1; k < 3; ++k)
        EXPECT_EQ(teste::LerArquivo(arquivos[capturas + k]), "\x0F| LAUDO DE ANALISE\x12\r\n");
    EsperarPadraoDeVolta();
}

} // namespace
} // namespace tessela

int main(int argc, char** argv) {
    tessela::teste::PrepararAmbienteCups();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication aplicacao(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
