#include "printing/paginas.h"

#include "common/erros.h"
#include "settings/leitor.h"

#include <charconv>

namespace tessela {

bool InicioDeLaudo(std::string_view linha) {
    return linha.find(kInicioDeLaudo) != std::string_view::npos;
}

namespace {

// Sizes of the reports, in line order; lines before the first start line belong to
// none of them.
std::vector<std::int32_t> TamanhosDosLaudos(const std::vector<std::string>& linhas) {
    std::vector<std::int32_t> tamanhos;
    for (const auto& linha : linhas) {
        if (InicioDeLaudo(linha))
            tamanhos.push_back(1);
        else if (!tamanhos.empty())
            ++tamanhos.back();
    }
    return tamanhos;
}

} // namespace

PaginasLaudo MontarPaginas(const std::vector<std::string>& linhas, std::int32_t linhasPorPagina) {
    const std::int32_t p = linhasPorPagina < 1 ? 1 : linhasPorPagina;
    PaginasLaudo paginas;
    std::int32_t proxima = 0;
    for (std::int32_t restantes : TamanhosDosLaudos(linhas)) {
        while (restantes > 0) {
            const std::int32_t n = restantes < p ? restantes : p;
            const auto numero = static_cast<std::int32_t>(paginas.size()) + 1;
            paginas.push_back({numero, proxima, proxima + n - 1});
            proxima += n;
            restantes -= n;
        }
    }
    return paginas;
}

// LinhasPorPagina holds a whole number by the settings' own rule, hexadecimal included.
std::int32_t ValorLinhasPorPagina(std::string_view texto) {
    return ValorInteiro(texto);
}

} // namespace tessela
