#pragma once

// Line-oriented text files: code-page-1252 bytes, every line ended by CR LF, no
// byte-order mark. Each call opens, uses and closes its file, and a call that fails
// leaves the file as it found it: a file is replaced whole or not at all, an append
// adds the whole line or nothing. Paths are the program's own: "\\host\share\rest" is
// found through the share resolver, anything else is a local path.

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace tessela {

// Creates the file, or replaces it with an empty one.
void CriarArquivoTexto(std::string_view caminho);

// Creates the file with the lines, or replaces the one there.
void GravarArquivoTexto(std::string_view caminho, const std::vector<std::string>& linhas);

// The owner that a file written by root for another user must have.
struct DonoArquivo {
    uid_t usuario = 0;
    gid_t grupo = 0;
};

// Creates the file with exactly these bytes, or replaces the one there. With a dono, the
// new file belongs to it before it takes the place of the old one (root only).
void SubstituirArquivo(std::string_view caminho, std::string_view bytes,
                       const std::optional<DonoArquivo>& dono = std::nullopt);

// Appends the bytes to a file opened for appending, in one write so that two programs
// appending at once never mix their lines: all of them, or none (a piece written before
// the disk filled up is taken back). The errno of a failure, or 0.
int AcrescentarInteiro(int fd, std::string_view bytes);

// Appends one line to a file that must already exist.
void AcrescentarLinha(std::string_view caminho, std::string_view linha);

// Reads every line. CR LF and a lone LF end a line; a lone CR and the end-of-file
// character 0x1A are ordinary characters of the line. A last line without an end
// is read too.
std::vector<std::string> LerLinhasTexto(std::string_view caminho);

// Whether a regular file exists; false also when its share is not mounted.
bool ArquivoExiste(std::string_view caminho);

} // namespace tessela
