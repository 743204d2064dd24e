#include "common/compartilhamento.h"

#include "common/erros.h"
#include "common/texto.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>

namespace tessela {

namespace {

// The kernel writes blanks, tabs, newlines and backslashes of mount table fields as
// three-digit octal escapes.
std::string DecodificarCampo(std::string_view campo) {
    std::string r;
    for (std::size_t i = 0; i < campo.size(); ++i) {
        if (campo[i] == '\\' && i + 3 < campo.size()) {
            const auto d = campo.substr(i + 1, 3);
            if (d.find_first_not_of("01234567") == std::string_view::npos) {
                r += static_cast<char>((d[0] - '0') * 64 + (d[1] - '0') * 8 + (d[2] - '0'));
                i += 3;
                continue;
            }
        }
        r += campo[i];
    }
    return r;
}

std::string TextoDoArquivo(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

} // namespace

std::optional<CaminhoUnc> AnalisarUnc(std::string_view caminho) {
    if (caminho.size() < 3 || caminho[0] != '\\' || caminho[1] != '\\')
        return std::nullopt;
    const auto resto = caminho.substr(2);
    const auto barraHost = resto.find('\\');
    if (barraHost == 0 || barraHost == std::string_view::npos)
        return std::nullopt;
    const auto aposHost = resto.substr(barraHost + 1);
    const auto barraComp = aposHost.find('\\');
    CaminhoUnc unc;
    unc.host = std::string(resto.substr(0, barraHost));
    unc.compartilhamento = std::string(aposHost.substr(0, barraComp));
    if (unc.compartilhamento.empty())
        return std::nullopt;
    if (barraComp != std::string_view::npos) {
        unc.resto = std::string(aposHost.substr(barraComp + 1));
        for (char& c : unc.resto)
            if (c == '\\')
                c = '/';
    }
    return unc;
}

std::optional<std::filesystem::path> PontoDeMontagem(std::string_view tabela, std::string_view host,
                                                     std::string_view compartilhamento) {
    const std::string fonte = "//" + std::string(host) + "/" + std::string(compartilhamento);
    std::optional<std::filesystem::path> achado;
    std::istringstream linhas{std::string(tabela)};
    std::string linha;
    while (std::getline(linhas, linha)) {
        std::istringstream campos(linha);
        std::string origem, ponto;
        if (!(campos >> origem >> ponto))
            continue;
        auto origemDecodificada = DecodificarCampo(origem);
        while (origemDecodificada.size() > 2 && origemDecodificada.back() == '/')
            origemDecodificada.pop_back();
        if (IguaisSemCaixa(origemDecodificada, fonte))
            achado = std::filesystem::path(DecodificarCampo(ponto));
    }
    return achado;
}

std::optional<std::filesystem::path> MontagemGvfs(const std::filesystem::path& raizGvfs,
                                                  std::string_view host,
                                                  std::string_view compartilhamento) {
    std::error_code ec;
    std::filesystem::directory_iterator it(raizGvfs, ec);
    if (ec)
        return std::nullopt;
    const std::string servidor = MaiusculasAZ("server=" + std::string(host));
    const std::string share = MaiusculasAZ("share=" + std::string(compartilhamento));
    for (const auto& entrada : it) {
        const auto nome = entrada.path().filename().string();
        const std::string prefixo = "smb-share:";
        if (nome.rfind(prefixo, 0) != 0)
            continue;
        bool temServidor = false, temShare = false;
        std::istringstream atributos(nome.substr(prefixo.size()));
        std::string atributo;
        while (std::getline(atributos, atributo, ',')) {
            const auto a = MaiusculasAZ(atributo);
            temServidor = temServidor || a == servidor;
            temShare = temShare || a == share;
        }
        if (temServidor && temShare)
            return entrada.path();
    }
    return std::nullopt;
}

namespace {

// "\\" starts a network path: one without a host or a share (an empty setting, say)
// names nothing, and must not become a local file with backslashes in its name.
[[noreturn]] void FalharUncInvalido(std::string_view caminho) {
    throw ErroEntradaSaida("N\xE3o foi poss\xEDvel acessar " + std::string(caminho) +
                           ": caminho de rede sem servidor ou compartilhamento");
}

bool ComecaComoUnc(std::string_view caminho) {
    return caminho.starts_with("\\\\");
}

} // namespace

std::vector<std::filesystem::path> RaizesGvfs(const char* xdgRuntimeDir, unsigned uid) {
    std::vector<std::filesystem::path> raizes;
    if (xdgRuntimeDir && *xdgRuntimeDir)
        raizes.push_back(std::filesystem::path(xdgRuntimeDir) / "gvfs");
    const auto padrao = std::filesystem::path("/run/user") / std::to_string(uid) / "gvfs";
    if (raizes.empty() || raizes.front().lexically_normal() != padrao)
        raizes.push_back(padrao);
    return raizes;
}

std::filesystem::path ResolverCaminho(std::string_view caminho, std::string_view tabela,
                                      const std::vector<std::filesystem::path>& raizesGvfs) {
    const auto unc = AnalisarUnc(caminho);
    if (!unc && ComecaComoUnc(caminho))
        FalharUncInvalido(caminho);
    if (!unc)
        return std::filesystem::path(std::string(caminho));
    auto base = PontoDeMontagem(tabela, unc->host, unc->compartilhamento);
    for (auto raiz = raizesGvfs.begin(); !base && raiz != raizesGvfs.end(); ++raiz)
        base = MontagemGvfs(*raiz, unc->host, unc->compartilhamento);
    if (!base)
        throw ErroEntradaSaida("N\xE3o foi poss\xEDvel acessar " + std::string(caminho) +
                               ": o compartilhamento \\\\" + unc->host + "\\" +
                               unc->compartilhamento + " n\xE3o est\xE1 montado");
    // Shares hold Unicode names and Linux mounts present them as UTF-8, so the
    // program's code-page-1252 names are converted here.
    return unc->resto.empty() ? *base : *base / Cp1252ParaUtf8(unc->resto);
}

std::filesystem::path CaminhoLocal(std::string_view caminho) {
    if (!AnalisarUnc(caminho) && !ComecaComoUnc(caminho))
        return std::filesystem::path(std::string(caminho));
    return ResolverCaminho(caminho, TextoDoArquivo("/proc/self/mounts"),
                           RaizesGvfs(std::getenv("XDG_RUNTIME_DIR"), getuid()));
}

} // namespace tessela
