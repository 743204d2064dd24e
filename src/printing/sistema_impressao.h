#pragma once

// What printing needs of the print system. Names are code-page-1252 texts, as
// everywhere in the program; an implementation converts at its own boundary.

#include "common/erros.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessela {

// The print system failed: its server does not answer, or stopped answering in the
// middle of an operation. The text names the server and what happened.
class ErroImpressao : public Erro {
public:
    explicit ErroImpressao(const std::string& texto) : Erro("ErroImpressao", texto) {}
};

// The print system answered, and its answer was no: a job refused, or a printer that is
// not there (any more). The text is the reason.
class ErroTrabalhoRecusado : public ErroImpressao {
public:
    explicit ErroTrabalhoRecusado(const std::string& texto) : ErroImpressao(texto) {}
};

struct Resolucao {
    int horizontal = 0; // pixels per inch
    int vertical = 0;
};

// The document of a job: bytes for the printer as they are, or a PDF that the print
// system renders for it.
enum class FormatoDocumento { Bruto, Pdf };

// Options of a job by their print system names ("media", "sides"), in ASCII.
using OpcoesTrabalho = std::vector<std::pair<std::string, std::string>>;

// One job: the document's bytes go to the print system in the order written. A job that
// is destroyed before Concluir prints nothing, and one that fails or is cut on its way is
// cancelled, so nothing half-sent is printed.
class Trabalho {
public:
    virtual ~Trabalho() = default;
    virtual void Escrever(std::string_view bytes) = 0;
    // Hands the job over for printing.
    virtual void Concluir() = 0;
};

// What one DefinirPadrao changed in the user's own settings; only the print system that
// made it reads it.
class MudancaDoPadrao {
public:
    virtual ~MudancaDoPadrao() = default;
};

// Every operation that asks the print system throws ErroImpressao when it does not
// answer; operations refused throw ErroTrabalhoRecusado.
class SistemaImpressao {
public:
    virtual ~SistemaImpressao() = default;

    // The installed printers, in the print system's own order.
    virtual std::vector<std::string> Impressoras() = 0;

    // The user's default printer, or none.
    virtual std::optional<std::string> Padrao() = 0;

    // Makes the printer of that name the user's default, in the user's own settings and
    // without asking the print system, so that a default lent for a print can be given
    // back also when the print system went away. The caller knows the name is installed.
    // The result records exactly what changed.
    virtual std::unique_ptr<MudancaDoPadrao> DefinirPadrao(const std::string& nome) = 0;

    // Gives back what that DefinirPadrao of this print system changed, and nothing else:
    // a default or options that the user or another program chose since stay. Without
    // asking the print system.
    virtual void DevolverPadrao(const MudancaDoPadrao& mudanca) = 0;

    // True when a printer of exactly that name exists (letter case distinct).
    virtual bool Existe(const std::string& nome) = 0;

    // The printer's default resolution, or none when it does not report one.
    virtual std::optional<Resolucao> ResolucaoPadrao(const std::string& nome) = 0;

    // Creates a job titled titulo on the printer, with the options given.
    virtual std::unique_ptr<Trabalho> CriarTrabalho(const std::string& impressora,
                                                    const std::string& titulo,
                                                    FormatoDocumento formato,
                                                    const OpcoesTrabalho& opcoes = {}) = 0;
};

} // namespace tessela
