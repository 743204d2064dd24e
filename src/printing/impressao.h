#pragma once

// The print command with its print system and page pause made explicit; comando.h's
// BotImprPedidoClick uses CUPS and the real pause.

#include "common/tela.h"
#include "printing/selecao.h"
#include "printing/sistema_impressao.h"
#include "settings/parametros.h"
#include "common/sessao.h"

#include <chrono>

namespace tessela {

// Graphic printing when TipoImpressora, upper-cased, is "GRAFICA"; raw text otherwise.
// Both print on ImpressoraRelatorios; graphic printing looks it up among the run's
// installed printers.
void ImprimirLaudo(const TParametros& p, TSessao& s, TImpressorasInstaladas& instaladas, Tela& tela,
                   SistemaImpressao& sistema, std::chrono::milliseconds espera);

void BotImprPedidoClick(const TParametros& p, TSessao& s, TImpressorasInstaladas& instaladas,
                        Tela& tela, SistemaImpressao& sistema, std::chrono::milliseconds espera);

} // namespace tessela
