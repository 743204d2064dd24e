#include "screen/exibicao.h"

#include "common/rede.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <netdb.h>
#include <netinet/in.h>
#include <optional>
#include <string_view>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace tessela {

namespace {

bool Definida(const char* valor) {
    return valor != nullptr && *valor != '\0';
}

// DISPLAY as "[host]:N[.S]"; an empty host (or "unix") is the local socket.
struct DisplayX {
    std::string host;
    int numero = 0;
};

std::optional<DisplayX> AnalisarDisplay(std::string_view texto) {
    const auto doisPontos = texto.rfind(':');
    if (doisPontos == std::string_view::npos)
        return std::nullopt;
    DisplayX d;
    d.host = std::string(texto.substr(0, doisPontos));
    if (d.host.starts_with("tcp/"))
        d.host.erase(0, 4);
    if (d.host.size() > 2 && d.host.front() == '[' && d.host.back() == ']')
        d.host = d.host.substr(1, d.host.size() - 2);
    if (d.host == "unix")
        d.host.clear();
    const std::string numero(
        texto.substr(doisPontos + 1, texto.find('.', doisPontos) - doisPontos - 1));
    if (numero.empty() || numero.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    d.numero = std::atoi(numero.c_str());
    return d;
}

std::string SocketX11(int numero) {
    return "/tmp/.X11-unix/X" + std::to_string(numero);
}

std::string SocketWayland(const AmbienteDeExibicao& a) {
    const std::string nome = a.waylandDisplay;
    if (nome.front() == '/')
        return nome;
    return Definida(a.xdgRuntimeDir) ? std::string(a.xdgRuntimeDir) + "/" + nome : std::string();
}

int ConectarUnix(const std::string& caminho) {
    sockaddr_un endereco{};
    endereco.sun_family = AF_UNIX;
    caminho.copy(endereco.sun_path, sizeof endereco.sun_path - 1);
    return ErroAoConectar(AF_UNIX, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco, 2000);
}

// Every address of the host in turn, as xcb tries them: 0 once one answers.
int ConectarTcp(const std::string& host, int porta) {
    addrinfo pedido{};
    pedido.ai_socktype = SOCK_STREAM;
    addrinfo* enderecos = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(porta).c_str(), &pedido, &enderecos) != 0)
        return EHOSTUNREACH;
    int erro = EHOSTUNREACH;
    for (const addrinfo* a = enderecos; a && erro != 0; a = a->ai_next)
        erro = ErroAoConectar(a->ai_family, a->ai_addr, a->ai_addrlen, 3000);
    freeaddrinfo(enderecos);
    return erro;
}

// The X server answers and lets this user in, as xcb, the library Qt reaches it through,
// finds. A remote one is first tried with a time limit, which xcb has not.
bool X11Responde(const char* display) {
    const auto d = AnalisarDisplay(display);
    if (d && !d->host.empty() && ConectarTcp(d->host, 6000 + d->numero) != 0)
        return false;
    void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!xcb) // no xcb, no xcb platform either: Qt says so itself
        return true;
    using Conectar = void* (*)(const char*, int*);
    using Erro = int (*)(void*);
    using Desconectar = void (*)(void*);
    const auto conectar = reinterpret_cast<Conectar>(dlsym(xcb, "xcb_connect"));
    const auto erro = reinterpret_cast<Erro>(dlsym(xcb, "xcb_connection_has_error"));
    const auto desconectar = reinterpret_cast<Desconectar>(dlsym(xcb, "xcb_disconnect"));
    if (!conectar || !erro || !desconectar)
        return true;
    void* conexao = conectar(display, nullptr);
    const bool responde = erro(conexao) == 0;
    desconectar(conexao);
    return responde;
}

bool WaylandResponde(const AmbienteDeExibicao& a) {
    const std::string caminho = SocketWayland(a);
    return !caminho.empty() && ConectarUnix(caminho) == 0;
}

// The peer a socket is connected to is the display server's.
bool LigadoATela(int fd, const AmbienteDeExibicao& a, const std::optional<DisplayX>& x) {
    sockaddr_storage par{};
    socklen_t tamanho = sizeof par;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&par), &tamanho) != 0)
        return false;
    if (par.ss_family == AF_UNIX) {
        const auto& u = reinterpret_cast<const sockaddr_un&>(par);
        const std::size_t n = tamanho - offsetof(sockaddr_un, sun_path);
        if (n == 0)
            return false;
        // An abstract name starts with a NUL byte; X servers listen on both kinds.
        const std::string caminho = u.sun_path[0] == '\0'
                                        ? std::string(u.sun_path + 1, n - 1)
                                        : std::string(u.sun_path, strnlen(u.sun_path, n));
        return (x && x->host.empty() && caminho == SocketX11(x->numero)) ||
               (Definida(a.waylandDisplay) && caminho == SocketWayland(a));
    }
    if (!x || x->host.empty() || (par.ss_family != AF_INET && par.ss_family != AF_INET6))
        return false;
    const int porta = par.ss_family == AF_INET
                          ? ntohs(reinterpret_cast<const sockaddr_in&>(par).sin_port)
                          : ntohs(reinterpret_cast<const sockaddr_in6&>(par).sin6_port);
    return porta == 6000 + x->numero;
}

} // namespace

AmbienteDeExibicao AmbienteDoProcesso() {
    return {std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
            std::getenv("XDG_RUNTIME_DIR")};
}

EscolhaDeExibicao EscolherExibicao(const AmbienteDeExibicao& a) {
    if (Definida(a.qtQpaPlatform))
        return {};
    const bool x11 = Definida(a.display);
    const bool wayland = Definida(a.waylandDisplay);
    if (!x11 && !wayland)
        return {"tessela: nenhuma tela gr\xE1"
                "fica dispon\xEDvel: DISPLAY e WAYLAND_DISPLAY n\xE3o est\xE3o definidas.",
                {}};
    const bool x11Responde = x11 && X11Responde(a.display);
    const bool waylandResponde = wayland && WaylandResponde(a);
    if (x11Responde && waylandResponde)
        return {};
    if (x11Responde)
        return {{}, wayland ? "xcb" : ""};
    if (waylandResponde)
        return {{}, x11 ? "wayland" : ""};
    std::string quais;
    if (x11)
        quais = "DISPLAY=" + std::string(a.display);
    if (wayland)
        quais += (quais.empty() ? "" : " e ") + std::string("WAYLAND_DISPLAY=") + a.waylandDisplay;
    return {"tessela: nenhuma tela gr\xE1"
            "fica dispon\xEDvel: " +
                quais + (x11 && wayland ? " n\xE3o respondem." : " n\xE3o responde."),
            {}};
}

std::vector<int> ConexoesComATela(const AmbienteDeExibicao& a) {
    const std::optional<DisplayX> x =
        Definida(a.display) ? AnalisarDisplay(a.display) : std::nullopt;
    std::vector<int> conexoes;
    DIR* pasta = opendir("/proc/self/fd");
    if (!pasta)
        return conexoes;
    while (const dirent* entrada = readdir(pasta)) {
        const int fd = std::atoi(entrada->d_name);
        struct stat dados {};
        if (entrada->d_name[0] == '.' || fd == dirfd(pasta) || fstat(fd, &dados) != 0 ||
            !S_ISSOCK(dados.st_mode))
            continue;
        if (LigadoATela(fd, a, x))
            conexoes.push_back(fd);
    }
    closedir(pasta);
    return conexoes;
}

} // namespace tessela
