#include "common/registro.h"

#include "common/arquivo_texto.h"
#include "common/erros.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessela {

namespace {

[[noreturn]] void Falhar(const std::string& caminho, const std::string& motivo) {
    throw ErroEntradaSaida("N\xE3o foi poss\xEDvel abrir o registro " + caminho + ": " + motivo);
}

} // namespace

std::string UsuarioDoSistema() {
    const uid_t uid = geteuid();
    std::vector<char> area(16384);
    passwd entrada{};
    passwd* achada = nullptr;
    if (getpwuid_r(uid, &entrada, area.data(), area.size(), &achada) == 0 && achada &&
        achada->pw_name && *achada->pw_name)
        return achada->pw_name;
    return std::to_string(uid);
}

std::string ArquivoDeRegistro(const std::string& pastaLog, std::string_view base) {
    return pastaLog + std::string(base) + "-" + UsuarioDoSistema() + ".log";
}

int AbrirRegistro(const std::string& caminho) {
    std::error_code ignorado; // an existing folder is fine; a missing one fails below
    std::filesystem::create_directories(std::filesystem::path(caminho).parent_path(), ignorado);
    const int fd =
        open(caminho.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        Falhar(caminho, errno == ELOOP ? "\xE9 um link" : std::strerror(errno));
    struct stat dados {};
    if (fstat(fd, &dados) != 0 || !S_ISREG(dados.st_mode) || dados.st_uid != geteuid()) {
        close(fd);
        Falhar(caminho, "n\xE3o \xE9 um arquivo do usu\xE1rio " + UsuarioDoSistema());
    }
    return fd;
}

void AcrescentarAoRegistro(const std::string& caminho, std::string_view linha) {
    const int fd = AbrirRegistro(caminho);
    const int erro = AcrescentarInteiro(fd, std::string(linha) + "\r\n");
    close(fd);
    if (erro != 0)
        throw ErroEntradaSaida("N\xE3o foi poss\xEDvel gravar " + caminho + ": " +
                               std::strerror(erro));
}

} // namespace tessela
