#include "common/arquivo_texto.h"

#include "common/compartilhamento.h"
#include "common/erros.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace tessela {

namespace {

[[noreturn]] void Falhar(const char* operacao, std::string_view caminho, int erro) {
    throw ErroEntradaSaida(std::string(operacao) + " " + std::string(caminho) + ": " +
                           std::strerror(erro));
}

const char* const kAbrir = "N\xE3o foi poss\xEDvel abrir";
const char* const kGravar = "N\xE3o foi poss\xEDvel gravar";

std::string Conteudo(const std::vector<std::string>& linhas) {
    std::string bytes;
    for (const auto& linha : linhas)
        bytes.append(linha).append("\r\n");
    return bytes;
}

} // namespace

void CriarArquivoTexto(std::string_view caminho) {
    SubstituirArquivo(caminho, {});
}

void GravarArquivoTexto(std::string_view caminho, const std::vector<std::string>& linhas) {
    SubstituirArquivo(caminho, Conteudo(linhas));
}

int AcrescentarInteiro(int fd, std::string_view bytes) {
    ssize_t escritos;
    while ((escritos = write(fd, bytes.data(), bytes.size())) < 0 && errno == EINTR) {
    }
    if (escritos == static_cast<ssize_t>(bytes.size()))
        return 0;
    const int erro = escritos < 0 ? errno : ENOSPC;
    if (escritos > 0)
        TirarAcrescimo(fd, static_cast<std::size_t>(escritos));
    return erro;
}

void TirarAcrescimo(int fd, std::size_t escritos) {
    const off_t fim = lseek(fd, 0, SEEK_CUR);
    struct stat agora {};
    if (fim < static_cast<off_t>(escritos) || fstat(fd, &agora) != 0 || agora.st_size != fim)
        return;
    // Should even this fail, the error reported is still the write's.
    [[maybe_unused]] const int r = ftruncate(fd, fim - static_cast<off_t>(escritos));
}

void AcrescentarLinha(std::string_view caminho, std::string_view linha) {
    const auto local = CaminhoLocal(caminho);
    const int fd = open(local.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    struct stat dados {};
    if (fd < 0 || fstat(fd, &dados) != 0 || !S_ISREG(dados.st_mode)) {
        const int erro = fd < 0 ? errno : EISDIR;
        if (fd >= 0)
            close(fd);
        Falhar(kAbrir, caminho, erro);
    }
    int erro = AcrescentarInteiro(fd, std::string(linha) + "\r\n");
    if (close(fd) != 0 && erro == 0)
        erro = errno;
    if (erro != 0)
        Falhar(kGravar, caminho, erro);
}

std::vector<std::string> LerLinhasTexto(std::string_view caminho) {
    const auto local = CaminhoLocal(caminho);
    std::ifstream f(local, std::ios::binary);
    if (!f)
        Falhar(kAbrir, caminho, errno);
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
