#pragma once

// The start-up sequence, run at the first activation of the main window.

#include "common/datas.h"
#include "common/sessao.h"
#include "common/tela.h"
#include "database/dm.h"
#include "settings/parametros.h"
#include "startup/inicio_paralelo.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tessela {

// Everything the sequence works on, passed explicitly.
struct ContextoExecucao {
    TParametros& parametros;
    TSessao& sessao;
    TDM& dm;
    Tela& tela;
    const Argumentos& argumentos;
    // Today's date and the time of day; tests fix it.
    std::function<DataHora()> Relogio = Agora;
    // Set by the first FormActivate: the sequence runs once in a run.
    bool Executada = false;
    // The sequence's requests to the central server, begun as it starts; they live as
    // long as the run, whose end waits for them.
    std::unique_ptr<InicioParalelo> Inicio = nullptr;
};

// The whole sequence in its order: LinFicha.db, window colour from CONFIG, LOG
// folder, margin, waiting panel, station, caption, ULTATIV.LLF, the report. Does
// nothing when it has already run with this context.
void FormActivate(ContextoExecucao& c);

// The system colour of dialog and button faces, used when CONFIG gives no colour.
inline constexpr std::int32_t kCorFaceDoSistema = static_cast<std::int32_t>(0xFF00000Fu);

// MargemLaudo: two blanks when LarguraOM is not a whole number; otherwise
// MargemEsquerdaLaudo blanks, at most 120, none when it is not a positive number.
std::string CalcularMargemLaudo(std::string_view larguraOM, std::string_view margemEsquerdaLaudo);

// The main window's caption for the user and station.
std::string TituloJanela(std::string_view tipoUsuario, std::string_view usuario,
                         std::string_view estLocal);

} // namespace tessela
