#pragma once

// The print command of the report screen.

#include "common/interrupcao.h"
#include "common/sessao.h"
#include "common/tela.h"
#include "printing/selecao.h"
#include "settings/parametros.h"

namespace tessela {

// The print button: checks LinhasPorPagina, prints the lines of RelPed graphically
// or as raw text according to TipoImpressora, and scrolls RelPed back to its start.
// instaladas is the run's own list of installed printers, read at its first print. An
// end of the run asked for through interrupcao cuts the print short.
void BotImprPedidoClick(const TParametros& p, TSessao& s, TImpressorasInstaladas& instaladas,
                        Tela& tela, Interrupcao* interrupcao);

} // namespace tessela
