#include "common/arquivo_texto.h"

#include "common/compartilhamento.h"
#include "common/erros.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

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
        Falhar("N\xE3o foi poss\xEDvel abrir", caminho, errno);
    for (const auto& linha : linhas)
        f << linha << "\r\n";
    f.close();
    if (!f)
        Falhar("N\xE3o foi poss\xEDvel gravar", caminho, errno);
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
        Falhar("N\xE3o foi poss\xEDvel abrir", caminho, ENOENT);
    Escrever(caminho, std::ios::out | std::ios::app, {std::string(linha)});
}

std::vector<std::string> LerLinhasTexto(std::string_view caminho) {
    const auto local = CaminhoLocal(caminho);
    std::ifstream f(local, std::ios::binary);
    if (!f)
        Falhar("N\xE3o foi poss\xEDvel abrir", caminho, errno);
    // A read error (a folder opened as a file, say) reaches us as ios_base::failure
    // from the stream buffer, not as a stream state.
    std::string tudo;
    try {
        tudo.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        Falhar("N\xE3o foi poss\xEDvel ler", caminho, errno);
    }
    if (f.bad())
        Falhar("N\xE3o foi poss\xEDvel ler", caminho, errno);

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
