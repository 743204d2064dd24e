#pragma once

// The start-up sequence, run at the first activation of the main window.

#include <string>

#include "common/tela.h"
#include "database/dm.h"
#include "settings/parametros.h"
#include "startup/sessao.h"

namespace tessela {

// Everything the sequence works on, passed explicitly.
struct ContextoExecucao {
    TParametros& parametros;
    TSessao& sessao;
    TDM& dm;
    Tela& tela;
    const Argumentos& argumentos;
};

// The whole sequence in its order: LinFicha.db, window colour from CONFIG, LOG
// folder, margin, waiting panel, station, caption, ULTATIV.LLF, the report.
void FormActivate(ContextoExecucao& c);

} // namespace tessela
