#pragma once

// Line-oriented text files: code-page-1252 bytes, every line ended by CR LF, no
// byte-order mark. Each call opens, uses and closes its file. Paths are the program's
// own: "\\host\share\rest" is found through the share resolver, anything else is a
// local path.

#include <string>
#include <string_view>
#include <vector>

namespace tessela {

// Creates the file, or empties it when it exists.
void CriarArquivoTexto(std::string_view caminho);

// Creates (or empties) the file and writes the lines.
void GravarArquivoTexto(std::string_view caminho, const std::vector<std::string>& linhas);

// Appends one line to a file that must already exist.
void AcrescentarLinha(std::string_view caminho, std::string_view linha);

// Reads every line. CR LF and a lone LF end a line; a lone CR and the end-of-file
// character 0x1A are ordinary characters of the line. A last line without an end
// is read too.
std::vector<std::string> LerLinhasTexto(std::string_view caminho);

// Whether a regular file exists; false also when its share is not mounted.
bool ArquivoExiste(std::string_view caminho);

} // namespace tessela
