#pragma once

// The reader of the fixed-column settings files CONFIGBD.INI and MAGNOLIA.INI.

#include "common/erros.h"
#include "settings/parametros.h"
#include "common/sessao.h"

#include <string>
#include <string_view>

namespace tessela {

inline constexpr const char* kMensagemMagnoliaIniAusente =
    "Arquivo MAGNOLIA.INI n\xE3o encontrado. Execute o programa Ordinata.exe para cri\xE1-lo.";

// MAGNOLIA.INI is missing: the program shows the text and ends with status 1.
class ErroMagnoliaIniAusente : public Erro {
public:
    ErroMagnoliaIniAusente() : Erro("ErroMagnoliaIniAusente", kMensagemMagnoliaIniAusente) {}
};

// Fills p and s.DirPrograma (pastaExecutavel with a trailing '/'). Throws
// ErroMagnoliaIniAusente, ErroConversao at a value a conversion rejects (the reading
// stops at that line, fields keep what was stored before, NomeBancoCentral still gets
// its fallback), or ErroEntradaSaida for a file that exists but cannot be read.
void LerParametros(TParametros& p, TSessao& s, std::string_view pastaExecutavel,
                   char separadorDecimal);

// The value of a whole settings line from column 50 to its end as a decimal number:
// first with the given separator, then with '.' and ',' swapped. Throws ErroConversao
// "'%s' is not a valid floating point value".
double ValorDecimal(std::string_view linha, char separadorDecimal);

// A whole number by the settings' integer rule (sign, decimal or hexadecimal with $,
// x or 0x, 32 bits). Throws ErroConversao "'%s' is not a valid integer value".
std::int32_t ValorInteiro(std::string_view texto);

// The process decimal separator of the user's locale (after setlocale(LC_ALL, "")).
char SeparadorDecimalDoProcesso();

} // namespace tessela
