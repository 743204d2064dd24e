#include "report/celula.h"

#include <gtest/gtest.h>
#include <random>
#include <stdexcept>

namespace tessela {
namespace {

using Linhas = std::vector<std::string>;

TEST(QuebrarTexto, TextoVazioDaUmaLinhaVazia) {
    EXPECT_EQ(QuebrarTexto("", 22), Linhas{""});
    EXPECT_EQ(AjustarCelula(QuebrarTexto("", 22)[0], 22), std::string(22, ' '));
}

TEST(QuebrarTexto, ExatamenteALarguraEUmAMais) {
    const std::string w22(22, 'A');
    EXPECT_EQ(QuebrarTexto(w22, 22), Linhas{w22});
    EXPECT_EQ(QuebrarTexto(w22 + "B", 22), (Linhas{w22, "B"}));
    // W+1 characters whose last is a blank: the blank vanishes at the break.
    EXPECT_EQ(QuebrarTexto(w22 + " ", 22), Linhas{w22});
}

TEST(QuebrarTexto, QuebraNoUltimoBrancoEOBrancoFicaNaLinha) {
    const auto l = QuebrarTexto("IDENTIFICACAO POR INFRAVERMELHO", 22);
    EXPECT_EQ(l, (Linhas{"IDENTIFICACAO POR ", "INFRAVERMELHO"}));
    EXPECT_EQ(AjustarCelula(l[0], 22), "IDENTIFICACAO POR     ");
    EXPECT_EQ(AjustarCelula(l[1], 22), "INFRAVERMELHO         ");
}

TEST(QuebrarTexto, EspecificacaoDoExemploCom49) {
    const auto l =
        QuebrarTexto("PO CRISTALINO BRANCO OU QUASE BRANCO, INODORO, DE SABOR ACIDO", 49);
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0], "PO CRISTALINO BRANCO OU QUASE BRANCO, INODORO, DE");
    EXPECT_EQ(l[0].size(), 49u);
    EXPECT_EQ(l[1], "SABOR ACIDO");
}

TEST(QuebrarTexto, SequenciaDeBrancosNaQuebraDesaparece) {
    const std::string letras(22, 'X');
    EXPECT_EQ(QuebrarTexto(letras + "          FIM", 22), (Linhas{letras, "FIM"}));
    // Blanks inside a line stay; the run after the break goes.
    EXPECT_EQ(QuebrarTexto("ABC    DEF", 5), (Linhas{"ABC  ", "DEF"}));
    EXPECT_EQ(QuebrarTexto("A  B  C", 22), Linhas{"A  B  C"});
}

TEST(QuebrarTexto, PalavraMaiorQueALarguraEPartida) {
    const std::string letras = "ABCDEFGHIJKLMNOPQRSTUVWXY"; // 25
    EXPECT_EQ(QuebrarTexto("AB " + letras, 10),
              (Linhas{"AB ", "ABCDEFGHIJ", "KLMNOPQRST", "UVWXY"}));
    EXPECT_EQ(QuebrarTexto(letras, 10), (Linhas{"ABCDEFGHIJ", "KLMNOPQRST", "UVWXY"}));
    // A word of exactly the width after a short word takes a line of its own.
    EXPECT_EQ(QuebrarTexto("AB " + std::string(22, 'Z'), 22),
              (Linhas{"AB ", std::string(22, 'Z')}));
}

TEST(QuebrarTexto, BrancosIniciaisFicamNaPrimeiraLinha) {
    EXPECT_EQ(QuebrarTexto("   ABCDEFGH", 6), (Linhas{"   ", "ABCDEF", "GH"}));
    EXPECT_EQ(QuebrarTexto("  AB CD", 22), Linhas{"  AB CD"});
}

TEST(QuebrarTexto, SoBrancos) {
    EXPECT_EQ(QuebrarTexto(std::string(30, ' '), 22), Linhas{std::string(22, ' ')});
    EXPECT_EQ(QuebrarTexto("   ", 22), Linhas{"   "});
    EXPECT_EQ(AjustarCelula(QuebrarTexto(std::string(30, ' '), 22)[0], 22), std::string(22, ' '));
}

TEST(QuebrarTexto, BrancosFinaisNaoCriamLinhaVazia) {
    const std::string letras(20, 'L');
    EXPECT_EQ(QuebrarTexto(letras + "     ", 22), Linhas{letras + "  "});
    EXPECT_EQ(QuebrarTexto("ABC DEF" + std::string(40, ' '), 10), (Linhas{"ABC DEF   "}));
}

TEST(QuebrarTexto, CrLfSeparaParagrafos) {
    EXPECT_EQ(QuebrarTexto("A\r\nB", 22), (Linhas{"A", "B"}));
    EXPECT_EQ(QuebrarTexto("A\r\n", 22), (Linhas{"A", ""}));
    EXPECT_EQ(QuebrarTexto("A\r\n\r\nB", 22), (Linhas{"A", "", "B"}));
    EXPECT_EQ(QuebrarTexto("\r\n", 22), (Linhas{"", ""}));
    // A paragraph keeps its own leading blanks; each paragraph wraps by itself.
    EXPECT_EQ(QuebrarTexto("AB CD\r\n  EFGHIJ KL", 6), (Linhas{"AB CD", "  ", "EFGHIJ", "KL"}));
}

TEST(QuebrarTexto, CrELfSozinhosTambemSeparam) {
    EXPECT_EQ(QuebrarTexto("A\nB", 22), (Linhas{"A", "B"}));
    EXPECT_EQ(QuebrarTexto("A\rB", 22), (Linhas{"A", "B"}));
    EXPECT_EQ(QuebrarTexto("A\n", 22), (Linhas{"A", ""}));
    EXPECT_EQ(QuebrarTexto("A\r", 22), (Linhas{"A", ""}));
    // LF CR is two breaks; CR CR LF is a lone CR and then a pair.
    EXPECT_EQ(QuebrarTexto("A\n\rB", 22), (Linhas{"A", "", "B"}));
    EXPECT_EQ(QuebrarTexto("A\r\r\nB", 22), (Linhas{"A", "", "B"}));
}

TEST(QuebrarTexto, TabulacaoEUmCaractereComum) {
    // No break at a tab, and a tab after a break is kept.
    EXPECT_EQ(QuebrarTexto("AAAA\tBBBB", 5), (Linhas{"AAAA\t", "BBBB"}));
    EXPECT_EQ(QuebrarTexto("AAAAA\tB", 5), (Linhas{"AAAAA", "\tB"}));
    EXPECT_EQ(QuebrarTexto("AB \tCDEF", 5), (Linhas{"AB ", "\tCDEF"}));
}

TEST(QuebrarTexto, LarguraZeroERecusada) {
    EXPECT_THROW(QuebrarTexto("A", 0), std::invalid_argument);
}

// Over random texts: never an empty list, no line longer than the width, and the
// characters that are not blanks or breaks come out all and in order.
TEST(QuebrarTexto, PropriedadesEmTextosAleatorios) {
    std::mt19937 gerador(20261208);
    const std::string alfabeto = "AB  \t\r\n\xC1";
    for (int caso = 0; caso < 5000; ++caso) {
        const std::size_t largura = 1 + gerador() % 12;
        std::string texto(gerador() % 60, ' ');
        for (auto& c : texto)
            c = alfabeto[gerador() % alfabeto.size()];
        const auto linhas = QuebrarTexto(texto, largura);
        ASSERT_FALSE(linhas.empty());
        std::string saida;
        for (const auto& l : linhas) {
            ASSERT_LE(l.size(), largura) << texto;
            ASSERT_EQ(l.find_first_of("\r\n"), std::string::npos);
            saida += l;
        }
        const auto semBrancos = [](std::string s) {
            std::erase_if(s, [](char c) { return c == ' ' || c == '\r' || c == '\n'; });
            return s;
        };
        ASSERT_EQ(semBrancos(saida), semBrancos(texto)) << texto;
    }
}

TEST(AjustarCelula, CompletaOuCortaParaALargura) {
    EXPECT_EQ(AjustarCelula("", 5), "     ");
    EXPECT_EQ(AjustarCelula("AB", 5), "AB   ");
    EXPECT_EQ(AjustarCelula("ABCDE", 5), "ABCDE");
    EXPECT_EQ(AjustarCelula("ABCDEFG", 5), "ABCDE");
    EXPECT_EQ(AjustarCelula("\xC1\xC9", 3), "\xC1\xC9 ");
}

} // namespace
} // namespace tessela
