#include "printing/lpoptions.h"

#include "common/arquivo_texto.h"
#include "common/erros.h"
#include "common/texto.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessela {

namespace {

struct LinhaLpoptions {
    std::string palavra; // "Dest", "Default" or anything else
    std::string destino; // NAME or NAME/INSTANCE
    std::string resto;   // the options, with the blank before them
};

LinhaLpoptions Separar(const std::string& linha) {
    LinhaLpoptions l;
    const auto fimPalavra = linha.find_first_of(" \t");
    l.palavra = linha.substr(0, fimPalavra);
    if (fimPalavra == std::string::npos)
        return l;
    const auto inicioDestino = linha.find_first_not_of(" \t", fimPalavra);
    if (inicioDestino == std::string::npos)
        return l;
    const auto fimDestino = linha.find_first_of(" \t", inicioDestino);
    l.destino = linha.substr(inicioDestino, fimDestino - inicioDestino);
    if (fimDestino != std::string::npos)
        l.resto = linha.substr(fimDestino);
    return l;
}

std::string HomeDoUsuario() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    std::vector<char> area(16384);
    passwd entrada{};
    passwd* achada = nullptr;
    if (getpwuid_r(getuid(), &entrada, area.data(), area.size(), &achada) == 0 && achada &&
        achada->pw_dir)
        return achada->pw_dir;
    throw ErroEntradaSaida("N\xE3o foi poss\xEDvel achar a pasta pessoal do usu\xE1rio");
}

void CriarPasta(const std::filesystem::path& pasta) {
    if (mkdir(pasta.c_str(), 0700) != 0 && errno != EEXIST)
        throw ErroEntradaSaida("N\xE3o foi poss\xEDvel criar a pasta " + pasta.string() + ": " +
                               std::strerror(errno));
}

} // namespace

std::filesystem::path ArquivoLpoptions() {
    return std::filesystem::path(HomeDoUsuario()) / ".cups" / "lpoptions";
}

std::string ComPadrao(const std::string& conteudo, const std::string& nome) {
    std::string resultado;
    bool achado = false;
    std::size_t inicio = 0;
    while (inicio < conteudo.size()) {
        auto fim = conteudo.find('\n', inicio);
        if (fim == std::string::npos)
            fim = conteudo.size();
        const std::string linha = conteudo.substr(inicio, fim - inicio);
        inicio = fim + 1;
        const LinhaLpoptions l = Separar(linha);
        const bool dest = IguaisSemCaixa(l.palavra, "Dest");
        const bool padrao = IguaisSemCaixa(l.palavra, "Default");
        if (!dest && !padrao) {
            resultado += linha + "\n";
            continue;
        }
        if (!achado && IguaisSemCaixa(l.destino, nome)) {
            achado = true;
            resultado += "Default " + l.destino + l.resto + "\n";
        } else if (dest || l.resto.find_first_not_of(" \t") != std::string::npos ||
                   l.destino.find('/') != std::string::npos) {
            resultado += "Dest " + l.destino + l.resto + "\n";
        }
        // A Default line that named nothing but the destination says nothing as Dest.
    }
    if (!achado)
        resultado += "Default " + nome + "\n";
    return resultado;
}

void GravarPadraoNoLpoptions(const std::string& nome) {
    const std::filesystem::path arquivo = ArquivoLpoptions();
    CriarPasta(arquivo.parent_path());
    SubstituirArquivo(arquivo.string(), ComPadrao(LerLpoptions().value_or(""), nome));
}

std::optional<std::string> LerLpoptions() {
    std::ifstream f(ArquivoLpoptions(), std::ios::binary);
    if (!f)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void RestaurarLpoptions(const std::optional<std::string>& conteudo) {
    const std::filesystem::path arquivo = ArquivoLpoptions();
    if (conteudo) {
        CriarPasta(arquivo.parent_path());
        SubstituirArquivo(arquivo.string(), *conteudo);
    } else if (unlink(arquivo.c_str()) != 0 && errno != ENOENT) {
        throw ErroEntradaSaida("N\xE3o foi poss\xEDvel remover " + arquivo.string() + ": " +
                               std::strerror(errno));
    }
}

} // namespace tessela
