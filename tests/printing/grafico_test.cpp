// Graphic printing and the print command, against the private cupsd of the CupsServer
// fixture: what reaches the print system, the messages, the user's default printer and
// the run's list of installed printers. Where the lines land on the page: posicoes_test.cpp.

#include "printing/grafico_teste.h"
#include "printing/impressao.h"
#include "printing/pagina_pdf.h"

#include <QGuiApplication>
#include <algorithm>
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

std::string MensagemNaoEncontrada(const std::string& configurada,
                                  const std::vector<std::string>& lista) {
    std::string texto = "A impressora \"" + configurada +
                        "\" informada n\xE3o corresponde a nenhuma das impressoras instaladas "
                        "no servidor.\rAs op\xE7\xF5"
                        "es dispon\xEDveis s\xE3o:\r";
    for (const auto& nome : lista)
        texto += nome + "\r";
    return texto;
}

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

// The installed printers are read at the first print of the run and kept: a queue added
// later is not found, one removed is still listed. Another run reads them afresh.
TEST_F(ImpressaoGrafica, ListaDeImpressorasLidaUmaVezNaExecucao) {
    FilaTemporaria efemera("Efemera");
    const std::vector<std::string> antes = cups.Impressoras();
    ASSERT_NE(std::find(antes.begin(), antes.end(), "Efemera"), antes.end());
    s.ImpressoraRelatorios = "Nova";
    Imprimir();
    FilaTemporaria nova("Nova");
    efemera.Remover();
    Imprimir();
    EXPECT_EQ(tela.mensagens, std::vector<MensagemVista>(2, {MensagemNaoEncontrada("Nova", antes),
                                                             TipoMensagem::Simples}));
    EXPECT_EQ(teste::UltimoTrabalho(), ultimoTrabalho);

    TImpressorasInstaladas outraExecucao;
    s.ImpressoraRelatorios = "Matricial";
    ImprimirGrafico(p, s, outraExecucao, tela, cups, kEsperaCurta);
    ASSERT_EQ(tela.mensagens.size(), 3u);
    EXPECT_EQ(tela.mensagens[2].texto, MensagemNaoEncontrada("Matricial", cups.Impressoras()));
    EXPECT_NE(tela.mensagens[2].texto.find("\rNova\r"), std::string::npos);
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

TEST_F(ImpressaoGrafica, CorDoFonteEmAzulVerdeVermelho) {
    p.CorFonte = 0x000000FF; // red, as 0x00BBGGRR
    p.LinhasPorPagina = "66";
    tela.relatorio = {"HHHHHHHHHHHHHHHH | LAUDO DE ANALISE", "MMMMMMMMMMMMMMMMMMMMMMMM"};
    Imprimir();
    ASSERT_EQ(Trabalhos().size(), 1u);
    const std::string ppm =
        teste::Executar("pdftoppm -r 150 '" + (pastaPdf / "Pagina_1.pdf").string() + "'");
    // P6 header: magic, width, height, maximum, each followed by one blank.
    std::size_t pos = 0;
    for (int campos = 0; campos < 4; ++campos)
        pos = ppm.find_first_of(" \n", pos) + 1;
    int tinta = 0;
    for (std::size_t i = pos; i + 2 < ppm.size(); i += 3) {
        const int r = static_cast<unsigned char>(ppm[i]);
        const int g = static_cast<unsigned char>(ppm[i + 1]);
        const int b = static_cast<unsigned char>(ppm[i + 2]);
        if (std::min({r, g, b}) > 128)
            continue; // paper, and the light edges of the glyphs
        ++tinta;
        EXPECT_GT(r - g, 100);
        EXPECT_GT(r - b, 100);
        if (HasFailure())
            break;
    }
    EXPECT_GT(tinta, 50);
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
