#pragma once

// Wrapping of the free-text cells of the report table (test name and specification),
// as a word-wrapping text box with a fixed-pitch font exactly W characters wide shows
// them: breaks fall at blanks, the blanks at a break vanish, and only a word longer
// than the width is split.
//
// Characters that are not blanks (32):
// - CR LF, a lone CR and a lone LF each end a paragraph. A CR or LF left inside a
//   cell line would break the report line in the file, on the screen and on the
//   printer, and the table's bars would no longer line up.
// - A tab is an ordinary character: it counts one column, no break falls at it and
//   it is never removed at a break.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessela {

// The wrapped lines of a cell text, at least one, none longer than largura (> 0).
std::vector<std::string> QuebrarTexto(std::string_view texto, std::size_t largura);

// The same lines as slices of texto, appended to linhas: nothing is copied.
void QuebrarTextoEm(std::string_view texto, std::size_t largura,
                    std::vector<std::string_view>& linhas);

// The line padded with blanks and cut to exactly largura characters.
std::string AjustarCelula(std::string_view linha, std::size_t largura);

// AjustarCelula appended to destino.
void AcrescentarCelula(std::string& destino, std::string_view linha, std::size_t largura);

} // namespace tessela
