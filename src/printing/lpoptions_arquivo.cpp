// The user's lpoptions on disk: where it is, who owns it, and its replacement whole.

#include "common/erros.h"
#include "printing/lpoptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessela {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void Falhar(const std::string& operacao, const fs::path& caminho, int erro) {
    throw ErroEntradaSaida("N\xE3o foi poss\xEDvel " + operacao + " " + caminho.string() + ": " +
                           std::strerror(erro));
}

fs::path HomeDoUsuario() {
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

// Run as root for another user's HOME (su without -), what the program makes there must
// be that user's: a root-owned ~/.cups would keep the user's own programs from ever
// changing their printer settings again.
std::optional<DonoArquivo> DonoDaCasa(const fs::path& casa) {
    if (geteuid() != 0)
        return std::nullopt;
    struct stat dados {};
    if (stat(casa.c_str(), &dados) != 0)
        Falhar("ler os dados de", casa, errno);
    return DonoArquivo{dados.st_uid, dados.st_gid};
}

// True when it made the folder.
bool CriarPasta(const fs::path& pasta, const std::optional<DonoArquivo>& dono) {
    if (mkdir(pasta.c_str(), 0700) != 0) {
        if (errno == EEXIST)
            return false;
        Falhar("criar a pasta", pasta, errno);
    }
    if (dono && chown(pasta.c_str(), dono->usuario, dono->grupo) != 0) {
        const int erro = errno;
        rmdir(pasta.c_str());
        Falhar("mudar o dono da pasta", pasta, erro);
    }
    return true;
}

// Where the bytes of the file live: a link followed, link after link, to its target, which
// is written in its place, so that the link stays a link.
fs::path Alvo(fs::path caminho) {
    for (int passo = 0; passo < 40; ++passo) {
        struct stat dados {};
        if (lstat(caminho.c_str(), &dados) != 0 || !S_ISLNK(dados.st_mode))
            return caminho;
        std::error_code ec;
        const fs::path alvo = fs::read_symlink(caminho, ec);
        if (ec)
            Falhar("ler o link", caminho, ec.value());
        caminho = alvo.is_absolute() ? alvo : caminho.parent_path() / alvo;
    }
    Falhar("seguir o link", caminho, ELOOP);
}

// The file's bytes; none when there is no file. Any other failure is an error: a file that
// cannot be read must not be taken for none and then replaced or removed.
std::optional<std::string> Ler(const fs::path& arquivo) {
    const int fd = open(arquivo.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        Falhar("ler", arquivo, errno);
    }
    std::string bytes;
    char area[8192];
    for (;;) {
        const ssize_t n = read(fd, area, sizeof area);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int erro = n < 0 ? errno : 0;
            close(fd);
            if (erro != 0)
                Falhar("ler", arquivo, erro);
            return bytes;
        }
        bytes.append(area, static_cast<std::size_t>(n));
    }
}

// Replaces the file whole. Run as root, it keeps its owner, and a new one gets HOME's.
void Gravar(const MudancaLpoptions& mudanca, const std::string& bytes) {
    std::optional<DonoArquivo> dono = mudanca.dono;
    struct stat dados {};
    if (dono && stat(mudanca.arquivo.c_str(), &dados) == 0)
        dono = DonoArquivo{dados.st_uid, dados.st_gid};
    SubstituirArquivo(mudanca.arquivo.string(), bytes, dono);
}

// The file that was not there before goes, and the folder the change made for it, unless
// something else went into that meanwhile.
void Remover(const MudancaLpoptions& mudanca) {
    if (unlink(mudanca.arquivo.c_str()) != 0 && errno != ENOENT)
        Falhar("remover", mudanca.arquivo, errno);
    if (!mudanca.pastaCriada.empty() && rmdir(mudanca.pastaCriada.c_str()) != 0 &&
        errno != ENOTEMPTY && errno != EEXIST && errno != ENOENT)
        Falhar("remover a pasta", mudanca.pastaCriada, errno);
}

} // namespace

fs::path ArquivoLpoptions() {
    return HomeDoUsuario() / ".cups" / "lpoptions";
}

MudancaLpoptions GravarPadraoNoLpoptions(const std::string& nome) {
    const fs::path casa = HomeDoUsuario();
    const fs::path arquivo = casa / ".cups" / "lpoptions";
    MudancaLpoptions mudanca;
    mudanca.arquivo = Alvo(arquivo);
    mudanca.antes = Ler(mudanca.arquivo);
    mudanca.troca = TrocasDoPadrao(mudanca.antes.value_or(""), nome);
    // Already the default, as it is written: nothing to write, nothing to give back.
    if (!mudanca.troca.Muda())
        return mudanca;
    mudanca.depois = ComPadrao(mudanca.antes.value_or(""), nome);
    mudanca.dono = DonoDaCasa(casa);
    if (CriarPasta(arquivo.parent_path(), mudanca.dono))
        mudanca.pastaCriada = arquivo.parent_path();
    try {
        Gravar(mudanca, mudanca.depois);
    } catch (const ErroEntradaSaida&) {
        if (!mudanca.pastaCriada.empty())
            rmdir(mudanca.pastaCriada.c_str());
        throw;
    }
    return mudanca;
}

void DevolverPadraoAoLpoptions(const MudancaLpoptions& mudanca) {
    if (!mudanca.troca.Muda())
        return;
    const auto atual = Ler(mudanca.arquivo);
    if (!atual)
        return; // taken away meanwhile: nothing of the change is left in it
    if (*atual == mudanca.depois) {
        if (mudanca.antes)
            Gravar(mudanca, *mudanca.antes);
        else
            Remover(mudanca);
        return;
    }
    const auto devolvido = SemATroca(*atual, mudanca.troca);
    if (!devolvido || *devolvido == *atual)
        return;
    if (devolvido->empty() && !mudanca.antes)
        Remover(mudanca);
    else
        Gravar(mudanca, *devolvido);
}

} // namespace tessela
