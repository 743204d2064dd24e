#include "report/laudo.h"

#include "common/texto.h"
#include "report/celula.h"

#include <algorithm>

namespace tessela {

namespace {

constexpr std::size_t kLarguraValorCabecalho = 103;
constexpr std::size_t kLarguraTituloCentral = 48;
constexpr std::size_t kLarguraTextoData = 23;

// Appends blanks up to n characters; a longer text is kept whole.
std::string Completar(std::string texto, std::size_t n) {
    if (texto.size() < n)
        texto.append(n - texto.size(), ' ');
    return texto;
}

std::string LinhaValor(std::string_view rotulo, std::string valor) {
    return std::string(rotulo) + Completar(std::move(valor), kLarguraValorCabecalho) + " |";
}

bool ProibidoEmNomeDeArquivo(unsigned char c) {
    return c < 0x20 ||
           std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos;
}

} // namespace

std::string TextoDataLaudo(const DataHora& hoje) {
    std::string texto = "Data: " + DataDDMMAAAA(hoje);
    if (texto.size() < kLarguraTextoData)
        texto.insert(0, kLarguraTextoData - texto.size(), ' ');
    return texto;
}

std::vector<std::string> CabecalhoLaudo(const EntradaLaudo& e) {
    const std::string produto = e.Produto + " (" + Cortar(e.Produto, 100) + ")";
    return {
        "     ",
        std::string(kLarguraLaudo, '-'),
        "| " + e.TituloFixoLaudo + "  " + Completar(e.TituloCentralLaudo, kLarguraTituloCentral) +
            "  " + e.TextoData + " |",
        LinhaValor("| Produto...: ", produto),
        LinhaValor("| Lote......: ", Cortar(e.Lote, 60)),
        LinhaValor("| Fornecedor: ", Cortar(e.Fornecedor, 60)),
        LinhaValor("| Validade..: ", Cortar(e.Validade, 10)),
        "|" + std::string(kLarguraLaudo - 2, '-') + "|",
        "| ENSAIOS                | ESPECIFICACAO                                    | RESULTADOS "
        "| DATA ANALISE | RESPONSAVEL |",
        kLinhaColunas,
    };
}

std::vector<std::string> BlocoEnsaio(const EnsaioLaudo& ensaio) {
    const auto nome = QuebrarTexto(ensaio.ENSAIO, kLarguraEnsaio);
    const auto especificacao = QuebrarTexto(ensaio.ESPECIFICACAO, kLarguraEspecificacao);
    const auto linhaDe = [](const std::vector<std::string>& v, std::size_t i) {
        return i < v.size() ? std::string_view(v[i]) : std::string_view();
    };
    std::vector<std::string> linhas;
    for (std::size_t i = 0; i < std::max(nome.size(), especificacao.size()); ++i)
        linhas.push_back("| " + AjustarCelula(linhaDe(nome, i), kLarguraEnsaio) + " | " +
                         AjustarCelula(linhaDe(especificacao, i), kLarguraEspecificacao) +
                         "|            |              |             |");
    return linhas;
}

std::vector<std::string> RodapeLaudo() {
    return {
        "     ",
        "Resultado:  (  )Aprovado  (  )Reprovado        Data: ____/____/_____    Assinatura "
        "responsavel: _______________________",
    };
}

std::vector<std::string> ComporLaudo(const EntradaLaudo& e) {
    std::vector<std::string> linhas;
    // The one path every line takes: no line of the report lacks the margin.
    const auto acrescentar = [&](const std::vector<std::string>& novas) {
        for (const auto& linha : novas)
            linhas.push_back(e.MargemLaudo + linha);
    };
    acrescentar(CabecalhoLaudo(e));
    for (std::size_t i = 0; i < e.Ensaios.size(); ++i) {
        acrescentar(BlocoEnsaio(e.Ensaios[i]));
        const bool ultimo = i + 1 == e.Ensaios.size();
        acrescentar({ultimo ? std::string(kLarguraLaudo, '-') : std::string(kLinhaColunas)});
    }
    acrescentar(RodapeLaudo());
    return linhas;
}

std::string NomeArquivoProduto(std::string_view produto) {
    std::string nome = Cortar(produto, 100);
    std::replace_if(
        nome.begin(), nome.end(),
        [](char c) { return ProibidoEmNomeDeArquivo(static_cast<unsigned char>(c)); }, '_');
    return Cortar(nome, 70);
}

} // namespace tessela
