#pragma once

// The catalogue of settings keys: for each label of the two files, the field it fills, how
// it takes its value, its width and its fallback.

#include "settings/parametros.h"

#include <string_view>

namespace tessela {

enum class ArquivoDeConfiguracao {
    ConfigBd, // CONFIGBD.INI: the server and the database name alone
    Magnolia, // MAGNOLIA.INI: every key
};

// Stores the value of one line in the field of the key its label names; a line that is
// shorter than a label, or names no key of that file, changes nothing. Throws
// ErroConversao at a value its key cannot convert.
void AplicarLinha(ArquivoDeConfiguracao arquivo, TParametros& p, std::string_view linha,
                  char separadorDecimal);

} // namespace tessela
