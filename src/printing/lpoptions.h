#pragma once

// The user's own printer settings of CUPS, ~/.cups/lpoptions: one line a destination,
// "Dest NAME[/INSTANCE] options" or, for the user's default, "Default NAME[/INSTANCE]
// options". The program changes the default line alone and leaves every other setting of
// the user as it was. It writes the file itself, without the print server: cupsSetDests2
// asks the server first (so a default lent for a print could not be given back once
// the server went away), and from CUPS 2.4.3 on writes the machine's /etc/cups/lpoptions
// when run as root.
//
// What a print lent it gives back alone: the user, lpoptions or another print of the same
// user may change the file in the meantime, and what they changed stays.

#include "common/arquivo_texto.h"
#include "printing/sistema_impressao.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tessela {

// One line that making a printer the default changed: the line at posicao of the content
// before (antes; none for a line added at the end) and what it became (depois; none for
// a line taken away).
struct TrocaDeLinha {
    std::size_t posicao = 0;
    std::optional<std::string> antes;
    std::optional<std::string> depois;
    bool operator==(const TrocaDeLinha&) const = default;
};

// What making a printer the default changes: its own line, which becomes the Default line,
// and the former Default lines, which become Dest lines or go.
struct TrocaDoPadrao {
    TrocaDeLinha daImpressora;            // depois: the Default line written
    std::vector<TrocaDeLinha> anteriores; // in the order of the content
    bool Muda() const { return daImpressora.antes != daImpressora.depois || !anteriores.empty(); }
};

// How the content changes with the destination nome (UTF-8, no instance) as the default:
// its own line becomes the Default line, with its options; a former Default line becomes a
// Dest line, or goes when it held nothing else; without a line of its own, "Default nome"
// is added at the end. Names compare as CUPS compares them, without regard to the case of
// a to z.
TrocaDoPadrao TrocasDoPadrao(const std::string& conteudo, const std::string& nome);

// The content with that change made.
std::string ComPadrao(const std::string& conteudo, const std::string& nome);

// The content as it is now (atual) with the change given back: the printer's own line as
// it was, the former default the default again (with the options its Dest line has now),
// and every other line as it is now. None while the file's Default line is no longer the
// one the change wrote: someone chose another default or other options meanwhile, and
// that stays.
std::optional<std::string> SemATroca(const std::string& atual, const TrocaDoPadrao& troca);

// The file: $HOME/.cups/lpoptions, HOME from the environment or else the user's entry.
std::filesystem::path ArquivoLpoptions();

// One change of the user's file, exactly as it was made.
struct MudancaLpoptions : MudancaDoPadrao {
    std::filesystem::path arquivo;     // the file written: a link's target
    std::optional<std::string> antes;  // its bytes before; none: there was no file
    std::string depois;                // its bytes as written
    TrocaDoPadrao troca;               // nothing written unless it Muda
    std::filesystem::path pastaCriada; // ~/.cups when the change made it
    std::optional<DonoArquivo> dono;   // run as root: the owner of what it creates
};

// Makes nome the default in the user's file, which is replaced whole (and its folder made,
// mode 0700, when missing). A link stays a link: its target is written. The file keeps its
// owner and mode; run as root, what is made belongs to the owner of HOME. Throws
// ErroEntradaSaida naming the file or folder.
MudancaLpoptions GravarPadraoNoLpoptions(const std::string& nome);

// Gives that change back and nothing else: when nothing else changed the file meanwhile,
// its bytes as they were, or no file (and no folder, when the change made it and nothing
// else went into it); otherwise SemATroca. Throws ErroEntradaSaida naming the file.
void DevolverPadraoAoLpoptions(const MudancaLpoptions& mudanca);

} // namespace tessela
