#pragma once

// Reference readings of the settings values, written straight from the file format's
// rules and independent of the reader's code, and a program folder for the reader.

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

namespace tessela::fuzz {

// Integer: leading blanks, an optional sign, then decimal digits, or hexadecimal digits
// after '$', 'x' or '0x' (either case), nothing after them. Decimal within signed 32
// bits; hexadecimal up to FFFFFFFF, read as a 32-bit pattern.
inline std::optional<std::int32_t> InteiroReferencia(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size() && t[i] == ' ')
        ++i;
    bool negativo = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        negativo = t[i++] == '-';
    int base = 10;
    if (i < t.size() && (t[i] == '$' || t[i] == 'x' || t[i] == 'X')) {
        base = 16;
        i += 1;
    } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == t.size())
        return std::nullopt;
    std::uint64_t v = 0;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0)
            return std::nullopt;
        v = v * base + d;
        if (v > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (base == 16) {
        const auto padrao = static_cast<std::uint32_t>(v);
        return static_cast<std::int32_t>(negativo ? 0u - padrao : padrao);
    }
    if (v > (negativo ? 2147483648ull : 2147483647ull))
        return std::nullopt;
    return static_cast<std::int32_t>(negativo ? -static_cast<std::int64_t>(v)
                                              : static_cast<std::int64_t>(v));
}

inline std::string_view SemBrancosNasPontas(std::string_view t) {
    const auto a = t.find_first_not_of(' ');
    if (a == std::string_view::npos)
        return {};
    return t.substr(a, t.find_last_not_of(' ') - a + 1);
}

// A decimal reading: accepted with its value, rejected, or out of the double's range
// (where only the rejection or acceptance matters, not the value).
struct LeituraDecimal {
    bool aceita = false;
    bool foraDaFaixa = false;
    double valor = 0;
};

// Decimal: blanks around; an optional sign, digits with at most one separator (at
// least one digit), an optional exponent 'e' or 'E' with an optional sign and digits.
inline LeituraDecimal DecimalReferencia(std::string_view texto, char separador) {
    const auto t = SemBrancosNasPontas(texto);
    std::string canonico;
    std::size_t i = 0, digitos = 0;
    const auto copiarDigitos = [&] {
        std::size_t n = 0;
        for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, ++n)
            canonico += t[i];
        return n;
    };
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        canonico += t[i++];
    digitos += copiarDigitos();
    if (i < t.size() && t[i] == separador) {
        canonico += '.';
        ++i;
        digitos += copiarDigitos();
    }
    if (digitos == 0)
        return {};
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        canonico += 'e';
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            canonico += t[i++];
        if (copiarDigitos() == 0)
            return {};
    }
    if (i != t.size())
        return {};
    errno = 0;
    const double v = std::strtod(canonico.c_str(), nullptr);
    return {true, errno == ERANGE, v};
}

// A fresh program folder for the whole fuzzing run, in memory when /dev/shm exists.
class PastaDoPrograma {
public:
    PastaDoPrograma() {
        std::string modelo = (std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp") +
                             std::string("/tessela-fuzz.XXXXXX");
        if (!mkdtemp(modelo.data()))
            std::abort();
        pasta_ = modelo;
    }
    ~PastaDoPrograma() {
        std::error_code ec;
        std::filesystem::remove_all(pasta_, ec);
    }
    const std::string& Caminho() const { return pasta_; }

    void Escrever(const std::string& nome, std::string_view bytes) const {
        std::ofstream(pasta_ + "/" + nome, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    void Remover(const std::string& nome) const {
        std::error_code ec;
        std::filesystem::remove(pasta_ + "/" + nome, ec);
    }

private:
    std::string pasta_;
};

} // namespace tessela::fuzz
