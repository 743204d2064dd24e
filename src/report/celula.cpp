#include "report/celula.h"

#include <stdexcept>

namespace tessela {

namespace {

// Splits at CR LF, lone CR and lone LF; a text ending in a break has an empty last
// paragraph.
std::vector<std::string_view> Paragrafos(std::string_view texto) {
    std::vector<std::string_view> paragrafos;
    std::size_t inicio = 0;
    for (std::size_t i = 0; i < texto.size(); ++i) {
        if (texto[i] != '\r' && texto[i] != '\n')
            continue;
        paragrafos.push_back(texto.substr(inicio, i - inicio));
        if (texto[i] == '\r' && i + 1 < texto.size() && texto[i + 1] == '\n')
            ++i;
        inicio = i + 1;
    }
    paragrafos.push_back(texto.substr(inicio));
    return paragrafos;
}

// Length of the next line taken from the front of resto (longer than largura).
std::size_t ComprimentoDaLinha(std::string_view resto, std::size_t largura) {
    if (resto[largura] == ' ')
        return largura;
    const auto ultimoBranco = resto.substr(0, largura).rfind(' ');
    if (ultimoBranco != std::string_view::npos)
        return ultimoBranco + 1;
    return largura; // a word longer than the width is split
}

void QuebrarParagrafo(std::string_view resto, std::size_t largura,
                      std::vector<std::string>& linhas) {
    if (resto.empty()) {
        linhas.emplace_back();
        return;
    }
    while (!resto.empty()) {
        if (resto.size() <= largura) {
            linhas.emplace_back(resto);
            return;
        }
        const auto n = ComprimentoDaLinha(resto, largura);
        linhas.emplace_back(resto.substr(0, n));
        resto.remove_prefix(n);
        const auto primeiro = resto.find_first_not_of(' ');
        resto.remove_prefix(primeiro == std::string_view::npos ? resto.size() : primeiro);
    }
}

} // namespace

std::vector<std::string> QuebrarTexto(std::string_view texto, std::size_t largura) {
    if (largura == 0)
        throw std::invalid_argument("QuebrarTexto: largura 0");
    std::vector<std::string> linhas;
    for (const auto paragrafo : Paragrafos(texto))
        QuebrarParagrafo(paragrafo, largura, linhas);
    return linhas;
}

std::string AjustarCelula(std::string_view linha, std::size_t largura) {
    std::string celula(linha.substr(0, largura));
    celula.resize(largura, ' ');
    return celula;
}

} // namespace tessela
