#pragma once

// The print command with its print system and page pause made explicit; comando.h's
// BotImprPedidoClick uses CUPS and the real pause.

#include "common/tela.h"
#include "printing/sistema_impressao.h"
#include "settings/parametros.h"
#include "startup/sessao.h"

#include <chrono>

namespace tessela {

// Graphic printing when TipoImpressora, upper-cased, is "GRAFICA"; raw text otherwise.
// Both print on ImpressoraRelatorios.
void ImprimirLaudo(const TParametros& p, TSessao& s, Tela& tela, SistemaImpressao& sistema,
                   std::chrono::milliseconds espera);

void BotImprPedidoClick(const TParametros& p, TSessao& s, Tela& tela, SistemaImpressao& sistema,
                        std::chrono::milliseconds espera);

} // namespace tessela
