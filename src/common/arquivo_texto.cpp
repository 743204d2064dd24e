#include "common/arquivo_texto.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "common/compartilhamento.h"
#include "common/erros.h"

namespace tessela {

namespace {

[[noreturn]] void Falhar(const char* operacao, std::string_view caminho, int erro) {
    throw ErroEntradaSaida(std::string(operacao) + " " + std::string(caminho) + ": " +
                           std::strerror(erro));
}

void Escrever(std::string_view caminho, std::ios::openmode modo,
              const std::vector<std::string>& linhas) {
    const auto local = CaminhoLocal(caminho);
    std::ofstream f(local, modo | std::ios::binary);
    if (!f)
        Falhar("Não foi possível abrir", caminho, errno);
    for (const auto& linha : linhas)
        f << linha << "\r\n";
    f.close();
    if (!f)
        Falhar("Não foi possível gravar", caminho, errno);
}

} // namespace

void CriarArquivoTexto(std::string_view caminho) {
    Escrever(caminho, std::ios::out | std::ios::trunc, {});
}

void GravarArquivoTexto(std::string_view caminho, const std::vector<std::string>& linhas) {
    Escrever(caminho, std::ios::out | std::ios::trunc, linhas);
}

void AcrescentarLinha(std::string_view caminho, std::string_view linha) {
    if (!ArquivoExiste(caminho))
        Falhar("Não foi possível abrir", caminho, ENOENT);
    Escrever(caminho, std::ios::out | std::ios::app, {std::string(linha)});
}

std::vector<std::string> LerLinhasTexto(std::string_view caminho) {
    const auto local = CaminhoLocal(caminho);
    std::ifstream f(local, std::ios::binary);
    if (!f)
        Falhar("Não foi possível abrir", caminho, errno);
    const std::string tudo{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    if (f.bad())
        Falhar("Não foi possível ler", caminho, errno);

    std::vector<std::string> linhas;
    std::size_t inicio = 0;
    while (inicio < tudo.size()) {
        auto lf = tudo.find('\n', inicio);
        if (lf == std::string::npos) {
            linhas.push_back(tudo.substr(inicio));
            break;
        }
        auto fim = (lf > inicio && tudo[lf - 1] == '\r') ? lf - 1 : lf;
        linhas.push_back(tudo.substr(inicio, fim - inicio));
        inicio = lf + 1;
    }
    return linhas;
}

bool ArquivoExiste(std::string_view caminho) {
    try {
        std::error_code ec;
        return std::filesystem::is_regular_file(CaminhoLocal(caminho), ec);
    } catch (const ErroEntradaSaida&) {
        return false;
    }
}

} // namespace tessela
