#pragma once

// The page plan: which report lines go on which printed page.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessela {

struct TPagina {
    std::int32_t Numero = 0;        // from 1 across the whole plan
    std::int32_t PrimeiraLinha = 0; // index of the page's first report line
    std::int32_t UltimaLinha = 0;   // index of its last report line, inclusive
    bool operator==(const TPagina&) const = default;
};

using PaginasLaudo = std::vector<TPagina>;

// The text that marks the title line of a report box.
inline constexpr std::string_view kInicioDeLaudo = "| LAUDO DE ANALISE";

// True when the line holds the start text anywhere, letter case distinct.
bool InicioDeLaudo(std::string_view linha);

// Cuts the lines into pages of linhasPorPagina lines (below 1 counts as 1). Each start
// line opens a report that ends before the next one; pages never span two reports.
// The pages take consecutive line ranges from line 0, so lines before the first start
// line go on page 1 and as many lines at the end lie on no page. No start line: no page.
PaginasLaudo MontarPaginas(const std::vector<std::string>& linhas, std::int32_t linhasPorPagina);

// The whole-number value of LinhasPorPagina. Throws ErroConversao when it is not one.
std::int32_t ValorLinhasPorPagina(std::string_view texto);

} // namespace tessela
