#include "settings/valores.h"

#include "common/erros.h"
#include "common/texto.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <limits>

namespace tessela {

namespace {

[[noreturn]] void InteiroInvalido(std::string_view texto) {
    throw ErroConversao("'" + std::string(texto) + "' is not a valid integer value");
}

bool DigitoHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool DigitoDecimal(char c) {
    return c >= '0' && c <= '9';
}

// The parts of an integer text: leading blanks, an optional sign, then decimal digits
// or hexadecimal digits after '$', 'x' or '0x'.
struct Numeral {
    bool negativo = false;
    int base = 10;
    std::string_view digitos;
};

std::optional<Numeral> Decompor(std::string_view texto) {
    Numeral n;
    texto.remove_prefix(std::min(texto.find_first_not_of(' '), texto.size()));
    if (texto.starts_with('+') || texto.starts_with('-')) {
        n.negativo = texto.front() == '-';
        texto.remove_prefix(1);
    }
    for (std::string_view prefixo : {"$", "x", "X", "0x", "0X"})
        if (texto.starts_with(prefixo)) {
            n.base = 16;
            texto.remove_prefix(prefixo.size());
            break;
        }
    const auto digito = n.base == 16 ? DigitoHex : DigitoDecimal;
    if (texto.empty() || !std::all_of(texto.begin(), texto.end(), digito))
        return std::nullopt;
    n.digitos = texto;
    return n;
}

} // namespace

// A decimal value must fit a signed 32-bit integer. Hexadecimal digits give a 32-bit
// pattern ("$FF00000F" is a system colour, so negative): up to FFFFFFFF is accepted,
// anything wider is rejected rather than wrapped.
std::optional<std::int32_t> InteiroDasConfiguracoes(std::string_view texto) {
    const auto n = Decompor(texto);
    if (!n)
        return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto* fim = n->digitos.data() + n->digitos.size();
    const auto [parou, erro] = std::from_chars(n->digitos.data(), fim, magnitude, n->base);
    if (erro != std::errc{} || parou != fim)
        return std::nullopt;
    if (n->base == 16) {
        if (magnitude > std::numeric_limits<std::uint32_t>::max())
            return std::nullopt;
        const auto padrao = static_cast<std::uint32_t>(magnitude);
        return static_cast<std::int32_t>(n->negativo ? 0u - padrao : padrao);
    }
    const std::uint64_t limite = n->negativo ? 2147483648u : 2147483647u;
    if (magnitude > limite)
        return std::nullopt;
    const auto v = static_cast<std::int64_t>(magnitude);
    return static_cast<std::int32_t>(n->negativo ? -v : v);
}

std::int32_t ValorInteiro(std::string_view texto) {
    const auto v = InteiroDasConfiguracoes(texto);
    if (!v)
        InteiroInvalido(texto);
    return *v;
}

namespace {

// Rewrites a decimal text for from_chars ('.' as separator, no '+'), or nullopt.
// Accepted: an optional sign, digits with at most one decimal separator, an optional
// exponent; no thousands separators. Blanks around the number are allowed.
class Canonizador {
public:
    Canonizador(std::string_view texto, char separador) : resto_(texto), separador_(separador) {}

    std::optional<std::string> Texto() {
        Sinal();
        if (!Mantissa() || !Expoente() || !resto_.empty())
            return std::nullopt;
        return r_;
    }

private:
    void Sinal() {
        if (resto_.starts_with('+') || resto_.starts_with('-')) {
            if (resto_.front() == '-')
                r_ += '-';
            resto_.remove_prefix(1);
        }
    }
    // Copies digits while they come; how many.
    std::size_t Digitos() {
        std::size_t n = 0;
        for (; !resto_.empty() && DigitoDecimal(resto_.front()); ++n) {
            r_ += resto_.front();
            resto_.remove_prefix(1);
        }
        return n;
    }
    bool Mantissa() {
        auto n = Digitos();
        if (!resto_.empty() && resto_.front() == separador_) {
            r_ += '.';
            resto_.remove_prefix(1);
            n += Digitos();
        }
        return n > 0;
    }
    bool Expoente() {
        if (!resto_.starts_with('e') && !resto_.starts_with('E'))
            return true;
        r_ += 'e';
        resto_.remove_prefix(1);
        Sinal();
        return Digitos() > 0;
    }

    std::string_view resto_;
    char separador_;
    std::string r_;
};

std::optional<double> Decimal(std::string_view texto, char separador) {
    const auto canonico = Canonizador(TiraBrancos(texto), separador).Texto();
    if (!canonico)
        return std::nullopt;
    double v = 0;
    const auto* fim = canonico->data() + canonico->size();
    const auto [parou, erro] = std::from_chars(canonico->data(), fim, v);
    if (erro != std::errc{} || parou != fim)
        return std::nullopt;
    return v;
}

} // namespace

std::string SemBrancos(std::string_view texto) {
    std::string r;
    for (char c : texto)
        if (c != ' ')
            r += c;
    return r;
}

std::string RegraDaPasta(std::string_view texto) {
    const auto fim = texto.find_last_not_of(" \\");
    return fim == std::string_view::npos ? std::string() : std::string(texto.substr(0, fim + 1));
}

std::string_view JanelaDoValor(std::string_view linha) {
    return linha.size() <= kInicioValor ? std::string_view()
                                        : linha.substr(kInicioValor, kLarguraJanela);
}

std::string_view ValorAteOFim(std::string_view linha) {
    return linha.size() <= kInicioValor ? std::string_view() : linha.substr(kInicioValor);
}

double ValorDecimal(std::string_view linha, char separadorDecimal) {
    if (const auto v = Decimal(ValorAteOFim(linha), separadorDecimal))
        return *v;
    std::string trocada(linha);
    const char de = separadorDecimal == ',' ? '.' : ',';
    const char para = separadorDecimal == ',' ? ',' : '.';
    for (char& c : trocada)
        if (c == de)
            c = para;
    const auto segunda = ValorAteOFim(trocada);
    if (const auto v = Decimal(segunda, separadorDecimal))
        return *v;
    throw ErroConversao("'" + std::string(segunda) + "' is not a valid floating point value");
}

char SeparadorDecimalDoProcesso() {
    const auto* lc = std::localeconv();
    return (lc && lc->decimal_point && lc->decimal_point[0]) ? lc->decimal_point[0] : '.';
}

} // namespace tessela
