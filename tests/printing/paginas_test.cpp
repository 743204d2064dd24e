// The page plan, the start-line test and the bytes of a raw line: pure, no print system.

#include "common/erros.h"
#include "printing/paginas.h"
#include "printing/raw.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tessela {

void PrintTo(const TPagina& p, std::ostream* os) {
    *os << "{" << p.Numero << ", " << p.PrimeiraLinha << "-" << p.UltimaLinha << "}";
}

namespace {

const std::string kTitulo = "     | LAUDO DE ANALISE DO CONTROLE DE QUALIDADE          |";

// A screen as the report builder leaves it: a line of blanks, the box's top border, the
// start line, `corpo` report lines, then four one-blank lines.
std::vector<std::string> Tela(int corpo) {
    std::vector<std::string> linhas = {"     ", "     +----------------+", kTitulo};
    for (int i = 0; i < corpo; ++i)
        linhas.push_back("     | linha " + std::to_string(i));
    for (int i = 0; i < 4; ++i)
        linhas.push_back(" ");
    return linhas;
}

TEST(InicioDeLaudo, ExigeOTextoExatoEmQualquerPosicao) {
    EXPECT_TRUE(InicioDeLaudo("| LAUDO DE ANALISE"));
    EXPECT_TRUE(InicioDeLaudo(kTitulo));
    EXPECT_FALSE(InicioDeLaudo("     | Laudo de Analise do Controle de Qualidade"));
    EXPECT_FALSE(InicioDeLaudo("     | LAUDO DE ANaLISE"));
    EXPECT_FALSE(InicioDeLaudo("     |  LAUDO DE ANALISE")); // two blanks after the bar
    EXPECT_FALSE(InicioDeLaudo("| LAUDO DE ANALIS"));
    EXPECT_FALSE(InicioDeLaudo(""));
}

TEST(MontarPaginas, ExemplosComSessentaESeisLinhas) {
    // 27 lines: one report of 25 lines, one page from line 0.
    const auto curta = Tela(20);
    ASSERT_EQ(curta.size(), 27u);
    EXPECT_EQ(MontarPaginas(curta, 66), (PaginasLaudo{{1, 0, 24}}));

    // 69 lines: one report of 67 lines, the 67th on a page of its own.
    const auto longa = Tela(62);
    ASSERT_EQ(longa.size(), 69u);
    EXPECT_EQ(MontarPaginas(longa, 66), (PaginasLaudo{{1, 0, 65}, {2, 66, 66}}));
}

TEST(MontarPaginas, TresLinhasPorPagina) {
    // 12 lines, start line third, no closing blanks: one report of 10 lines.
    std::vector<std::string> linhas = {" ", "+--+", kTitulo};
    for (int i = 0; i < 9; ++i)
        linhas.push_back("| " + std::to_string(i));
    ASSERT_EQ(linhas.size(), 12u);
    EXPECT_EQ(MontarPaginas(linhas, 3), (PaginasLaudo{{1, 0, 2}, {2, 3, 5}, {3, 6, 8}, {4, 9, 9}}));
}

TEST(MontarPaginas, DoisLaudosCortadosCadaUmPorSi) {
    // Two lines before the first start line; a report of 5 lines, then one of 4.
    const std::vector<std::string> linhas = {
        " ",     "+--+", kTitulo, "a", "b", "c", "d", //
        kTitulo, "e",    "f",     "g",
    };
    // P = 3: first report 3 + 2, second 3 + 1; ranges stay consecutive from line 0, so
    // the second report's first page begins two lines before its start line.
    EXPECT_EQ(MontarPaginas(linhas, 3), (PaginasLaudo{{1, 0, 2}, {2, 3, 4}, {3, 5, 7}, {4, 8, 8}}));
    // P = 66: one page per report.
    EXPECT_EQ(MontarPaginas(linhas, 66), (PaginasLaudo{{1, 0, 4}, {2, 5, 8}}));
}

TEST(MontarPaginas, MenosDeUmaLinhaPorPaginaValeUma) {
    const std::vector<std::string> linhas = {"x", kTitulo, "a", "b"};
    const PaginasLaudo umaPorPagina = {{1, 0, 0}, {2, 1, 1}, {3, 2, 2}};
    EXPECT_EQ(MontarPaginas(linhas, 1), umaPorPagina);
    EXPECT_EQ(MontarPaginas(linhas, 0), umaPorPagina);
    EXPECT_EQ(MontarPaginas(linhas, -5), umaPorPagina);
}

TEST(MontarPaginas, UltimaLinhaInicioEhUmLaudoDeUmaLinha) {
    const std::vector<std::string> linhas = {" ", kTitulo, "a", kTitulo};
    EXPECT_EQ(MontarPaginas(linhas, 66), (PaginasLaudo{{1, 0, 1}, {2, 2, 2}}));
}

TEST(MontarPaginas, SemLinhaDeInicioNaoHaPaginas) {
    EXPECT_TRUE(MontarPaginas({" ", "| Laudo de analise", "texto"}, 66).empty());
    EXPECT_TRUE(MontarPaginas({}, 66).empty());
}

TEST(ValorLinhasPorPagina, NumeroInteiro) {
    EXPECT_EQ(ValorLinhasPorPagina("66"), 66);
    EXPECT_EQ(ValorLinhasPorPagina("0"), 0);
    EXPECT_EQ(ValorLinhasPorPagina("-3"), -3);
    EXPECT_EQ(ValorLinhasPorPagina("+7"), 7);
    EXPECT_THROW(ValorLinhasPorPagina(""), ErroConversao);
    EXPECT_THROW(ValorLinhasPorPagina("6a"), ErroConversao);
    EXPECT_THROW(ValorLinhasPorPagina("+-1"), ErroConversao);
    EXPECT_THROW(ValorLinhasPorPagina("99999999999"), ErroConversao);
}

TEST(BytesDaLinha, CondensadoEmVoltaDaLinhaComCrLf) {
    const std::string longa(125, 'x');
    const std::string bytes = BytesDaLinha(longa);
    ASSERT_EQ(bytes.size(), 129u);
    EXPECT_EQ(bytes.front(), '\x0F');
    EXPECT_EQ(bytes.substr(1, 125), longa);
    EXPECT_EQ(bytes.substr(126), "\x12\r\n");

    EXPECT_EQ(BytesDaLinha(""), std::string("\x0F\x12\r\n"));
    EXPECT_EQ(BytesDaLinha("  a\xE7\xE3o  "), std::string("\x0F  a\xE7\xE3o  \x12\r\n"));
}

} // namespace
} // namespace tessela
