// The share-path resolver on arbitrary mount tables and paths: it resolves or raises
// the input/output error, never anything else; and a share mounted last in the table,
// with the kernel's octal escapes, is always found, whatever came before it.

#include "common/compartilhamento.h"
#include "common/erros.h"
#include "common/texto.h"
#include "verificar.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

using tessela::fuzz::Visivel;

const std::vector<std::filesystem::path> kSemGvfs = {"/nonexistent/tessela-fuzz/gvfs"};

// A mount table field as the kernel writes it.
std::string Escapar(std::string_view campo) {
    std::string r;
    for (char c : campo) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\') {
            char octal[8];
            std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned char>(c));
            r += octal;
        } else {
            r += c;
        }
    }
    return r;
}

// Flips the letter case of a..z and A..Z where the mask says so.
std::string Caixa(std::string texto, std::uint64_t mascara) {
    for (std::size_t i = 0; i < texto.size(); ++i, mascara = mascara >> 1 | mascara << 63)
        if ((mascara & 1) &&
            ((texto[i] >= 'a' && texto[i] <= 'z') || (texto[i] >= 'A' && texto[i] <= 'Z')))
            texto[i] ^= 0x20;
    return texto;
}

void ResolverQualquer(std::string_view caminho, std::string_view tabela) {
    try {
        const auto local = tessela::ResolverCaminho(caminho, tabela, kSemGvfs);
        if (!caminho.starts_with("\\\\"))
            EXIGIR(local == std::filesystem::path(std::string(caminho)), Visivel(caminho));
    } catch (const tessela::ErroEntradaSaida& e) {
        // (what() ends at a NUL byte, which no real path holds.)
        EXIGIR(std::string_view(e.what()).find(caminho.substr(0, caminho.find('\0'))) !=
                   std::string_view::npos,
               "the error does not name the path: " + Visivel(e.what()));
    }
}

void VerificarUnc(std::string_view caminho) {
    const auto unc = tessela::AnalisarUnc(caminho);
    if (!unc)
        return;
    EXIGIR(!unc->host.empty() && !unc->compartilhamento.empty(), Visivel(caminho));
    EXIGIR(unc->host.find('\\') == std::string::npos, Visivel(caminho));
    EXIGIR(unc->compartilhamento.find('\\') == std::string::npos, Visivel(caminho));
    EXIGIR(unc->resto.find('\\') == std::string::npos, Visivel(caminho));
    const std::string inicio = "\\\\" + unc->host + "\\" + unc->compartilhamento;
    EXIGIR(caminho.starts_with(inicio), Visivel(caminho));
    std::string resto(caminho.substr(inicio.size()));
    for (char& c : resto)
        if (c == '\\')
            c = '/';
    EXIGIR(resto.empty() || resto == "/" + unc->resto, Visivel(caminho));
}

// A share the fuzzer names, mounted last: the table before it must not hide it.
void VerificarMontadoPorUltimo(FuzzedDataProvider& fdp, const std::string& tabela) {
    const auto host = fdp.ConsumeRandomLengthString(24);
    const auto share = fdp.ConsumeRandomLengthString(24);
    const auto ponto = "/mnt/" + fdp.ConsumeRandomLengthString(40);
    const auto mascara = fdp.ConsumeIntegral<std::uint64_t>();
    // Names that a UNC path can carry; white space other than what the kernel escapes
    // never occurs in a mount table field.
    const auto sem = [](const std::string& s, std::string_view proibidos) {
        return s.find_first_of(proibidos) == std::string::npos;
    };
    constexpr std::string_view kNunca("\0\r\v\f", 4);
    if (host.empty() || share.empty() || !sem(host, "\\/") || !sem(share, "\\/") ||
        !sem(host, kNunca) || !sem(share, kNunca) || !sem(ponto, kNunca))
        return;
    const std::string entrada = Escapar(Caixa("//" + host + "/" + share, mascara)) + " " +
                                Escapar(ponto) + " cifs rw,relatime 0 0\n";
    const std::string completa = tabela + "\n" + entrada;
    const std::string contexto =
        "share " + Visivel(host) + "/" + Visivel(share) + ", table " + Visivel(completa);
    const auto achado = tessela::PontoDeMontagem(completa, host, share);
    EXIGIR(achado && *achado == std::filesystem::path(ponto), contexto);
    const auto local = tessela::ResolverCaminho(
        "\\\\" + host + "\\" + share + "\\Interfac03\\A b.txt", completa, kSemGvfs);
    EXIGIR(local == std::filesystem::path(ponto) / "Interfac03/A b.txt", contexto);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    FuzzedDataProvider fdp(dados, tamanho);
    const auto caminho = fdp.ConsumeRandomLengthString(200);
    const auto tabela = fdp.ConsumeRandomLengthString(4000);
    VerificarUnc(caminho);
    ResolverQualquer(caminho, tabela);
    VerificarMontadoPorUltimo(fdp, tabela);
    return 0;
}
