#pragma once

// What printing needs of the print system. Names are code-page-1252 texts, as
// everywhere in the program; an implementation converts at its own boundary.

#include "common/erros.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessela {

// The print system refused an operation; the text is its own explanation.
class ErroImpressao : public Erro {
public:
    explicit ErroImpressao(const std::string& texto) : Erro("ErroImpressao", texto) {}
};

struct Resolucao {
    int horizontal = 0; // pixels per inch
    int vertical = 0;
};

// One raw job: bytes go to the printer unchanged, in the order written. A job that is
// destroyed before Concluir is cancelled, so nothing half-sent is printed.
class TrabalhoRaw {
public:
    virtual ~TrabalhoRaw() = default;
    // Throws ErroImpressao when the print system does not take the bytes.
    virtual void Escrever(std::string_view bytes) = 0;
    // Hands the job over for printing. Throws ErroImpressao when it is refused.
    virtual void Concluir() = 0;
};

class SistemaImpressao {
public:
    virtual ~SistemaImpressao() = default;

    // The installed printers, in the print system's own order. Throws ErroImpressao
    // when the print system cannot be asked.
    virtual std::vector<std::string> Impressoras() = 0;

    // The user's default printer, or none.
    virtual std::optional<std::string> Padrao() = 0;

    // Makes the printer of exactly that name the user's default; an unknown name changes
    // nothing. Throws ErroImpressao when the setting cannot be stored.
    virtual void DefinirPadrao(const std::string& nome) = 0;

    // True when a printer of exactly that name exists (letter case distinct).
    virtual bool Existe(const std::string& nome) = 0;

    // The printer's default resolution, or none when it does not report one.
    virtual std::optional<Resolucao> ResolucaoPadrao(const std::string& nome) = 0;

    // Creates a raw job titled titulo on the printer. Throws ErroImpressao when the
    // print system refuses it.
    virtual std::unique_ptr<TrabalhoRaw> CriarTrabalhoRaw(const std::string& impressora,
                                                          const std::string& titulo) = 0;

    // The error text of the print system's last answer to this process, empty when it
    // succeeded. Other libraries that talk to the same print system (the painter's
    // print engine) leave their outcome here too.
    virtual std::string ErroDaUltimaOperacao() = 0;
};

} // namespace tessela
