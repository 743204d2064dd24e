#pragma once

// The reader of the fixed-column settings files CONFIGBD.INI and MAGNOLIA.INI.

#include "common/erros.h"
#include "common/sessao.h"
#include "settings/parametros.h"
#include "settings/valores.h"

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

} // namespace tessela
