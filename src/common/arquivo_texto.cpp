#include "common/arquivo_texto.h"

#include "common/compartilhamento.h"
#include "common/erros.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <random>
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

// Writes all the bytes; the errno of the failure, or 0. A share that refuses them late
// (cifs, nfs) says so when the file is closed, which every caller checks.
int EscreverTudo(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

// The lines that were there stay, without a piece of the new one. Should even that
// fail, the error reported is still the write's.
void Encurtar(int fd, off_t tamanho) {
    if (ftruncate(fd, tamanho) != 0)
        return;
}

// A new file beside the one it will replace, named so that no program of the suite takes
// it for one of its own; created as the file itself would be (the umask applies).
int CriarTemporario(const std::filesystem::path& destino, std::filesystem::path& temporario) {
    std::random_device aleatorio;
    for (int tentativa = 0; tentativa < 100; ++tentativa) {
        temporario = destino;
        temporario.replace_filename("." + destino.filename().string() + ".tessela-" +
                                    std::to_string(aleatorio() % 1000000));
        const int fd = open(temporario.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

// The file takes the bytes whole or not at all: they are written to a temporary file in
// the same folder, which then replaces it in one rename. An earlier file keeps its
// permissions; a failure removes the temporary file and leaves the earlier one as it was.
void SubstituirArquivo(std::string_view caminho, std::string_view bytes,
                       const std::optional<DonoArquivo>& dono) {
    const auto destino = CaminhoLocal(caminho);
    std::filesystem::path temporario;
    const int fd = CriarTemporario(destino, temporario);
    if (fd < 0)
        Falhar(kAbrir, caminho, errno);
    // Before the mode: a change of owner may clear its set-id bits.
    int erro = dono && fchown(fd, dono->usuario, dono->grupo) != 0 ? errno : 0;
    struct stat anterior {};
    if (stat(destino.c_str(), &anterior) == 0 && S_ISREG(anterior.st_mode))
        fchmod(fd, anterior.st_mode & 07777); // a share may refuse; its own rules hold then
    if (erro == 0)
        erro = EscreverTudo(fd, bytes);
    if (close(fd) != 0 && erro == 0)
        erro = errno;
    if (erro == 0 && rename(temporario.c_str(), destino.c_str()) != 0)
        erro = errno;
    if (erro != 0) {
        unlink(temporario.c_str());
        Falhar(kGravar, caminho, erro);
    }
}

void CriarArquivoTexto(std::string_view caminho) {
    SubstituirArquivo(caminho, {});
}

void GravarArquivoTexto(std::string_view caminho, const std::vector<std::string>& linhas) {
    SubstituirArquivo(caminho, Conteudo(linhas));
}

int AcrescentarInteiro(int fd, std::string_view bytes) {
    struct stat antes {};
    if (fstat(fd, &antes) != 0)
        return errno;
    ssize_t escritos;
    while ((escritos = write(fd, bytes.data(), bytes.size())) < 0 && errno == EINTR) {
    }
    if (escritos == static_cast<ssize_t>(bytes.size()))
        return 0;
    const int erro = escritos < 0 ? errno : ENOSPC;
    if (escritos > 0)
        Encurtar(fd, antes.st_size);
    return erro;
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
