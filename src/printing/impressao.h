#pragma once

// The print command with its print system and page pause made explicit; comando.h's
// BotImprPedidoClick uses CUPS and the real pause.

#include "common/interrupcao.h"
#include "common/sessao.h"
#include "common/tela.h"
#include "printing/selecao.h"
#include "printing/sistema_impressao.h"
#include "settings/parametros.h"

#include <chrono>

namespace tessela {

// Graphic printing when TipoImpressora, upper-cased, is "GRAFICA"; raw text otherwise.
// Both print on ImpressoraRelatorios; graphic printing looks it up among the run's
// installed printers.
// An end of the run through interrupcao cuts a graphic print short and gives the default
// printer back.
void ImprimirLaudo(const TParametros& p, TSessao& s, TImpressorasInstaladas& instaladas, Tela& tela,
                   SistemaImpressao& sistema, std::chrono::milliseconds espera,
                   Interrupcao* interrupcao = nullptr);

void BotImprPedidoClick(const TParametros& p, TSessao& s, TImpressorasInstaladas& instaladas,
                        Tela& tela, SistemaImpressao& sistema, std::chrono::milliseconds espera,
                        Interrupcao* interrupcao = nullptr);

} // namespace tessela
