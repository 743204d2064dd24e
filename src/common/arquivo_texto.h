#pragma once

// Line-oriented text files: code-page-1252 bytes, every line ended by CR LF, no
// byte-order mark. Each call opens, uses and closes its file, and a call that fails
// leaves the file whole: a file is replaced whole or not at all (only a file that must
// be written in place can be left part written), an append adds the whole line or
// nothing. Paths are the program's own: "\\host\share\rest" is found through the
// share resolver, anything else is a local path.

#include <cstddef>
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

// Creates the file with exactly these bytes, or replaces the one there: through a
// temporary file ".NAME.tessela-NNNNNN" beside it and a rename, or written in place where
// a rename cannot replace it (a folder that lets its files be written but none be
// created, a file another program holds open). Whatever fails, the file is left whole,
// old or new; when the new bytes could take its place neither way after the old ones
// were gone, the error names the temporary file that keeps them. Temporary files that
// killed runs left in the folder are removed once they are an hour old. With a dono, a
// new file belongs to it before it takes the place of the old one (root only).
void SubstituirArquivo(std::string_view caminho, std::string_view bytes,
                       const std::optional<DonoArquivo>& dono = std::nullopt);

// Appends the bytes to a file opened for appending, in one write so that two programs
// appending at once never mix their lines: all of them, or none (a piece written before
// the disk filled up is taken back). The errno of a failure, or 0.
int AcrescentarInteiro(int fd, std::string_view bytes);

// Takes back the last bytes a write through fd (opened for appending) put at the end of
// the file, and only those: they end at the descriptor's position. Once another program
// has appended after them the file stays as it is, since cutting there would take that
// program's line too.
void TirarAcrescimo(int fd, std::size_t escritos);

// Appends one line to a file that must already exist.
void AcrescentarLinha(std::string_view caminho, std::string_view linha);

// Reads every line. CR LF and a lone LF end a line; a lone CR and the end-of-file
// character 0x1A are ordinary characters of the line. A last line without an end
// is read too.
std::vector<std::string> LerLinhasTexto(std::string_view caminho);

// Whether a regular file exists; false also when its share is not mounted.
bool ArquivoExiste(std::string_view caminho);

} // namespace tessela
