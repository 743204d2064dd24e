#pragma once

// The report printer of a graphic print: found among the installed printers and made
// the user's default for the length of the print.

#include "common/interrupcao.h"
#include "common/sessao.h"
#include "common/tela.h"
#include "printing/sistema_impressao.h"

#include <optional>
#include <string>
#include <vector>

namespace tessela {

// The installed printers of the run, as the print system listed them when a print first
// needed them; kept unchanged for the rest of the run, so a queue added later is not
// found and one removed is still listed. The run owns one and hands it to every print.
struct TImpressorasInstaladas {
    std::optional<std::vector<std::string>> nomes; // none until the first reading
};

// The run's list, read from the print system on its first use. A reading that fails
// keeps nothing, so the next print asks again.
const std::vector<std::string>& ImpressorasInstaladas(TImpressorasInstaladas& instaladas,
                                                      SistemaImpressao& sistema);

// The names of the installed printers, each followed by a line break.
std::string TextoListaImpressoras(const std::vector<std::string>& instaladas);

// The user's current default printer, or none.
std::optional<std::string> ImpressoraPadrao(SistemaImpressao& sistema);

// Makes the installed printer of exactly that name the user's default; any other name
// changes nothing.
void DefinirImpressoraPadrao(SistemaImpressao& sistema, const std::vector<std::string>& instaladas,
                             const std::string& nome);

// The printer that the configured text selects: first an installed name equal to it
// (letter case distinct), else one whose upper-cased form (a to z) contains it upper-cased;
// of several, the last in list order. Pure, for the selection's own tests.
struct EscolhaImpressora {
    std::string nome;
    bool porContencao = false;
};
std::optional<EscolhaImpressora> EscolherImpressora(const std::string& configurada,
                                                    const std::vector<std::string>& instaladas);

// Finds ImpressoraRelatorios among the installed printers and makes it the user's
// default, with the messages for an empty or unknown name. A match by containment
// replaces ImpressoraRelatorios with the printer's full name. True when found. With a
// loan of the default printer (emprestimo), the default is changed through it, so that
// it is never changed once an end of the run has given the loan back.
bool LocalizarImpressora(TSessao& sessao, Tela& tela, SistemaImpressao& sistema,
                         const std::vector<std::string>& instaladas,
                         Interrupcao::Emprestimo* emprestimo = nullptr);

} // namespace tessela
