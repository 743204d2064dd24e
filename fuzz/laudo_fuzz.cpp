// The composition of the report from arbitrary database texts: ENSAIO and
// ESPECIFICACAO of any bytes and lengths (the columns hold up to 100 and 250; longer
// ones are tried too), any product name, lot, supplier, expiry and margin.

#include "report/celula.h"
#include "report/laudo.h"
#include "verificar.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

using tessela::EntradaLaudo;
using tessela::kLarguraLaudo;
using tessela::fuzz::Visivel;

EntradaLaudo Entrada(FuzzedDataProvider& fdp) {
    EntradaLaudo e;
    e.MargemLaudo = std::string(fdp.ConsumeIntegralInRange<std::size_t>(0, 120), ' ');
    e.TituloCentralLaudo = fdp.ConsumeRandomLengthString(48);
    tessela::DataHora hoje;
    hoje.dia = fdp.ConsumeIntegralInRange(1, 31);
    hoje.mes = fdp.ConsumeIntegralInRange(1, 12);
    hoje.ano = fdp.ConsumeIntegralInRange(1900, 9999);
    e.TextoData = tessela::TextoDataLaudo(hoje);
    e.Produto = fdp.ConsumeRandomLengthString(300);
    e.Lote = fdp.ConsumeRandomLengthString(80);
    e.Fornecedor = fdp.ConsumeRandomLengthString(80);
    e.Validade = fdp.ConsumeRandomLengthString(20);
    const auto ensaios = fdp.ConsumeIntegralInRange<std::size_t>(0, 40);
    for (std::size_t i = 0; i < ensaios && fdp.remaining_bytes() > 0; ++i) {
        tessela::EnsaioLaudo ensaio;
        ensaio.ENSAIO = fdp.ConsumeRandomLengthString(120);
        ensaio.ESPECIFICACAO = fdp.ConsumeRandomLengthString(300);
        e.Ensaios.push_back(std::move(ensaio));
    }
    return e;
}

std::size_t LinhasDoBloco(const tessela::EnsaioLaudo& ensaio) {
    return std::max(
        tessela::QuebrarTexto(ensaio.ENSAIO, tessela::kLarguraEnsaio).size(),
        tessela::QuebrarTexto(ensaio.ESPECIFICACAO, tessela::kLarguraEspecificacao).size());
}

// A table row: the bars at the column borders, nothing of the text in the three
// columns filled in by hand, no line break anywhere.
void VerificarLinhaDaTabela(std::string_view linha) {
    const std::string contexto = "row " + Visivel(linha);
    EXIGIR(linha.size() == kLarguraLaudo, contexto);
    for (std::size_t barra : {0u, 25u, 76u, 89u, 104u, 118u})
        EXIGIR(linha[barra] == '|', contexto);
    EXIGIR(linha.substr(76) == "|            |              |             |", contexto);
    EXIGIR(linha.find_first_of("\r\n") == std::string_view::npos, contexto);
    EXIGIR(linha[1] == ' ' && linha[24] == ' ' && linha[26] == ' ', contexto);
}

void Verificar(const EntradaLaudo& e, const std::vector<std::string>& linhas) {
    std::size_t esperadas = 10 + 2;
    for (const auto& ensaio : e.Ensaios)
        esperadas += LinhasDoBloco(ensaio) + 1;
    EXIGIR(linhas.size() == esperadas,
           std::to_string(linhas.size()) + " lines, expected " + std::to_string(esperadas));

    std::vector<std::string_view> corpo;
    for (const auto& linha : linhas) {
        EXIGIR(linha.starts_with(e.MargemLaudo), "a line without the margin");
        corpo.push_back(std::string_view(linha).substr(e.MargemLaudo.size()));
    }
    // Header: every line 119 but the product's: a 14-character label, the product text
    // padded to 103 and never cut, " |".
    for (std::size_t i = 1; i < 10; ++i)
        if (i != 3)
            EXIGIR(corpo[i].size() == kLarguraLaudo, "header line " + std::to_string(i + 1));
    const auto textoProduto =
        e.Produto.size() + 2 + std::min<std::size_t>(e.Produto.size(), 100) + 1;
    EXIGIR(corpo[3].size() == 14 + std::max<std::size_t>(103, textoProduto) + 2,
           "product line " + Visivel(corpo[3]));
    EXIGIR(corpo[9] == tessela::kLinhaColunas, "column rule");

    // The table: each block, then the rule between tests or the closing line.
    std::size_t i = 10;
    for (std::size_t t = 0; t < e.Ensaios.size(); ++t) {
        for (std::size_t n = LinhasDoBloco(e.Ensaios[t]); n > 0; --n)
            VerificarLinhaDaTabela(corpo[i++]);
        const bool ultimo = t + 1 == e.Ensaios.size();
        EXIGIR(corpo[i++] == (ultimo ? std::string(kLarguraLaudo, '-') : tessela::kLinhaColunas),
               "line after test " + std::to_string(t));
    }
    EXIGIR(corpo[i] == "     ", "footer");
    EXIGIR(corpo[i + 1].size() == kLarguraLaudo, "footer");
    EXIGIR(i + 2 == corpo.size(), "lines after the footer");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    FuzzedDataProvider fdp(dados, tamanho);
    const EntradaLaudo e = Entrada(fdp);
    Verificar(e, tessela::ComporLaudo(e));

    // The file-name form: at most 70 characters, none a share's file name cannot hold.
    const auto nome = tessela::NomeArquivoProduto(e.Produto);
    EXIGIR(nome.size() == std::min<std::size_t>(e.Produto.size(), 70), Visivel(e.Produto));
    for (unsigned char c : nome)
        EXIGIR(c >= 0x20 && std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) ==
                                std::string_view::npos,
               Visivel(nome));
    return 0;
}
