// Graphic printing and the print command, against the private cupsd of the CupsServer
// fixture: pages go through the cups-pdf queue PDF_Laudo and are measured in the PDF
// files it writes.

#include "printing/cups_teste.h"
#include "printing/grafico.h"
#include "printing/impressao.h"
#include "printing/sistema_cups.h"
#include "printing/tela_impressao.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPrinter>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace tessela {
namespace {

namespace fs = std::filesystem;
using teste::MensagemVista;
using teste::TelaDeImpressao;

constexpr std::chrono::milliseconds kEsperaCurta{10};
constexpr int kDpiPdf = 300; // the default resolution of the cups-pdf driver
const char* const kFace = "DejaVu Sans Mono";

// ---- reading the PDF files ----------------------------------------------------------

struct Palavra {
    std::string texto;
    double xMin, yMin, xMax, yMax; // PDF points from the top-left of the page
};

std::string Executar(const std::string& comando) {
    std::string saida;
    FILE* f = popen(comando.c_str(), "r");
    if (f == nullptr)
        throw std::runtime_error("cannot run " + comando);
    char bloco[4096];
    for (std::size_t n; (n = fread(bloco, 1, sizeof bloco, f)) > 0;)
        saida.append(bloco, n);
    if (pclose(f) != 0)
        throw std::runtime_error("failed: " + comando);
    return saida;
}

// The words of the PDF's only page, by text.
std::map<std::string, Palavra> PalavrasDoPdf(const fs::path& pdf) {
    const std::string xhtml = Executar("pdftotext -bbox '" + pdf.string() + "' -");
    EXPECT_EQ(xhtml.find("<page "), xhtml.rfind("<page ")) << pdf << " holds more than one page";
    static const std::regex palavra(
        R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
    std::map<std::string, Palavra> palavras;
    for (std::sregex_iterator i(xhtml.begin(), xhtml.end(), palavra), fim; i != fim; ++i) {
        const auto& m = *i;
        palavras[m[5]] = {m[5], std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])};
    }
    return palavras;
}

// The font's ascent and descent as the PDF describes them (thousandths of the size):
// pdftotext puts a word's top at baseline - ascent × size and its bottom at
// baseline - descent × size.
struct Descritor {
    double ascent, descent;
};
Descritor DescritorDaFonte(const fs::path& pdf) {
    const std::string bytes = teste::LerArquivo(pdf);
    std::smatch a, d;
    static const std::regex ascent(R"(/Ascent\s+(-?[0-9.]+))"),
        descent(R"(/Descent\s+(-?[0-9.]+))");
    if (!std::regex_search(bytes, a, ascent) || !std::regex_search(bytes, d, descent))
        throw std::runtime_error("no font descriptor in " + pdf.string());
    return {std::stod(a[1]) / 1000.0, std::stod(d[1]) / 1000.0};
}

double Baseline(const Palavra& p, const Descritor& f) {
    const double tamanho = (p.yMax - p.yMin) / (f.ascent - f.descent);
    return p.yMin + f.ascent * tamanho;
}

double TamanhoEmPontos(const Palavra& p, const Descritor& f) {
    return (p.yMax - p.yMin) / (f.ascent - f.descent);
}

double Pontos(double pixels, int dpi) {
    return pixels * 72.0 / dpi;
}

// What Qt itself says of the page and the font on that printer at that resolution.
struct Geometria {
    double margemEsquerda, margemSuperior; // points
    double ascent;                         // points
    double avanco;                         // one character, points
};
Geometria GeometriaDe(const std::string& impressora, int dpi, const QFont& fonte) {
    QPrinter printer;
    printer.setPrinterName(QString::fromStdString(impressora));
    printer.setResolution(dpi);
    const QRect area = printer.pageLayout().paintRectPixels(dpi);
    const QFontMetricsF metricas(fonte, &printer);
    return {Pontos(area.left(), dpi), Pontos(area.top(), dpi), Pontos(metricas.ascent(), dpi),
            Pontos(metricas.horizontalAdvance(' '), dpi)};
}

QFont FonteEsperada(int pontos) {
    QFont fonte(kFace);
    fonte.setPixelSize(static_cast<int>(std::lround(pontos * kDpiPdf / 72.0)));
    return fonte;
}

// ---- fixtures -----------------------------------------------------------------------

class ImpressaoGrafica : public teste::ComCups {
protected:
    TParametros p;
    TSessao s;
    TImpressorasInstaladas instaladas;
    TelaDeImpressao tela;
    SistemaCups cups;
    fs::path pastaPdf;
    int ultimoTrabalho = 0;

    void SetUp() override {
        ComCups::SetUp();
        if (IsSkipped())
            return;
        AplicarPredefinicoes(p);
        p.FonteLaudo = kFace;
        p.LinhasPorPagina = "3";
        p.TipoImpressora = "Grafica";
        s.ImpressoraRelatorios = "PDF_Laudo";
        // Lines 0-2, 3-5 and 6 make three pages; 7 and 8 lie on no page.
        tela.relatorio = {"P1L1 cabecalho",
                          "P1L2 borda",
                          "P1L3 | LAUDO DE ANALISE",
                          "P2L1 teste",
                          "     P2L2 recuada",
                          "P2L3 a\xE7\xE3o",
                          "P3L1 rodape",
                          " ",
                          " "};
        cups.DefinirPadrao("Laudo");
        opcoesAntes = teste::OpcoesDoUsuario();
        pastaPdf = teste::PastaPdfVazia();
        ultimoTrabalho = teste::UltimoTrabalho();
    }

    void Imprimir() { ImprimirGrafico(p, s, instaladas, tela, cups, kEsperaCurta); }

    std::vector<teste::TrabalhoCups> Trabalhos() {
        return teste::TrabalhosConcluidosDepois(ultimoTrabalho);
    }

    // The user's default is as it was before the print.
    void EsperarPadraoDeVolta() {
        EXPECT_EQ(cups.Padrao(), "Laudo");
        EXPECT_EQ(teste::OpcoesDoUsuario(), opcoesAntes);
    }

    std::string opcoesAntes;
};

const MensagemVista kContinuarPdf{"Tecle <enter> para continuar a impress\xE3o em PDF.",
                                  TipoMensagem::Simples};

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

TEST_F(ImpressaoGrafica, TresPaginasTresPdfsComAsLinhasNoLugar) {
    Imprimir();
    EXPECT_EQ(tela.mensagens, std::vector<MensagemVista>(3, kContinuarPdf));

    const auto trabalhos = Trabalhos();
    ASSERT_EQ(trabalhos.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(trabalhos[k].fila, "PDF_Laudo");
        EXPECT_EQ(trabalhos[k].titulo, "Pagina_" + std::to_string(k + 1));
    }
    EsperarPadraoDeVolta();

    const Geometria g = GeometriaDe("PDF_Laudo", kDpiPdf, FonteEsperada(8));
    const double x = g.margemEsquerda + Pontos(std::lround(kDpiPdf / 25.4), kDpiPdf);
    const double e = p.EntrelinhamentoLaudo;
    const std::vector<std::vector<std::string>> linhasPorPagina = {
        {"P1L1", "P1L2", "P1L3"}, {"P2L1", "P2L2", "P2L3"}, {"P3L1"}};
    for (std::size_t k = 0; k < 3; ++k) {
        const fs::path pdf = pastaPdf / ("Pagina_" + std::to_string(k + 1) + ".pdf");
        ASSERT_TRUE(fs::exists(pdf)) << pdf;
        const auto palavras = PalavrasDoPdf(pdf);
        const Descritor fonte = DescritorDaFonte(pdf);
        const auto& linhas = linhasPorPagina[k];
        for (std::size_t n = 1; n <= linhas.size(); ++n) {
            SCOPED_TRACE(linhas[n - 1]);
            ASSERT_TRUE(palavras.count(linhas[n - 1]));
            const Palavra& w = palavras.at(linhas[n - 1]);
            // Leading blanks are drawn: the indented line starts five characters in.
            const double recuo = linhas[n - 1] == "P2L2" ? 5 * g.avanco : 0.0;
            EXPECT_NEAR(w.xMin, x + recuo, 0.05);
            // Top of the character cell: 15 × E for the first line, 5 × E further each.
            const double topo = Baseline(w, fonte) - g.ascent;
            EXPECT_NEAR(topo - g.margemSuperior, Pontos(e * (5.0 * n + 10.0), kDpiPdf), 0.1);
            EXPECT_NEAR(TamanhoEmPontos(w, fonte), Pontos(std::lround(8 * kDpiPdf / 72.0), kDpiPdf),
                        0.05);
        }
        // The lines of other pages are not on this one.
        for (std::size_t outra = 0; outra < 3; ++outra)
            for (const auto& linha : linhasPorPagina[outra])
                EXPECT_EQ(palavras.count(linha), outra == k ? 1u : 0u) << linha;
    }
    EXPECT_TRUE(PalavrasDoPdf(pastaPdf / "Pagina_2.pdf").count("a\xC3\xA7\xC3\xA3o"));
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

TEST_F(ImpressaoGrafica, EntrelinhamentoQuatroDaPassoDeVintePixels) {
    p.EntrelinhamentoLaudo = 4;
    p.EntrelinhamentoCorpo = 0;
    p.LinhasPorPagina = "66";
    tela.relatorio = {"A1 | LAUDO DE ANALISE", "B2", "C3", "D4"};
    Imprimir();
    ASSERT_EQ(Trabalhos().size(), 1u);
    const fs::path pdf = pastaPdf / "Pagina_1.pdf";
    const auto palavras = PalavrasDoPdf(pdf);
    const Descritor fonte = DescritorDaFonte(pdf);
    const Geometria g = GeometriaDe("PDF_Laudo", kDpiPdf, FonteEsperada(8));
    const std::vector<std::string> linhas = {"A1", "B2", "C3", "D4"};
    for (std::size_t n = 1; n <= linhas.size(); ++n) {
        const double topo = Baseline(palavras.at(linhas[n - 1]), fonte) - g.ascent;
        EXPECT_NEAR(topo - g.margemSuperior, Pontos(60 + 20 * (n - 1.0), kDpiPdf), 0.1)
            << linhas[n - 1];
    }
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
    s.ImpressoraRelatorios = "pdf"; // containment, in another letter case
    tela.relatorio = {"iiiiiiiiii | LAUDO DE ANALISE", "WWWWWWWWWW"};
    Imprimir();
    EXPECT_EQ(s.ImpressoraRelatorios, "PDF_Laudo");
    EXPECT_EQ(tela.mensagens, std::vector<MensagemVista>(1, kContinuarPdf));
    ASSERT_EQ(Trabalhos().size(), 1u);
    const fs::path pdf = pastaPdf / "Pagina_1.pdf";
    const auto palavras = PalavrasDoPdf(pdf);
    const Palavra& estreitas = palavras.at("iiiiiiiiii");
    const Palavra& largas = palavras.at("WWWWWWWWWW");
    EXPECT_NEAR(estreitas.xMax - estreitas.xMin, largas.xMax - largas.xMin, 0.2);
    EXPECT_NEAR(TamanhoEmPontos(largas, DescritorDaFonte(pdf)),
                Pontos(std::lround(8 * kDpiPdf / 72.0), kDpiPdf), 0.05);
    EsperarPadraoDeVolta();
}

TEST_F(ImpressaoGrafica, FaceVaziaDesenhaComAFaceDoPintor) {
    p.FonteLaudo = "";
    p.LinhasPorPagina = "66";
    tela.relatorio = {"Vazia | LAUDO DE ANALISE"};
    Imprimir();
    ASSERT_EQ(Trabalhos().size(), 1u);
    const auto palavras = PalavrasDoPdf(pastaPdf / "Pagina_1.pdf");
    ASSERT_TRUE(palavras.count("Vazia"));
    const Geometria g = GeometriaDe("PDF_Laudo", kDpiPdf, FonteEsperada(8));
    EXPECT_NEAR(palavras.at("Vazia").xMin,
                g.margemEsquerda + Pontos(std::lround(kDpiPdf / 25.4), kDpiPdf), 0.05);
}

TEST_F(ImpressaoGrafica, CorDoFonteEmAzulVerdeVermelho) {
    p.CorFonte = 0x000000FF; // red, as 0x00BBGGRR
    p.LinhasPorPagina = "66";
    tela.relatorio = {"HHHHHHHHHHHHHHHH | LAUDO DE ANALISE", "MMMMMMMMMMMMMMMMMMMMMMMM"};
    Imprimir();
    ASSERT_EQ(Trabalhos().size(), 1u);
    const std::string ppm =
        Executar("pdftoppm -r 150 '" + (pastaPdf / "Pagina_1.pdf").string() + "'");
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
