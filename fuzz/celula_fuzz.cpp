// QuebrarTexto and AjustarCelula on any bytes and any width from 1 to 128: the lines
// are slices of the text in order, with only blanks and line breaks dropped between
// them, none wider than the width, and the fitted cell exactly the width.

#include "report/celula.h"
#include "verificar.h"

#include <cstddef>
#include <cstdint>

namespace {

using tessela::fuzz::Visivel;

bool Quebra(char c) {
    return c == '\r' || c == '\n';
}

bool Descartavel(char c) {
    return c == ' ' || Quebra(c);
}

std::string NaoBrancos(std::string_view texto) {
    std::string r;
    for (char c : texto)
        if (!Descartavel(c))
            r += c;
    return r;
}

// Where the line lies in the text at or after inicio, with only blanks and line
// breaks skipped before it; npos when it does not. Blanks at a break never start a
// line: a line that starts with one starts a paragraph.
std::size_t Posicao(std::string_view texto, std::size_t inicio, std::string_view linha) {
    for (std::size_t p = inicio; p <= texto.size(); ++p) {
        const bool podeComecar = linha.front() != ' ' || p == 0 || Quebra(texto[p - 1]);
        if (podeComecar && texto.substr(p).starts_with(linha))
            return p;
        if (p == texto.size() || !Descartavel(texto[p]))
            break;
    }
    return std::string_view::npos;
}

void VerificarLinhas(std::string_view texto, std::size_t largura,
                     const std::vector<std::string>& linhas) {
    const std::string contexto = "width " + std::to_string(largura) + ", text " + Visivel(texto);
    EXIGIR(!linhas.empty(), contexto);
    std::string juntos;
    std::size_t fim = 0;
    for (const auto& linha : linhas) {
        EXIGIR(linha.size() <= largura, contexto + ", line " + Visivel(linha));
        EXIGIR(linha.find_first_of("\r\n") == std::string::npos, contexto);
        juntos += linha;
        if (linha.empty())
            continue; // an empty paragraph
        const auto p = Posicao(texto, fim, linha);
        EXIGIR(p != std::string_view::npos, contexto + ", line not in order: " + Visivel(linha));
        fim = p + linha.size();
    }
    EXIGIR(NaoBrancos(texto.substr(fim)).empty(), contexto + ", text left over");
    EXIGIR(NaoBrancos(juntos) == NaoBrancos(texto), contexto + ", characters lost or added");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    if (tamanho < 1)
        return 0;
    const std::size_t largura = 1 + dados[0] % 128;
    const std::string_view texto(reinterpret_cast<const char*>(dados) + 1, tamanho - 1);

    const auto linhas = tessela::QuebrarTexto(texto, largura);
    VerificarLinhas(texto, largura, linhas);
    for (const auto& linha : linhas) {
        const auto celula = tessela::AjustarCelula(linha, largura);
        EXIGIR(celula.size() == largura, Visivel(linha));
        EXIGIR(celula.starts_with(linha), Visivel(linha));
        EXIGIR(celula.find_first_not_of(' ', linha.size()) == std::string::npos, Visivel(linha));
    }
    // Any text fitted to any width, the wrapped lines aside.
    const auto cortada = tessela::AjustarCelula(texto, largura);
    EXIGIR(cortada.size() == largura, Visivel(texto));
    EXIGIR(cortada.substr(0, std::min(largura, texto.size())) == texto.substr(0, largura),
           Visivel(texto));
    return 0;
}
