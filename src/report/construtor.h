#pragma once

// The report build run at the end of the start-up sequence: the station's work table
// emptied, the component and its tests read, the report composed, written and shown.

#include "common/datas.h"
#include "common/sessao.h"
#include "common/tela.h"
#include "database/dm.h"
#include "report/laudo.h"
#include "settings/parametros.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessela {

// The component of a code and its tests, as the database gives them.
struct ComponenteLido {
    // COMPONENTE of the row whose code equals the code byte for byte (the database's own
    // comparison ignores trailing blanks and may ignore case); none when there is none.
    std::optional<std::string> produto;
    std::vector<EnsaioLaudo> ensaios; // in ENSAIO order; read only for a component found
};

// Reads them on SQLConnection2 (SQLQuery1, then Ensaios), leaving both closed.
ComponenteLido LerComponente(TDM& dm, const std::string& codigo);

struct ContextoLaudo {
    const TParametros& parametros;
    const TSessao& sessao;
    TDM& dm;
    Tela& tela;
    const Argumentos& argumentos; // code, lot, supplier, expiry
    // Where the build takes its data at the step it needs them: the reads made there
    // (none given), or what reads begun earlier hand over, their errors included.
    std::function<void()> EsvaziarFichaPro = nullptr;     // "delete from fichapro", SQLConnection3
    std::function<ComponenteLido()> Componente = nullptr; // LerComponente of the code
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
