#pragma once

// Texts are code-page-1252 bytes held in std::string everywhere; conversion to
// Unicode happens only at the widget and painter boundary.

#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace tessela {

// Removes blanks (character 32 only) at both ends; tabs and the rest are kept.
std::string TiraBrancos(std::string_view texto);

// Upper-cases the letters a to z only; accented letters stay as they are.
std::string MaiusculasAZ(std::string_view texto);

// Equal once upper-cased as MaiusculasAZ does: the letters a to z without regard to case,
// every other byte as it is.
bool IguaisSemCaixa(std::string_view a, std::string_view b);

// A whole decimal number of the integer type T: an optional sign and decimal digits,
// nothing else (no blank, no base prefix), within T's range.
template <typename T> std::optional<T> InteiroDecimal(std::string_view texto) {
    // from_chars takes a '-' but not a '+'; one sign at most.
    if (!texto.empty() && texto.front() == '+') {
        texto.remove_prefix(1);
        if (!texto.empty() && texto.front() == '-')
            return std::nullopt;
    }
    T valor = 0;
    const char* fim = texto.data() + texto.size();
    const auto [resto, erro] = std::from_chars(texto.data(), fim, valor);
    if (erro != std::errc() || resto != fim)
        return std::nullopt;
    return valor;
}

// The first n bytes of a text (all of it when shorter).
std::string Cortar(std::string_view texto, std::size_t n);

// Code page 1252 to UTF-8 and back. Bytes that 1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 control of the same value, so every byte
// survives the round trip; a character 1252 cannot hold becomes '?'.
std::string Cp1252ParaUtf8(std::string_view texto);
std::string Utf8ParaCp1252(std::string_view texto);

} // namespace tessela
