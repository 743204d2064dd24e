#include "support/apoio.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace tessela::teste {

PastaTemporaria::PastaTemporaria() {
    std::string modelo = (std::filesystem::temp_directory_path() / "tessela-teste.XXXXXX").string();
    if (!mkdtemp(modelo.data()))
        throw std::runtime_error("mkdtemp failed");
    caminho_ = modelo;
}

PastaTemporaria::~PastaTemporaria() {
    std::error_code ec;
    std::filesystem::remove_all(caminho_, ec);
}

ServidorMudo::ServidorMudo() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in endereco{};
    endereco.sin_family = AF_INET;
    endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t tamanho = sizeof endereco;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&endereco), tamanho) != 0 ||
        listen(fd_, 16) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&endereco), &tamanho) != 0)
        throw std::runtime_error("no listening socket");
    porta_ = std::to_string(ntohs(endereco.sin_port));
}

ServidorMudo::~ServidorMudo() {
    close(fd_);
}

std::string LinhaIni(std::string_view rotulo, std::string_view valor) {
    return std::string(rotulo) + " " + std::string(valor);
}

std::vector<std::string> IniDeTeste(const std::vector<std::string>& extras) {
    std::vector<std::string> linhas = {
        LinhaIni("IP DO SERVIDOR CENTRAL.........................:", "SERVIDOR"),
        LinhaIni("NOME DO COMPARTILHAMENTO DA PASTA MAGNOLIA.....:", "MAGNOLIA"),
        LinhaIni("TITULO CENTRAL DO LAUDO DO DO C.Q. PROD.PRONTOS:", "MATERIAS-PRIMAS"),
        LinhaIni("QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:", "66"),
    };
    linhas.insert(linhas.end(), extras.begin(), extras.end());
    return linhas;
}

void EscreverBytes(const std::filesystem::path& arquivo, std::string_view bytes) {
    std::ofstream f(arquivo, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f)
        throw std::runtime_error("cannot write " + arquivo.string());
}

std::string LerBytes(const std::filesystem::path& arquivo) {
    std::ifstream f(arquivo, std::ios::binary);
    if (!f)
        throw std::runtime_error("cannot read " + arquivo.string());
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::filesystem::path PastaDoCompartilhamento() {
    const char* p = std::getenv("TESSELA_COMPARTILHAMENTO");
    return p ? std::filesystem::path(p) : std::filesystem::path();
}

} // namespace tessela::teste
