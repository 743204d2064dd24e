#pragma once

// What every fuzz target uses: a broken invariant aborts with its text, so libFuzzer
// keeps the input that broke it.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace tessela::fuzz {

[[noreturn]] inline void Quebrou(const char* arquivo, int linha, const char* condicao,
                                 const std::string& detalhe) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n%s\n", arquivo, linha, condicao,
                 detalhe.c_str());
    std::abort();
}

// The text with every byte outside printable ASCII as \xNN, for the failure report.
inline std::string Visivel(std::string_view texto) {
    std::string r;
    for (unsigned char c : texto) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            r += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            r += hex;
        }
    }
    return r;
}

} // namespace tessela::fuzz

#define EXIGIR(condicao, detalhe)                                                                  \
    do {                                                                                           \
        if (!(condicao))                                                                           \
            ::tessela::fuzz::Quebrou(__FILE__, __LINE__, #condicao, (detalhe));                    \
    } while (0)
