#pragma once

// Graphic printing: the report drawn page by page on the report printer, made the
// user's default for the length of the print.

#include "common/interrupcao.h"
#include "common/sessao.h"
#include "common/tela.h"
#include "printing/selecao.h"
#include "printing/sistema_impressao.h"
#include "settings/parametros.h"

#include <chrono>
#include <string>

namespace tessela {

// Pause after each page, so the spooler takes one page before the next one comes.
inline constexpr std::chrono::milliseconds kEsperaEntrePaginas{2000};

// Resolution used when the printer reports none.
inline constexpr int kResolucaoSemInformacao = 600;

// Prints the lines of the report screen on the printer that ImpressoraRelatorios
// selects among the run's installed printers. Positions are device pixels of the printer,
// each direction at its own resolution, from the top-left corner of the area its queue
// declares printable. The user's default printer is lent for the print and given back on
// every way out, an escaping error and an end of the run through interrupcao included;
// a default that cannot be given back is an ErroImpressao saying so. A page the print
// system refuses is reported in a warning box and ends the print; a print system that
// stops answering is an ErroImpressao. espera is the pause after each page (tests pass
// a shorter one).
void ImprimirGrafico(const TParametros& p, TSessao& s, TImpressorasInstaladas& instaladas,
                     Tela& tela, SistemaImpressao& sistema,
                     std::chrono::milliseconds espera = kEsperaEntrePaginas,
                     Interrupcao* interrupcao = nullptr);

} // namespace tessela
