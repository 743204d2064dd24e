#include "printing/paginas.h"

#include "common/erros.h"

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

std::int32_t ValorLinhasPorPagina(std::string_view texto) {
    std::string_view digitos = texto;
    if (digitos.size() > 1 && digitos[0] == '+' && digitos[1] != '-')
        digitos.remove_prefix(1);
    std::int32_t valor = 0;
    const auto [fim, erro] =
        std::from_chars(digitos.data(), digitos.data() + digitos.size(), valor);
    if (digitos.empty() || erro != std::errc() || fim != digitos.data() + digitos.size())
        throw ErroConversao("'" + std::string(texto) + "' is not a valid integer value");
    return valor;
}

} // namespace tessela
