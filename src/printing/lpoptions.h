#pragma once

// The user's own printer settings of CUPS, ~/.cups/lpoptions: one line a destination,
// "Dest NAME[/INSTANCE] options" or, for the user's default, "Default NAME[/INSTANCE]
// options". The program changes the default line alone and leaves every other setting of
// the user as it was. It writes the file itself, without the print server: cupsSetDests2
// asks the server first (so a default lent for a print could not be given back once
// the server went away), and from CUPS 2.4.3 on writes the machine's /etc/cups/lpoptions
// when run as root.

#include <filesystem>
#include <optional>
#include <string>

namespace tessela {

// The file: $HOME/.cups/lpoptions, HOME from the environment or else the user's entry.
std::filesystem::path ArquivoLpoptions();

// The content with the destination nome (UTF-8, no instance) as the default: its own line
// becomes the Default line, with its options; a former Default line becomes a Dest line,
// or goes when it held nothing else; without a line of its own, "Default nome" is added.
// Names compare as CUPS compares them, without regard to the case of a to z.
std::string ComPadrao(const std::string& conteudo, const std::string& nome);

// Makes nome the default in the user's file, which is replaced whole (and its folder
// made, mode 0700, when missing). Throws ErroEntradaSaida naming the file.
void GravarPadraoNoLpoptions(const std::string& nome);

// The user's file as it is; none when there is none.
std::optional<std::string> LerLpoptions();

// Puts the file back as LerLpoptions read it: the same bytes, or no file. Throws
// ErroEntradaSaida naming the file.
void RestaurarLpoptions(const std::optional<std::string>& conteudo);

} // namespace tessela
