#include "common/texto.h"

#include <array>
#include <cstdint>

namespace tessela {

std::string TiraBrancos(std::string_view texto) {
    const auto inicio = texto.find_first_not_of(' ');
    if (inicio == std::string_view::npos)
        return {};
    const auto fim = texto.find_last_not_of(' ');
    return std::string(texto.substr(inicio, fim - inicio + 1));
}

std::string MaiusculasAZ(std::string_view texto) {
    std::string r(texto);
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return r;
}

bool IguaisSemCaixa(std::string_view a, std::string_view b) {
    return a.size() == b.size() && MaiusculasAZ(a) == MaiusculasAZ(b);
}

std::string Cortar(std::string_view texto, std::size_t n) {
    return std::string(texto.substr(0, n));
}

namespace {

// 0x80 to 0x9F; the five undefined positions keep their own value.
constexpr std::array<char32_t, 32> kFaixa80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t PontoDe(unsigned char b) {
    return (b >= 0x80 && b <= 0x9F) ? kFaixa80[b - 0x80] : char32_t{b};
}

void AcrescentarUtf8(std::string& s, char32_t cp) {
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char ByteDe(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (std::size_t i = 0; i < kFaixa80.size(); ++i)
        if (kFaixa80[i] == cp)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

std::string Cp1252ParaUtf8(std::string_view texto) {
    std::string r;
    r.reserve(texto.size() + texto.size() / 4);
    for (unsigned char b : texto)
        AcrescentarUtf8(r, PontoDe(b));
    return r;
}

std::string Utf8ParaCp1252(std::string_view texto) {
    std::string r;
    r.reserve(texto.size());
    for (std::size_t i = 0; i < texto.size();) {
        const auto b = static_cast<unsigned char>(texto[i]);
        int n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
        if (n == 0 || i + n > texto.size()) {
            r += '?';
            ++i;
            continue;
        }
        char32_t cp = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
        for (int k = 1; k < n; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(texto[i + k]) & 0x3F);
        r += ByteDe(cp);
        i += n;
    }
    return r;
}

} // namespace tessela
