// Where graphic printing puts the lines, measured on the pages that two cups-pdf queues
// of the private cupsd write, against what each queue's own driver declares: every
// position is device pixels of the printer (x at the horizontal resolution, y and the em
// height at the vertical one) from the top-left corner of the printable area, that is the
// paper's corner plus the declared margins. How the pages are measured: pagina_pdf.h.

#include "printing/grafico_teste.h"
#include "printing/pagina_pdf.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tessela {
namespace {

namespace fs = std::filesystem;
using teste::Declaracao;
using teste::Pontos;

constexpr double kTolerancia = 0.2; // points

class PosicoesNaPagina : public teste::ImpressaoGrafica {
protected:
    // The fixture's three-page report on the queue with the default spacing, face and size
    // (E = 16, 8 points), each line measured on its page.
    void MedirTresPaginas(const std::string& fila, const Declaracao& d) {
        const int em = static_cast<int>(std::lround(p.TamanhoFonteLaudo * d.dpiY / 72.0));
        const teste::Calibracao calibracao = teste::CalibrarFonte(QFont(teste::kFace), em, d.dpiY);
        std::printf("%s: calibration ascent %.3f pt in %s\n", fila.c_str(), calibracao.ascent,
                    calibracao.fonte.c_str());
        Esvaziar();
        p.FonteLaudo = "Consolas"; // the preset; missing here, so the system's fixed-pitch face
        s.ImpressoraRelatorios = fila;
        Imprimir();
        EXPECT_EQ(tela.mensagens, std::vector<teste::MensagemVista>(3, teste::kContinuarPdf));
        const auto trabalhos = Trabalhos();
        ASSERT_EQ(trabalhos.size(), 3u);
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_EQ(trabalhos[k].fila, fila);
            EXPECT_EQ(trabalhos[k].titulo, "Pagina_" + std::to_string(k + 1));
        }
        EsperarPadraoDeVolta();

        const double e = p.EntrelinhamentoLaudo;
        const double x = Pontos(std::lround(d.dpiX / 25.4), d.dpiX);
        const std::vector<std::vector<std::string>> linhasPorPagina = {
            {"P1L1", "P1L2", "P1L3"}, {"P2L1", "P2L2", "P2L3"}, {"P3L1"}};
        for (std::size_t k = 0; k < 3; ++k) {
            const fs::path pdf = pastaPdf / ("Pagina_" + std::to_string(k + 1) + ".pdf");
            ASSERT_TRUE(fs::exists(pdf)) << pdf;
            const teste::PaginaPdf pagina = teste::LerPaginaPdf(pdf);
            // The queue's own paper, in the face of the calibration.
            EXPECT_NEAR(pagina.largura, d.larguraFolha, 0.01);
            EXPECT_NEAR(pagina.altura, d.alturaFolha, 0.01);
            EXPECT_EQ(pagina.fonte, calibracao.fonte);
            const auto& linhas = linhasPorPagina[k];
            for (std::size_t n = 1; n <= linhas.size(); ++n) {
                SCOPED_TRACE(fila + " " + linhas[n - 1]);
                ASSERT_TRUE(pagina.palavras.count(linhas[n - 1]));
                const teste::Palavra& w = pagina.palavras.at(linhas[n - 1]);
                const double topo = teste::TopoDaCelula(w, pagina, calibracao) - d.topo;
                const double esquerda = w.xMin - d.esquerda;
                // Leading blanks are drawn: the indented line starts five characters in.
                const double recuo = linhas[n - 1] == "P2L2" ? 5 * (w.xMax - w.xMin) / 4 : 0.0;
                std::printf("%s page %zu (%.0f x %.0f pt) line %zu: cell top %.2f pt from the "
                            "paper's top, %.2f from the printable area's (%.2f expected); x "
                            "%.2f pt from the paper's left, %.2f from the area's (%.2f); em "
                            "%.2f pt (%.2f)\n",
                            fila.c_str(), k + 1, pagina.largura, pagina.altura, n, topo + d.topo,
                            topo, Pontos(e * (5.0 * n + 10.0), d.dpiY), w.xMin - recuo,
                            esquerda - recuo, x, teste::TamanhoDaFonte(w, pagina),
                            Pontos(em, d.dpiY));
                EXPECT_NEAR(topo, Pontos(e * (5.0 * n + 10.0), d.dpiY), kTolerancia);
                EXPECT_NEAR(esquerda - recuo, x, kTolerancia);
                EXPECT_NEAR(teste::TamanhoDaFonte(w, pagina), Pontos(em, d.dpiY), kTolerancia);
                if (n > 1) {
                    const auto& anterior = pagina.palavras.at(linhas[n - 2]);
                    EXPECT_NEAR(teste::LinhaDeBase(w, pagina) -
                                    teste::LinhaDeBase(anterior, pagina),
                                Pontos(5 * e, d.dpiY), kTolerancia);
                }
            }
            // The lines of other pages are not on this one.
            for (std::size_t outra = 0; outra < 3; ++outra)
                for (const auto& linha : linhasPorPagina[outra])
                    EXPECT_EQ(pagina.palavras.count(linha), outra == k ? 1u : 0u) << linha;
        }
        EXPECT_TRUE(
            teste::LerPaginaPdf(pastaPdf / "Pagina_2.pdf").palavras.count("a\xC3\xA7\xC3\xA3o"));
    }
};

TEST_F(PosicoesNaPagina, FilaDePaginaInteiraA300Dpi) {
    const Declaracao d = teste::DeclaracaoDaFila("PDF_Laudo");
    ASSERT_EQ(d.folha, "A4");
    ASSERT_EQ((std::vector<double>{d.esquerda, d.topo, d.direita, d.base}),
              std::vector<double>(4, 0.0));
    ASSERT_EQ(d.dpiX, 300);
    ASSERT_EQ(d.dpiY, 300);
    MedirTresPaginas("PDF_Laudo", d);
}

// Margins on every side, another paper than the A4 that Qt starts with, and a resolution
// that differs between the directions.
TEST_F(PosicoesNaPagina, FilaComMargensOutroPapelEResolucoesDiferentes) {
    const Declaracao d = teste::DeclaracaoDaFila("PDF_Margens");
    ASSERT_NE(d.folha, "A4");
    ASSERT_GT(d.esquerda, 0);
    ASSERT_GT(d.topo, 0);
    ASSERT_NE(d.dpiX, d.dpiY);
    MedirTresPaginas("PDF_Margens", d);
}

TEST_F(PosicoesNaPagina, EntrelinhamentoQuatroDaPassoDeVintePixels) {
    const Declaracao d = teste::DeclaracaoDaFila("PDF_Laudo");
    const teste::Calibracao calibracao = teste::CalibrarFonte(QFont(teste::kFace), 33, 300);
    Esvaziar();
    p.EntrelinhamentoLaudo = 4;
    p.EntrelinhamentoCorpo = 0;
    p.LinhasPorPagina = "66";
    tela.relatorio = {"A1 | LAUDO DE ANALISE", "B2", "C3", "D4"};
    Imprimir();
    ASSERT_EQ(Trabalhos().size(), 1u);
    const auto pagina = teste::LerPaginaPdf(pastaPdf / "Pagina_1.pdf");
    const std::vector<std::string> linhas = {"A1", "B2", "C3", "D4"};
    for (std::size_t n = 1; n <= linhas.size(); ++n)
        EXPECT_NEAR(teste::TopoDaCelula(pagina.palavras.at(linhas[n - 1]), pagina, calibracao) -
                        d.topo,
                    Pontos(60 + 20 * (n - 1.0), 300), kTolerancia)
            << linhas[n - 1];
}

} // namespace
} // namespace tessela
