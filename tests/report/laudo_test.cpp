#include "report/laudo.h"
#include "support/apoio.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace tessela {
namespace {

using Linhas = std::vector<std::string>;

const std::string kHifens(119, '-');
const std::string kFimDeLinhaVazio = "|            |              |             |";

// The golden file holds its lines exactly as the report file does, CR LF each.
Linhas LerGolden(const std::string& nome) {
    const auto bytes = teste::LerBytes(std::string(TESSELA_GOLDEN_DIR) + "/" + nome);
    Linhas linhas;
    std::size_t inicio = 0;
    for (auto fim = bytes.find("\r\n"); fim != std::string::npos;
         inicio = fim + 2, fim = bytes.find("\r\n", inicio))
        linhas.push_back(bytes.substr(inicio, fim - inicio));
    EXPECT_EQ(inicio, bytes.size()) << "golden file not ended by CR LF";
    return linhas;
}

EntradaLaudo Exemplo() {
    EntradaLaudo e;
    e.Produto = "ACIDO ASCORBICO";
    e.Lote = "L2301";
    e.Fornecedor = "DISTRIBUIDORA CENTRAL";
    e.Validade = "12/2027";
    e.TituloCentralLaudo = "MATERIAS-PRIMAS";
    e.TextoData = TextoDataLaudo({8, 12, 2026});
    e.Ensaios = {{"ASPECTO", "PO CRISTALINO BRANCO OU QUASE BRANCO, INODORO, DE SABOR ACIDO"},
                 {"IDENTIFICACAO POR INFRAVERMELHO", "CONFORME"}};
    return e;
}

TEST(ComporLaudo, ExemploIgualAoGolden) {
    EXPECT_EQ(ComporLaudo(Exemplo()), LerGolden("exemplo.txt"));
}

TEST(ComporLaudo, TextoDaDataTem23Caracteres) {
    EXPECT_EQ(TextoDataLaudo({8, 12, 2026}), "       Data: 08/12/2026");
    EXPECT_EQ(TextoDataLaudo({1, 2, 2027}), "       Data: 01/02/2027");
}

TEST(ComporLaudo, LarguraDeCadaLinha) {
    for (const auto& l : ComporLaudo(Exemplo())) {
        if (l != "     ") {
            EXPECT_EQ(l.size(), 119u) << l;
        }
    }
}

TEST(ComporLaudo, SemEnsaiosORodapeVemLogoAposARegua) {
    auto e = Exemplo();
    e.Ensaios.clear();
    const auto l = ComporLaudo(e);
    ASSERT_EQ(l.size(), 12u);
    EXPECT_EQ(l[9], kLinhaColunas);
    EXPECT_EQ(l[10], "     ");
    EXPECT_EQ(l[11], RodapeLaudo()[1]);
    EXPECT_EQ(std::count(l.begin(), l.end(), kHifens), 1); // header line 2 only
}

TEST(ComporLaudo, UmEnsaioTerminaComHifensSemRegua) {
    auto e = Exemplo();
    e.Ensaios = {{"ASPECTO", "CONFORME"}};
    const auto l = ComporLaudo(e);
    ASSERT_EQ(l.size(), 14u);
    EXPECT_EQ(l[10],
              "| ASPECTO                | CONFORME" + std::string(41, ' ') + kFimDeLinhaVazio);
    EXPECT_EQ(l[11], kHifens);
    EXPECT_EQ(std::count(l.begin(), l.end(), std::string(kLinhaColunas)), 1);
}

TEST(ComporLaudo, EnsaiosSeparadosPelaRegua) {
    auto e = Exemplo();
    e.Ensaios = {{"A", "1"}, {"B", "2"}, {"C", "3"}};
    const auto l = ComporLaudo(e);
    ASSERT_EQ(l.size(), 10u + 3 + 2 + 1 + 2);
    EXPECT_EQ(l[11], kLinhaColunas);
    EXPECT_EQ(l[13], kLinhaColunas);
    EXPECT_EQ(l[15], kHifens);
    EXPECT_EQ(l[12].substr(0, 4), "| B ");
}

TEST(ComporLaudo, ColunaMaisCurtaMostraCelulasEmBranco) {
    auto e = Exemplo();
    // The name needs three lines, the specification one.
    e.Ensaios = {{"NOME MUITO LONGO DE UM ENSAIO QUE OCUPA TRES LINHAS", "OK"}};
    const auto l = ComporLaudo(e);
    ASSERT_EQ(l.size(), 10u + 3 + 1 + 2);
    EXPECT_EQ(l[10], "| NOME MUITO LONGO DE UM | OK" + std::string(47, ' ') + kFimDeLinhaVazio);
    EXPECT_EQ(l[11], "| ENSAIO QUE OCUPA TRES  | " + std::string(49, ' ') + kFimDeLinhaVazio);
    EXPECT_EQ(l[12], "| LINHAS                 | " + std::string(49, ' ') + kFimDeLinhaVazio);
    EXPECT_EQ(l[13], kHifens);
}

TEST(ComporLaudo, EnsaioVazioDeixaAColunaEmBranco) {
    auto e = Exemplo();
    e.Ensaios = {{"", std::string(49, 'E') + " " + std::string(10, 'F')}};
    const auto l = ComporLaudo(e);
    ASSERT_EQ(l.size(), 10u + 2 + 1 + 2);
    EXPECT_EQ(l[10], "| " + std::string(22, ' ') + " | " + std::string(49, 'E') + kFimDeLinhaVazio);
    EXPECT_EQ(l[11], "| " + std::string(22, ' ') + " | " + std::string(10, 'F') +
                         std::string(39, ' ') + kFimDeLinhaVazio);
    // Both empty: one row of blank cells.
    e.Ensaios = {{"", ""}};
    const auto v = ComporLaudo(e);
    EXPECT_EQ(v[10], "| " + std::string(22, ' ') + " | " + std::string(49, ' ') + kFimDeLinhaVazio);
    EXPECT_EQ(v[11], kHifens);
}

TEST(ComporLaudo, NomeLongoAlargaSoALinhaDoProduto) {
    auto e = Exemplo();
    e.Produto = std::string(60, 'P');
    const auto l = ComporLaudo(e);
    EXPECT_EQ(l[3], "| Produto...: " + e.Produto + " (" + e.Produto + ") |");
    EXPECT_EQ(l[3].size(), 119u + 2 * 10);
    for (std::size_t i = 1; i < l.size(); ++i)
        if (i != 3 && l[i] != "     ") {
            EXPECT_EQ(l[i].size(), 119u) << i;
        }
    // Up to 50 characters the line keeps 119.
    e.Produto = std::string(50, 'P');
    EXPECT_EQ(ComporLaudo(e)[3].size(), 119u);
    // Past 100 characters the name between parentheses is cut.
    e.Produto = std::string(101, 'P');
    EXPECT_EQ(ComporLaudo(e)[3],
              "| Produto...: " + e.Produto + " (" + std::string(100, 'P') + ") |");
}

TEST(ComporLaudo, ProdutoVazio) {
    auto e = Exemplo();
    e.Produto = "";
    EXPECT_EQ(ComporLaudo(e)[3], "| Produto...:  ()" + std::string(100, ' ') + " |");
}

TEST(ComporLaudo, ValoresDoCabecalhoCortados) {
    auto e = Exemplo();
    e.Lote = std::string(70, 'L');
    e.Fornecedor = std::string(61, 'F');
    e.Validade = "31/12/2027X";
    const auto l = ComporLaudo(e);
    EXPECT_EQ(l[4], "| Lote......: " + std::string(60, 'L') + std::string(43, ' ') + " |");
    EXPECT_EQ(l[5], "| Fornecedor: " + std::string(60, 'F') + std::string(43, ' ') + " |");
    EXPECT_EQ(l[6], "| Validade..: 31/12/2027" + std::string(93, ' ') + " |");
    e.Lote = e.Fornecedor = e.Validade = "";
    EXPECT_EQ(ComporLaudo(e)[4], "| Lote......: " + std::string(103, ' ') + " |");
}

TEST(ComporLaudo, TituloCentralVazioDa48Brancos) {
    auto e = Exemplo();
    e.TituloCentralLaudo = "";
    EXPECT_EQ(ComporLaudo(e)[2], "| LAUDO DE ANALISE - CONTROLE DE QUALIDADE  " +
                                     std::string(48, ' ') + "         Data: 08/12/2026 |");
}

TEST(ComporLaudo, MargemEmTodasAsLinhas) {
    auto e = Exemplo();
    const auto semMargem = ComporLaudo(e);
    e.MargemLaudo = std::string(7, ' ');
    const auto comMargem = ComporLaudo(e);
    ASSERT_EQ(comMargem.size(), semMargem.size());
    for (std::size_t i = 0; i < comMargem.size(); ++i)
        EXPECT_EQ(comMargem[i], e.MargemLaudo + semMargem[i]);
    EXPECT_EQ(comMargem.front(), std::string(12, ' '));
}

TEST(NomeArquivoProduto, BarraETrocadaECortadoEm70) {
    EXPECT_EQ(NomeArquivoProduto("ACIDO ASCORBICO"), "ACIDO ASCORBICO");
    EXPECT_EQ(NomeArquivoProduto("SULFATO/ZINCO 1/2"), "SULFATO_ZINCO 1_2");
    EXPECT_EQ(NomeArquivoProduto(std::string(80, 'N')), std::string(70, 'N'));
    EXPECT_EQ(NomeArquivoProduto(""), "");
}

TEST(NomeArquivoProduto, CaracteresProibidosNumCompartilhamento) {
    EXPECT_EQ(NomeArquivoProduto("VITAMINA B12 1:1000"), "VITAMINA B12 1_1000");
    EXPECT_EQ(NomeArquivoProduto("A\\B*C?D\"E<F>G|H"), "A_B_C_D_E_F_G_H");
    EXPECT_EQ(NomeArquivoProduto(std::string("X\x01Y\tZ\x1F", 6)), "X_Y_Z_");
    // Letters of code page 1252, blanks and the rest stay.
    EXPECT_EQ(NomeArquivoProduto("\xC1GUA DE COL\xD4NIA (50%) - #1."),
              "\xC1GUA DE COL\xD4NIA (50%) - #1.");
}

} // namespace
} // namespace tessela
