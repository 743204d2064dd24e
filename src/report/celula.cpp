#include "report/celula.h"

#include <stdexcept>

namespace tessela {

namespace {

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
                      std::vector<std::string_view>& linhas) {
    if (resto.empty()) {
        linhas.push_back(resto);
        return;
    }
    while (!resto.empty()) {
        if (resto.size() <= largura) {
            linhas.push_back(resto);
            return;
        }
        const auto n = ComprimentoDaLinha(resto, largura);
        linhas.push_back(resto.substr(0, n));
        resto.remove_prefix(n);
        const auto primeiro = resto.find_first_not_of(' ');
        resto.remove_prefix(primeiro == std::string_view::npos ? resto.size() : primeiro);
    }
}

} // namespace

void QuebrarTextoEm(std::string_view texto, std::size_t largura,
                    std::vector<std::string_view>& linhas) {
    if (largura == 0)
        throw std::invalid_argument("QuebrarTexto: largura 0");
    // Paragraphs end at CR LF, a lone CR and a lone LF; a text ending in a break has an
    // empty last paragraph.
    std::size_t inicio = 0;
    for (std::size_t i = 0; i < texto.size(); ++i) {
        if (texto[i] != '\r' && texto[i] != '\n')
            continue;
        QuebrarParagrafo(texto.substr(inicio, i - inicio), largura, linhas);
        if (texto[i] == '\r' && i + 1 < texto.size() && texto[i + 1] == '\n')
            ++i;
        inicio = i + 1;
    }
    QuebrarParagrafo(texto.substr(inicio), largura, linhas);
}

std::vector<std::string> QuebrarTexto(std::string_view texto, std::size_t largura) {
    std::vector<std::string_view> partes;
    QuebrarTextoEm(texto, largura, partes);
    return {partes.begin(), partes.end()};
}

std::string AjustarCelula(std::string_view linha, std::size_t largura) {
    std::string celula;
    AcrescentarCelula(celula, linha, largura);
    return celula;
}

void AcrescentarCelula(std::string& destino, std::string_view linha, std::size_t largura) {
    const auto parte = linha.substr(0, largura);
    destino += parte;
    destino.append(largura - parte.size(), ' ');
}

} // namespace tessela
