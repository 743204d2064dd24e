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

constexpr std::string_view kColunasVazias = "|            |              |             |";

// The wrapped cell texts of one test, reused from test to test.
struct PartesDoBloco {
    std::vector<std::string_view> nome, especificacao;
};

// The rows of one test, each built in place with the margin in front: one allocation
// a line, so that a report of many tests costs the same per test as a short one.
void AcrescentarBloco(std::vector<std::string>& linhas, std::string_view margem,
                      const EnsaioLaudo& ensaio, PartesDoBloco& partes) {
    partes.nome.clear();
    partes.especificacao.clear();
    QuebrarTextoEm(ensaio.ENSAIO, kLarguraEnsaio, partes.nome);
    QuebrarTextoEm(ensaio.ESPECIFICACAO, kLarguraEspecificacao, partes.especificacao);
    const auto linhaDe = [](const std::vector<std::string_view>& v, std::size_t i) {
        return i < v.size() ? v[i] : std::string_view();
    };
    for (std::size_t i = 0; i < std::max(partes.nome.size(), partes.especificacao.size()); ++i) {
        std::string& linha = linhas.emplace_back();
        linha.reserve(margem.size() + kLarguraLaudo);
        linha += margem;
        linha += "| ";
        AcrescentarCelula(linha, linhaDe(partes.nome, i), kLarguraEnsaio);
        linha += " | ";
        AcrescentarCelula(linha, linhaDe(partes.especificacao, i), kLarguraEspecificacao);
        linha += kColunasVazias;
    }
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
    std::vector<std::string> linhas;
    PartesDoBloco partes;
    AcrescentarBloco(linhas, "", ensaio, partes);
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
    // Every test takes at least two lines: its row and the rule after it.
    linhas.reserve(12 + 2 * e.Ensaios.size());
    // The paths every line takes: no line of the report lacks the margin.
    const auto acrescentar = [&](const std::vector<std::string>& novas) {
        for (const auto& linha : novas)
            linhas.push_back(e.MargemLaudo + linha);
    };
    const std::string separador = e.MargemLaudo + kLinhaColunas;
    const std::string fim = e.MargemLaudo + std::string(kLarguraLaudo, '-');
    acrescentar(CabecalhoLaudo(e));
    PartesDoBloco partes;
    for (std::size_t i = 0; i < e.Ensaios.size(); ++i) {
        AcrescentarBloco(linhas, e.MargemLaudo, e.Ensaios[i], partes);
        linhas.push_back(i + 1 == e.Ensaios.size() ? fim : separador);
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
