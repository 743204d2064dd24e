// The page plan from arbitrary screen lines and any lines-per-page value, and the
// whole-number value of the setting it comes from.

#include "common/erros.h"
#include "printing/paginas.h"
#include "verificar.h"

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <optional>

namespace {

using tessela::fuzz::Visivel;

// Screen lines: a line that starts with 0x01 carries the start text in its place, so
// that reports come often.
std::vector<std::string> Linhas(std::string_view texto) {
    std::vector<std::string> linhas;
    std::size_t inicio = 0;
    while (inicio <= texto.size() && !texto.empty()) {
        auto fim = texto.find('\n', inicio);
        if (fim == std::string_view::npos)
            fim = texto.size();
        std::string linha(texto.substr(inicio, fim - inicio));
        if (!linha.empty() && linha[0] == '\x01')
            linha.replace(0, 1, tessela::kInicioDeLaudo);
        linhas.push_back(std::move(linha));
        inicio = fim + 1;
    }
    return linhas;
}

// Report sizes found without the plan: from each start line to the next one.
std::vector<std::int64_t> Laudos(const std::vector<std::string>& linhas) {
    std::vector<std::int64_t> tamanhos;
    for (const auto& linha : linhas) {
        const bool inicio = linha.find("| LAUDO DE ANALISE") != std::string::npos;
        if (inicio)
            tamanhos.push_back(0);
        if (!tamanhos.empty())
            ++tamanhos.back();
    }
    return tamanhos;
}

void VerificarPlano(const std::vector<std::string>& linhas, std::int32_t porPagina,
                    const tessela::PaginasLaudo& paginas) {
    const std::int64_t p = porPagina < 1 ? 1 : porPagina;
    const std::string contexto =
        "P " + std::to_string(porPagina) + ", " + std::to_string(linhas.size()) + " lines";
    std::int64_t proxima = 0;
    std::size_t k = 0;
    for (const auto tamanho : Laudos(linhas)) {
        // The pages of one report cover it exactly: none spans two reports.
        std::int64_t coberto = 0;
        while (coberto < tamanho) {
            EXIGIR(k < paginas.size(), contexto + ", too few pages");
            const auto& pagina = paginas[k];
            EXIGIR(pagina.Numero == static_cast<std::int64_t>(k) + 1, contexto);
            EXIGIR(pagina.PrimeiraLinha == proxima, contexto + ", ranges not consecutive");
            const std::int64_t n = std::int64_t{pagina.UltimaLinha} - pagina.PrimeiraLinha + 1;
            EXIGIR(n >= 1 && n <= p, contexto + ", page of " + std::to_string(n) + " lines");
            EXIGIR(n == std::min(p, tamanho - coberto), contexto + ", short page inside a report");
            coberto += n;
            proxima += n;
            ++k;
        }
    }
    EXIGIR(k == paginas.size(), contexto + ", pages beyond the reports");
    EXIGIR(proxima <= static_cast<std::int64_t>(linhas.size()), contexto + ", past the last line");
}

// The whole-number value: an optional sign and decimal digits within 32 bits are
// taken as strtol takes them; anything else is a conversion error.
void VerificarValor(const std::string& texto) {
    std::optional<std::int32_t> valor;
    try {
        valor = tessela::ValorLinhasPorPagina(texto);
    } catch (const tessela::ErroConversao&) {
    }
    const auto digitos = texto.starts_with('+') || texto.starts_with('-') ? 1u : 0u;
    const bool simples = texto.size() > digitos &&
                         texto.find_first_not_of("0123456789", digitos) == std::string::npos;
    errno = 0;
    const long long esperado = simples ? std::strtoll(texto.c_str(), nullptr, 10) : 0;
    const bool cabe = simples && errno == 0 && esperado >= INT32_MIN && esperado <= INT32_MAX;
    // Plain decimal text is read as such; other forms (hexadecimal) follow the settings'
    // integer rule, which the settings fuzz target checks.
    EXIGIR(!simples || valor.has_value() == cabe, Visivel(texto));
    EXIGIR(!cabe || *valor == esperado, Visivel(texto));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    FuzzedDataProvider fdp(dados, tamanho);
    // Mostly the values a settings file holds; now and then any 32-bit value.
    const auto porPagina = fdp.ConsumeBool() ? fdp.ConsumeIntegral<std::int32_t>()
                                             : fdp.ConsumeIntegralInRange<std::int32_t>(-2, 80);
    VerificarValor(fdp.ConsumeRandomLengthString(16));
    const auto linhas = Linhas(fdp.ConsumeRemainingBytesAsString());
    VerificarPlano(linhas, porPagina, tessela::MontarPaginas(linhas, porPagina));
    return 0;
}
