// A slow link between the programs and a Firebird server, for measuring: a TCP proxy
// that delays every byte of the central server's connections by a fixed time in each
// direction (read at t, delivered at t + D, in order) and passes the connections to
// the stored local locations through at once. It reads nothing but the database path
// of each connection's op_connect and forwards the bytes as they are, so wire
// encryption stays what client and server agree.
//
//   rede_lenta --destino HOST:PORT --registro FILE [--escuta HOST:PORT]
//              [--atraso-ms D] [--local PATH]... [--mudo]
//
// --escuta defaults to 127.0.0.1:3050; port 0 takes a free one. Once listening it
// prints "escutando HOST:PORT". SIGTERM or SIGINT end it, after a summary line of
// each open connection. A link that goes silent, as a VPN that drops or a cable pulled
// on the far side: with --mudo from the start, or from SIGUSR1 on, the central
// server's connections are still accepted and read but nothing more is forwarded
// either way, and nothing is closed or reset ("mudo" in the event log); SIGUSR2 lets
// what waited through again ("fala"). The event log (see Registro) holds, per connection: the
// class and delay, each send of the client ("envio BYTES"), each reply write to it
// ("resposta BYTES"), each round trip ("ida_e_volta N") and a summary ("fim ...").
//
// A round trip is a send of the client followed by a reply: it is counted when the
// first bytes from the server reach the client after one or more sends of the client
// (so a send split over several writes, or packets the client sends one after the
// other without waiting, count once, and a last packet that gets no reply, such as
// op_disconnect, not at all). Each one costs the client the two delays, 2 D.

#include "ligacao.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace tessela::rede {

namespace {

struct Opcoes {
    std::string escuta = "127.0.0.1:3050";
    std::string destino;
    std::string registro;
    Regras regras;
    bool mudo = false;
};

[[noreturn]] void ErroDoSistema(const std::string& oque) {
    throw std::runtime_error(oque + ": " + std::strerror(errno));
}

Relogio::duration AtrasoDe(const std::string& texto) {
    char* fim = nullptr;
    const double ms = std::strtod(texto.c_str(), &fim);
    if (texto.empty() || *fim != '\0' || !(ms >= 0) || ms > 60000)
        throw std::runtime_error("--atraso-ms wants milliseconds from 0 to 60000, not '" + texto +
                                 "'");
    return std::chrono::duration_cast<Relogio::duration>(
        std::chrono::duration<double, std::milli>(ms));
}

Opcoes LerOpcoes(int argc, char** argv) {
    Opcoes o;
    for (int i = 1; i < argc; ++i) {
        const std::string nome = argv[i];
        if (nome == "--mudo") {
            o.mudo = true;
            continue;
        }
        if (i + 1 >= argc)
            throw std::runtime_error(nome + " wants a value");
        const std::string valor = argv[++i];
        if (nome == "--escuta")
            o.escuta = valor;
        else if (nome == "--destino")
            o.destino = valor;
        else if (nome == "--registro")
            o.registro = valor;
        else if (nome == "--atraso-ms")
            o.regras.atraso = AtrasoDe(valor);
        else if (nome == "--local")
            o.regras.locais.push_back(valor);
        else
            throw std::runtime_error("unknown option " + nome);
    }
    if (o.destino.empty() || o.registro.empty())
        throw std::runtime_error("usage: rede_lenta --destino HOST:PORT --registro FILE "
                                 "[--escuta HOST:PORT] [--atraso-ms D] [--local PATH]... "
                                 "[--mudo]");
    return o;
}

sockaddr_in Endereco(const std::string& hostPorta) {
    const auto dois = hostPorta.rfind(':');
    sockaddr_in e{};
    e.sin_family = AF_INET;
    char* fim = nullptr;
    const long porta =
        dois == std::string::npos ? -1 : std::strtol(hostPorta.c_str() + dois + 1, &fim, 10);
    if (porta < 0 || porta > 65535 || *fim != '\0' ||
        inet_pton(AF_INET, hostPorta.substr(0, dois).c_str(), &e.sin_addr) != 1)
        throw std::runtime_error("'" + hostPorta + "' is not an IPv4 address and port");
    e.sin_port = htons(static_cast<std::uint16_t>(porta));
    return e;
}

Descritor Escutar(const sockaddr_in& endereco) {
    Descritor s(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (s.Fd() < 0)
        ErroDoSistema("socket");
    const int sim = 1;
    setsockopt(s.Fd(), SOL_SOCKET, SO_REUSEADDR, &sim, sizeof sim);
    if (::bind(s.Fd(), reinterpret_cast<const sockaddr*>(&endereco), sizeof endereco) != 0)
        ErroDoSistema("cannot listen on port " + std::to_string(ntohs(endereco.sin_port)));
    if (::listen(s.Fd(), 64) != 0)
        ErroDoSistema("listen");
    return s;
}

// A connect that finishes in the loop; true in pronto when it already has.
Descritor Conectar(const sockaddr_in& endereco, bool& pronto) {
    Descritor s(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (s.Fd() < 0)
        ErroDoSistema("socket");
    // Small packets go out at once, as the Firebird client sends them: Nagle's wait
    // would add a delay of its own.
    const int sim = 1;
    setsockopt(s.Fd(), IPPROTO_TCP, TCP_NODELAY, &sim, sizeof sim);
    const int r = ::connect(s.Fd(), reinterpret_cast<const sockaddr*>(&endereco), sizeof endereco);
    if (r != 0 && errno != EINPROGRESS)
        ErroDoSistema("connect");
    pronto = r == 0;
    return s;
}

// SIGTERM and SIGINT (the end), SIGUSR1 and SIGUSR2 (the link goes silent, and comes
// back) as readable events of the loop.
Descritor SinaisDoProxy() {
    sigset_t sinais;
    sigemptyset(&sinais);
    sigaddset(&sinais, SIGTERM);
    sigaddset(&sinais, SIGINT);
    sigaddset(&sinais, SIGUSR1);
    sigaddset(&sinais, SIGUSR2);
    if (sigprocmask(SIG_BLOCK, &sinais, nullptr) != 0)
        ErroDoSistema("sigprocmask");
    Descritor s(::signalfd(-1, &sinais, SFD_CLOEXEC | SFD_NONBLOCK));
    if (s.Fd() < 0)
        ErroDoSistema("signalfd");
    return s;
}

class Proxy {
public:
    explicit Proxy(const Opcoes& o)
        : regras_(o.regras), mudo_(o.mudo), destino_(Endereco(o.destino)), registro_(o.registro),
          sinais_(SinaisDoProxy()), escuta_(Escutar(Endereco(o.escuta))) {}

    void Executar();

private:
    void Aceitar(Relogio::time_point agora);
    void EntregarTudo(Relogio::time_point agora);
    timespec* Espera(timespec& ts) const;
    // True when the signal read ends the proxy.
    bool LerSinal(Relogio::time_point agora);
    bool Retida(const Ligacao& l) const { return mudo_ && l.Central(); }

    Regras regras_;
    bool mudo_ = false;
    sockaddr_in destino_;
    Registro registro_;
    Descritor sinais_;
    Descritor escuta_;
    std::list<Ligacao> ligacoes_;
    unsigned proxima_ = 1;
};

void Proxy::Executar() {
    sockaddr_in e{};
    socklen_t tamanho = sizeof e;
    getsockname(escuta_.Fd(), reinterpret_cast<sockaddr*>(&e), &tamanho);
    char host[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &e.sin_addr, host, sizeof host);
    registro_.Escrever(
        Relogio::now(), 0,
        "inicio atraso_us=" +
            std::to_string(
                std::chrono::duration_cast<std::chrono::microseconds>(regras_.atraso).count()) +
            (mudo_ ? " mudo" : ""));
    registro_.Descarregar();
    std::printf("escutando %s:%u\n", host, ntohs(e.sin_port));
    std::fflush(stdout);
    for (;;) {
        EntregarTudo(Relogio::now());
        std::vector<pollfd> fds{{sinais_.Fd(), POLLIN, 0}, {escuta_.Fd(), POLLIN, 0}};
        std::vector<Ligacao*> alvos;
        for (Ligacao& l : ligacoes_) {
            const short cliente = l.EventosCliente(), servidor = l.EventosServidor();
            fds.push_back({cliente ? l.Cliente() : -1, cliente, 0});
            fds.push_back({servidor ? l.Servidor() : -1, servidor, 0});
            alvos.push_back(&l);
        }
        registro_.Descarregar();
        timespec ts{};
        if (::ppoll(fds.data(), fds.size(), Espera(ts), nullptr) < 0) {
            if (errno == EINTR)
                continue;
            ErroDoSistema("poll");
        }
        const Relogio::time_point agora = Relogio::now();
        if (fds[0].revents && LerSinal(agora)) {
            for (const Ligacao& l : ligacoes_)
                l.Resumir(agora, registro_, "aberta");
            registro_.Descarregar();
            return;
        }
        for (std::size_t i = 0; i < alvos.size(); ++i) {
            alvos[i]->NoCliente(fds[2 + 2 * i].revents, agora, regras_, registro_);
            alvos[i]->NoServidor(fds[3 + 2 * i].revents, agora, registro_);
        }
        if (fds[1].revents & POLLIN)
            Aceitar(agora);
    }
}

bool Proxy::LerSinal(Relogio::time_point agora) {
    signalfd_siginfo info{};
    if (::read(sinais_.Fd(), &info, sizeof info) != static_cast<ssize_t>(sizeof info))
        return false;
    if (info.ssi_signo != SIGUSR1 && info.ssi_signo != SIGUSR2)
        return true;
    mudo_ = info.ssi_signo == SIGUSR1;
    registro_.Escrever(agora, 0, mudo_ ? "mudo" : "fala");
    return false;
}

void Proxy::Aceitar(Relogio::time_point agora) {
    for (;;) {
        Descritor cliente(::accept4(escuta_.Fd(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (cliente.Fd() < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED)
                return;
            ErroDoSistema("accept");
        }
        const int sim = 1;
        setsockopt(cliente.Fd(), IPPROTO_TCP, TCP_NODELAY, &sim, sizeof sim);
        bool pronto = false;
        Descritor servidor = Conectar(destino_, pronto);
        const unsigned id = proxima_++;
        registro_.Escrever(agora, id, "aceita");
        ligacoes_.emplace_back(id, std::move(cliente), std::move(servidor), pronto);
    }
}

void Proxy::EntregarTudo(Relogio::time_point agora) {
    for (auto l = ligacoes_.begin(); l != ligacoes_.end();) {
        if (!Retida(*l))
            l->Entregar(agora, registro_);
        if (l->Terminada()) {
            l->Resumir(agora, registro_, "fechada");
            l = ligacoes_.erase(l);
        } else {
            ++l;
        }
    }
}

// Until the next byte falls due; no limit when none waits on time.
timespec* Proxy::Espera(timespec& ts) const {
    std::optional<Relogio::time_point> prazo;
    for (const Ligacao& l : ligacoes_)
        if (const auto p = l.ProximoPrazo(); p && !Retida(l) && (!prazo || *p < *prazo))
            prazo = p;
    if (!prazo)
        return nullptr;
    const auto falta = std::max(Relogio::duration::zero(), *prazo - Relogio::now());
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(falta).count();
    ts.tv_sec = static_cast<time_t>(ns / 1000000000);
    ts.tv_nsec = static_cast<long>(ns % 1000000000);
    return &ts;
}

} // namespace

} // namespace tessela::rede

int main(int argc, char** argv) {
    try {
        const tessela::rede::Opcoes opcoes = tessela::rede::LerOpcoes(argc, argv);
        tessela::rede::Proxy proxy(opcoes);
        proxy.Executar();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rede_lenta: %s\n", e.what());
        return 1;
    }
}
