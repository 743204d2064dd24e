#pragma once

// The report printer of a graphic print: found among the installed printers and made
// the user's default for the length of the print.

#include "common/interrupcao.h"
#include "common/sessao.h"
#include "common/tela.h"
#include "printing/sistema_impressao.h"

#include <memory>
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
// changes nothing (and gives no record of a change).
std::unique_ptr<MudancaDoPadrao> DefinirImpressoraPadrao(SistemaImpressao& sistema,
                                                         const std::vector<std::string>& instaladas,
                                                         const std::string& nome);

// The user's default printer lent for one print. Definir makes a printer the default and
// keeps what that changed; Devolver gives back exactly that, once, on every way out. An
// end of the run that cannot wait for the main thread gives it back from its own thread
// (Interrupcao::Emprestimo), after which Definir changes nothing. With devolver false (the
// user had no default before the print) the printer made the default stays.
class PadraoEmprestado {
public:
    PadraoEmprestado(SistemaImpressao& sistema, Interrupcao* interrupcao, bool devolver);
    PadraoEmprestado(const PadraoEmprestado&) = delete;
    PadraoEmprestado& operator=(const PadraoEmprestado&) = delete;

    void Definir(const std::vector<std::string>& instaladas, const std::string& nome);
    // The print system's error reaches the caller.
    void Devolver() { emprestimo_.Devolver(); }

private:
    void DevolverMudancas();

    SistemaImpressao& sistema_;
    bool devolver_;
    std::vector<std::unique_ptr<MudancaDoPadrao>> mudancas_; // in the order made
    Interrupcao::Emprestimo emprestimo_;
};

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
// loan of the default printer (padrao), the default is changed through it, so that the
// change is given back, and never made once an end of the run has given the loan back.
bool LocalizarImpressora(TSessao& sessao, Tela& tela, SistemaImpressao& sistema,
                         const std::vector<std::string>& instaladas,
                         PadraoEmprestado* padrao = nullptr);

} // namespace tessela
