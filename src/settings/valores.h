#pragma once

// The values of the fixed-column settings lines: where a line's value lies, and how the
// keys convert it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessela {

// Columns of a settings line: a 48-character label, one separator column, then the
// value; most keys look only at a 60-column window of it.
inline constexpr std::size_t kLarguraRotulo = 48;
inline constexpr std::size_t kInicioValor = 49;
inline constexpr std::size_t kLarguraJanela = 60;

// The 60-column window of the value, and the value from column 50 to the end.
std::string_view JanelaDoValor(std::string_view linha);
std::string_view ValorAteOFim(std::string_view linha);

// A whole number by the settings' integer rule: leading blanks, an optional sign, then
// decimal digits or hexadecimal ones after '$', 'x' or '0x'; 32 bits (a hexadecimal value
// is a 32-bit pattern, up to FFFFFFFF). None when the text is not one.
std::optional<std::int32_t> InteiroDasConfiguracoes(std::string_view texto);

// The same, or ErroConversao "'%s' is not a valid integer value".
std::int32_t ValorInteiro(std::string_view texto);

// The value of a whole settings line from column 50 to its end as a decimal number:
// first with the given separator, then with '.' and ',' swapped. Throws ErroConversao
// "'%s' is not a valid floating point value".
double ValorDecimal(std::string_view linha, char separadorDecimal);

// A folder: trailing blanks and backslashes dropped, so "C:\OM\" gives "C:\OM".
std::string RegraDaPasta(std::string_view texto);

// The text without any blank.
std::string SemBrancos(std::string_view texto);

// The process decimal separator of the user's locale (after setlocale(LC_ALL, "")).
char SeparadorDecimalDoProcesso();

} // namespace tessela
