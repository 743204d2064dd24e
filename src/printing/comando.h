#pragma once

// The print command of the report screen.

#include "common/tela.h"
#include "printing/selecao.h"
#include "settings/parametros.h"
#include "common/sessao.h"

namespace tessela {

// The print button: checks LinhasPorPagina, prints the lines of RelPed graphically
// or as raw text according to TipoImpressora, and scrolls RelPed back to its start.
// instaladas is the run's own list of installed printers, read at its first print.
void BotImprPedidoClick(const TParametros& p, TSessao& s, TImpressorasInstaladas& instaladas,
                        Tela& tela);

} // namespace tessela
