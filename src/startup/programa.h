#pragma once

// The run of the program, above every subsystem: it ties the main window to the data
// module, the settings, the start-up sequence and printing, and runs the event loop.

#include "common/interrupcao.h"
#include "common/sessao.h"
#include "database/conexao.h"
#include "screen/aplicacao.h"
#include "screen/formom.h"

#include <string>

namespace tessela {

// The statement run when the window closes: clears the CAIXAQ mark of the station's
// orders in the range, with the values bound; any error is ignored.
void LimparCaixaPedidos(TSQLConnection& conexao, const CamposPedido& campos);

// An end asked for from outside, as the close button asks for it: every open box is
// closed, so that its modal loop returns, and the main window closes once control is
// back in an event loop.
void EncerrarJanelas(QWidget& janela);

// Creates FormOM, loads and creates the data module, shows the window and runs the
// event loop; the start-up sequence runs at the window's first activation. An end
// asked for through interrupcao cuts the call in progress short and ends the run as
// closing the window does. Returns the exit
// status: 0 after the window closed; 1 when MAGNOLIA.INI is missing (its message
// shown, the window never shown) or the stored local databases cannot be connected
// (the error shown and logged).
int ExecutarTessela(TApplication& app, const Argumentos& argumentos,
                    const std::string& pastaExecutavel, Interrupcao& interrupcao);

} // namespace tessela
