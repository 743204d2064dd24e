// Database texts of the columns' maximum lengths and of every byte value, through the
// composition and the report files; a share that is not mounted.

#include "common/erros.h"
#include "report/arquivos.h"
#include "report/laudo.h"
#include "report/tela_registro.h"
#include "support/apoio.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tessela {
namespace {

// Every byte value but 0, repeated to n characters, starting at a given byte.
std::string TodosOsBytes(std::size_t n, int inicio = 1) {
    std::string t;
    for (int b = inicio; t.size() < n; b = b % 255 + 1)
        t += static_cast<char>(b);
    return t;
}

EntradaLaudo Entrada(std::vector<EnsaioLaudo> ensaios, std::string produto = "ACIDO ASCORBICO") {
    EntradaLaudo e;
    e.Produto = std::move(produto);
    e.Lote = TodosOsBytes(60, 200);
    e.Fornecedor = TodosOsBytes(200, 33);
    e.Validade = TodosOsBytes(30, 48);
    e.TituloCentralLaudo = TodosOsBytes(48, 128);
    e.TextoData = TextoDataLaudo({8, 12, 2026});
    e.MargemLaudo = "  ";
    e.Ensaios = std::move(ensaios);
    return e;
}

// The table rows and rules: 119 characters with the bars at the column borders, and
// no line break inside any line but the product's.
void EsperarTabelaAlinhada(const std::vector<std::string>& linhas, const std::string& margem) {
    ASSERT_GE(linhas.size(), 12u);
    for (std::size_t i = 0; i < linhas.size(); ++i) {
        ASSERT_TRUE(linhas[i].starts_with(margem)) << i;
        const auto corpo = std::string_view(linhas[i]).substr(margem.size());
        if (i == 3)
            continue; // the product, shown as stored
        EXPECT_EQ(corpo.find_first_of("\r\n"), std::string_view::npos) << "line " << i;
        if (i > 0 && i + 2 < linhas.size()) {
            EXPECT_EQ(corpo.size(), kLarguraLaudo) << "line " << i;
        }
        if (i >= 10 && i + 3 < linhas.size() && corpo[1] != '-') {
            for (std::size_t barra : {0u, 25u, 76u, 89u, 104u, 118u})
                EXPECT_EQ(corpo[barra], '|') << "line " << i << " column " << barra;
        }
    }
}

TEST(TextosDoBanco, TamanhosMaximosETodosOsBytes) {
    const std::vector<EnsaioLaudo> ensaios = {
        {TodosOsBytes(100), TodosOsBytes(250)},
        {std::string(100, 'X'), std::string(250, 'Y')}, // no blank: split words
        {std::string(100, ' '), std::string(250, ' ')}, // only blanks
        {std::string(50, '\n'), std::string(125, '\r') + std::string(125, '\n')}, // only breaks
        {TodosOsBytes(100, 128), TodosOsBytes(250, 9)},
        {"", ""},
    };
    const auto e = Entrada(ensaios);
    const auto linhas = ComporLaudo(e);
    EsperarTabelaAlinhada(linhas, e.MargemLaudo);
    // 124 lone CRs, one CR LF and 124 lone LFs end 250 paragraphs: 250 rows of the
    // fourth test alone, none dropped.
    EXPECT_GE(linhas.size(), 12u + 250);
}

TEST(TextosDoBanco, NomeDoProdutoDeTodosOsBytes) {
    for (int inicio : {1, 60, 128, 200}) {
        const auto produto = TodosOsBytes(70, inicio);
        const auto nome = NomeArquivoProduto(produto);
        EXPECT_EQ(nome.size(), 70u);
        for (unsigned char c : nome)
            EXPECT_TRUE(c >= 0x20 && std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) ==
                                         std::string_view::npos)
                << int(c);
        // Line 4: the product twice, never cut.
        const auto linhas = ComporLaudo(Entrada({{"A", "B"}}, produto));
        EXPECT_NE(linhas[3].find(produto + " (" + produto + ")"), std::string::npos);
    }
}

TEST(CompartilhamentoAusente, ArquivosDoLaudoDaoErroClaroENadaEscrevem) {
    const std::filesystem::path aqui = std::filesystem::current_path();
    TParametros p;
    p.IPServidor = "SERVIDOR-INEXISTENTE";
    p.PastaMagnolia = "MAGNOLIA";
    TSessao s;
    s.EstLocal = "03";
    teste::TelaRegistro tela;
    try {
        GravarLaudo(p, s, tela, ComporLaudo(Entrada({{"A", "B"}})), 1);
        FAIL() << "the share is not mounted";
    } catch (const ErroEntradaSaida& e) {
        const std::string texto = e.what();
        EXPECT_NE(texto.find("\\\\SERVIDOR-INEXISTENTE\\MAGNOLIA\\Interfac03\\Fichapes1.txt"),
                  std::string::npos)
            << texto;
        EXPECT_NE(texto.find("n\xE3o est\xE1 montado"), std::string::npos) << texto;
    }
    EXPECT_TRUE(tela.relatorio.empty()); // the screen shows nothing of a report not written
    EXPECT_THROW(RegistrarDiag(p, "Inicio do Tessela"), ErroEntradaSaida);
    // Nothing lands in a local file named after the UNC path.
    for (const auto& entrada : std::filesystem::directory_iterator(aqui))
        EXPECT_EQ(entrada.path().filename().string().find("SERVIDOR-INEXISTENTE"),
                  std::string::npos);
}

} // namespace
} // namespace tessela
