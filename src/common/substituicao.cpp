// A file replaced whole: the bytes go to a temporary file beside it, which a rename puts
// in its place. Shares make the rename fail in ways a local disk never does, and the
// clients of a share (the cifs module, gvfs through libsmbclient) answer some of those
// failures by removing the old file and renaming again; when that second rename fails
// too, the temporary file holds the only copy there is. It is never thrown away then.

#include "common/arquivo_texto.h"
#include "common/compartilhamento.h"
#include "common/erros.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tessela {

namespace {

const char* const kAbrir = "N\xE3o foi poss\xEDvel abrir";
const char* const kGravar = "N\xE3o foi poss\xEDvel gravar";
const std::string_view kMarca = ".tessela-";
// A temporary file that keeps new bytes whose file they could not replace: named so that
// the clean-up of abandoned ones never takes it.
const std::string_view kGuardado = "guardado-";
constexpr std::size_t kDigitos = 6;
// A temporary file this old belongs to no write in progress: a run killed before it
// could remove it left it there.
constexpr std::time_t kIdadeDoAbandonado = 60 * 60;
// How long a file that another client still holds, already marked for deletion by the
// failed rename, is waited for: once that client closes it, the name is free again.
constexpr auto kEsperaPelaRemocao = std::chrono::seconds(5);
constexpr auto kIntervalo = std::chrono::milliseconds(100);

struct Temporario {
    std::filesystem::path local;
    std::string nome; // as the caller names paths, for the messages
};

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

// A sharing violation: EBUSY on a cifs mount and through gvfs, ETXTBSY from some servers.
bool AbertoEmOutro(int erro) {
    return erro == EBUSY || erro == ETXTBSY;
}

[[noreturn]] void FalharNoLugar(std::string_view caminho, int erroRename, int erro) {
    if (AbertoEmOutro(erro))
        throw ErroEntradaSaida("O arquivo " + std::string(caminho) +
                               " est\xE1 aberto em outro programa.");
    throw ErroEntradaSaida(std::string(kGravar) + " " + std::string(caminho) + ": " +
                           std::strerror(erroRename) +
                           "; nem no pr\xF3prio arquivo: " + std::strerror(erro));
}

// The new bytes could not take the file's place and stay in the temporary file.
[[noreturn]] void FalharGuardando(std::string_view caminho, const Temporario& t, int erro) {
    const std::string guardado = " O novo conte\xFA"
                                 "do ficou em " +
                                 t.nome + ".";
    if (AbertoEmOutro(erro) || erro == EINVAL)
        throw ErroEntradaSaida("O arquivo " + std::string(caminho) +
                               " est\xE1 aberto em outro programa." + guardado);
    throw ErroEntradaSaida(std::string(kGravar) + " " + std::string(caminho) + ": " +
                           std::strerror(erro) + "." + guardado);
}

// The temporary file under the name of one kept (see kGuardado); as it was when the share
// refuses that rename too.
Temporario Guardar(const Temporario& t) {
    const auto digitos = t.nome.size() - kDigitos;
    Temporario g{t.local,
                 t.nome.substr(0, digitos) + std::string(kGuardado) + t.nome.substr(digitos)};
    const std::string nomeLocal = t.local.filename().string();
    g.local.replace_filename(nomeLocal.substr(0, nomeLocal.size() - kDigitos) +
                             std::string(kGuardado) +
                             nomeLocal.substr(nomeLocal.size() - kDigitos));
    if (rename(t.local.c_str(), g.local.c_str()) != 0)
        return t;
    return g;
}

bool NomeDeTemporario(std::string_view nome) {
    if (nome.size() < 2 + kMarca.size() + kDigitos || nome[0] != '.')
        return false;
    const auto digitos = nome.substr(nome.size() - kDigitos);
    return nome.substr(nome.size() - kDigitos - kMarca.size(), kMarca.size()) == kMarca &&
           digitos.find_first_not_of("0123456789") == std::string_view::npos;
}

void RemoverAbandonados(const std::filesystem::path& pasta) {
    DIR* d = opendir(pasta.empty() ? "." : pasta.c_str());
    if (!d)
        return; // creating the new file will say what is wrong with the folder
    const std::time_t limite = std::time(nullptr) - kIdadeDoAbandonado;
    while (const dirent* e = readdir(d)) {
        struct stat dados {};
        if (NomeDeTemporario(e->d_name) &&
            fstatat(dirfd(d), e->d_name, &dados, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(dados.st_mode) && dados.st_mtime < limite)
            unlinkat(dirfd(d), e->d_name, 0);
    }
    closedir(d);
}

// A new file beside the one it will replace, named so that no program of the suite takes
// it for one of its own; created as the file itself would be (the umask applies).
int CriarTemporario(std::string_view caminho, const std::filesystem::path& destino, Temporario& t) {
    std::random_device aleatorio;
    const auto barra = caminho.find_last_of("\\/");
    const auto pasta = barra == std::string_view::npos ? "" : caminho.substr(0, barra + 1);
    const auto nome = caminho.substr(pasta.size());
    for (int tentativa = 0; tentativa < 100; ++tentativa) {
        char numero[16];
        std::snprintf(numero, sizeof numero, "%06u", aleatorio() % 1000000);
        t.local = destino;
        t.local.replace_filename("." + destino.filename().string() + std::string(kMarca) + numero);
        t.nome = std::string(pasta) + "." + std::string(nome) + std::string(kMarca) + numero;
        const int fd = open(t.local.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

struct NoLugar {
    int erro = 0;
    bool alterado = false; // the old bytes may be gone
};

// The bytes written over the file itself. It is opened for appending, which every layer
// does on the file itself (gvfs turns an open that truncates into a replace of its own,
// by the rename that has just failed), truncated, and written through a second
// descriptor, since gvfs keeps the first one's position past the truncation.
NoLugar GravarNoLugar(const std::filesystem::path& destino, std::string_view bytes) {
    int fd = open(destino.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {errno, false};
    if (ftruncate(fd, 0) != 0) {
        const int erro = errno;
        close(fd);
        return {erro, false};
    }
    if (close(fd) != 0)
        return {errno, true};
    fd = open(destino.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return {errno, true};
    int erro = EscreverTudo(fd, bytes);
    if (close(fd) != 0 && erro == 0)
        erro = errno;
    return {erro, true};
}

enum class Estado { Presente, Ausente, Indisponivel };

// How the file stands after a rename over it failed. Opening it tells more than stat,
// which a FUSE mount answers from its cache: a file held by another client that shares
// deletion, and that the failed rename has marked for deletion, stays listed, but
// opening it fails until that client closes it (EINVAL through gvfs, ENOENT or EBUSY on
// a cifs mount, by kernel version), and then it is gone.
Estado EstadoDoDestino(const std::filesystem::path& destino, int& erro) {
    const int fd = open(destino.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        close(fd);
        return Estado::Presente;
    }
    erro = errno;
    if (erro == ENOENT)
        return Estado::Ausente;
    return erro == EINVAL || AbertoEmOutro(erro) ? Estado::Indisponivel : Estado::Presente;
}

// After a failed rename: a file that stands is written in place; a file that is gone,
// or marked for deletion, gets the temporary file in its place, as soon as its name is
// free and for a few seconds at most.
void ColocarNoLugar(std::string_view caminho, const std::filesystem::path& destino,
                    const Temporario& t, std::string_view bytes, int erroRename) {
    const auto limite = std::chrono::steady_clock::now() + kEsperaPelaRemocao;
    for (;;) {
        int erroEstado = 0;
        const auto estado = EstadoDoDestino(destino, erroEstado);
        if (estado == Estado::Presente) {
            // Kept out of the clean-up's reach first: written in place, the file may be
            // left half written by an end that cannot wait, and this is its whole.
            const Temporario guardado = Guardar(t);
            const auto r = GravarNoLugar(destino, bytes);
            if (r.erro == 0 || !r.alterado)
                unlink(guardado.local.c_str());
            if (r.erro == 0)
                return;
            if (!r.alterado)
                FalharNoLugar(caminho, erroRename, r.erro);
            FalharGuardando(caminho, guardado, r.erro);
        }
        if (rename(t.local.c_str(), destino.c_str()) == 0)
            return;
        const int erro = estado == Estado::Indisponivel ? erroEstado : errno;
        if (std::chrono::steady_clock::now() >= limite)
            FalharGuardando(caminho, Guardar(t), erro);
        std::this_thread::sleep_for(kIntervalo);
    }
}

} // namespace

// An earlier file keeps its permissions. A failure before the rename removes the
// temporary file and leaves the earlier one as it was.
void SubstituirArquivo(std::string_view caminho, std::string_view bytes,
                       const std::optional<DonoArquivo>& dono) {
    const auto destino = CaminhoLocal(caminho);
    RemoverAbandonados(destino.parent_path());
    Temporario t;
    const int fd = CriarTemporario(caminho, destino, t);
    if (fd < 0) {
        // A folder may let its files be written but no file be created.
        const int erro = errno;
        if (erro != EACCES && erro != EPERM)
            throw ErroEntradaSaida(std::string(kAbrir) + " " + std::string(caminho) + ": " +
                                   std::strerror(erro));
        const auto r = GravarNoLugar(destino, bytes);
        if (r.erro != 0)
            FalharNoLugar(caminho, erro, r.erro);
        return;
    }
    // Before the mode: a change of owner may clear its set-id bits.
    int erro = dono && fchown(fd, dono->usuario, dono->grupo) != 0 ? errno : 0;
    struct stat anterior {};
    if (stat(destino.c_str(), &anterior) == 0 && S_ISREG(anterior.st_mode))
        fchmod(fd, anterior.st_mode & 07777); // a share may refuse; its own rules hold then
    if (erro == 0)
        erro = EscreverTudo(fd, bytes);
    if (close(fd) != 0 && erro == 0)
        erro = errno;
    if (erro != 0) {
        unlink(t.local.c_str());
        throw ErroEntradaSaida(std::string(kGravar) + " " + std::string(caminho) + ": " +
                               std::strerror(erro));
    }
    if (rename(t.local.c_str(), destino.c_str()) != 0)
        ColocarNoLugar(caminho, destino, t, bytes, errno);
}

} // namespace tessela
