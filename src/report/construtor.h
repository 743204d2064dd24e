#pragma once

// The report build run at the end of the start-up sequence: the station's work table
// emptied, the component and its tests read, the report composed, written and shown.

#include "common/datas.h"
#include "common/sessao.h"
#include "common/tela.h"
#include "database/dm.h"
#include "settings/parametros.h"

namespace tessela {

struct ContextoLaudo {
    const TParametros& parametros;
    const TSessao& sessao;
    TDM& dm;
    Tela& tela;
    const Argumentos& argumentos; // code, lot, supplier, expiry
};

inline constexpr const char* kTextoInicioDiag = "Inicio do Tessela";

// Hides the order edits, empties FICHAPRO of the station's database (a failure is
// reported and the build goes on), then MontarLaudo. hoje dates the report.
void PrepararLaudo(const ContextoLaudo& c, const DataHora& hoje);

// DiagOM.txt, the component by its code (exactly as given), its tests in ENSAIO order,
// the Laudo file, Fichapes1.txt and RelPed, then the report screen. A component that
// is not found gives no report and no message.
void MontarLaudo(const ContextoLaudo& c, const DataHora& hoje);

} // namespace tessela
