#pragma once

// The print command of the report screen.

#include "common/tela.h"
#include "settings/parametros.h"
#include "startup/sessao.h"

namespace tessela {

// The print button: checks LinhasPorPagina, prints the lines of RelPed graphically
// or as raw text according to TipoImpressora, and scrolls RelPed back to its start.
void BotImprPedidoClick(const TParametros& p, TSessao& s, Tela& tela);

} // namespace tessela
