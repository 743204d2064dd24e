#pragma once

// Raw text printing: the report's bytes with condensed-print codes, straight to the
// printer, one job per page.

#include "common/tela.h"
#include "printing/sistema_impressao.h"
#include "settings/parametros.h"

#include <string>
#include <vector>

namespace tessela {

// The bytes of one report line: SI, the line's characters, DC2, CR LF.
std::string BytesDaLinha(const std::string& linha);

// Prints the lines of the report screen on the printer of that name, opened directly
// (the user's default printer is left alone). An unknown printer, or a job the print
// system refuses, is reported in a warning box and stops the print; a print system that
// does not answer is an ErroImpressao.
void ImprimirRaw(const TParametros& p, Tela& tela, SistemaImpressao& sistema,
                 const std::string& impressora);

} // namespace tessela
