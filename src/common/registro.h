#pragma once

// The report files (error log, crash reports) of the system user running the program.
// Their LOG folder may be shared by every user of the machine (installed, it is a
// sticky folder that everyone may write, like /tmp), so each user writes files of
// their own, named after the login, and never a file someone else put in their place.

#include <string>
#include <string_view>

namespace tessela {

// The login of the process's user, or its number when the system has no name for it.
std::string UsuarioDoSistema();

// pastaLog (ending in '/') + base + "-" + UsuarioDoSistema() + ".log".
std::string ArquivoDeRegistro(const std::string& pastaLog, std::string_view base);

// Opens the file for appending, creating it (and its folder) when missing. A link, or
// a file that is not a regular one owned by this user, is refused: through it another
// user could lead the writes elsewhere. Returns the descriptor (close-on-exec); throws
// ErroEntradaSaida.
int AbrirRegistro(const std::string& caminho);

// Appends one line, ended by CR LF, to the file as AbrirRegistro opens it.
void AcrescentarAoRegistro(const std::string& caminho, std::string_view linha);

} // namespace tessela
