// The slow-link proxy driven for real: a client and a scripted peer on loopback talk
// through it, and its event log must hold the round trips, bytes and classes the
// exchange has, with the central connection's replies never sooner than 2 D.

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Relogio = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kAtraso = 40ms;
const std::string kLocal = "C:\\MAGNOLIA\\DADOS\\MAGNOLIA.BD";
const std::string kCentral = "C:\\magnolia\\dados\\MAGNOLIA.BD";

// One step of the exchange: the client sends these pieces one after the other without
// waiting, then the peer answers with these pieces (none: no answer).
struct Passo {
    std::vector<std::string> envios;
    std::vector<std::string> respostas;
};

void Xdr(std::string& b, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8)
        b += static_cast<char>((v >> s) & 0xFF);
}

void XdrTexto(std::string& b, const std::string& t) {
    Xdr(b, static_cast<std::uint32_t>(t.size()));
    b += t;
    b.append((4 - t.size() % 4) % 4, '\0');
}

// op_connect for an attachment to this path, with an op_attach sent in the same write.
std::string OpConnect(const std::string& arquivo) {
    std::string b;
    Xdr(b, 1);  // op_connect
    Xdr(b, 19); // op_attach
    Xdr(b, 3);  // CONNECT_VERSION3
    Xdr(b, 1);  // architecture
    XdrTexto(b, arquivo);
    Xdr(b, 1); // one protocol
    XdrTexto(b, std::string("\x01\x05sysdba", 7));
    for (std::uint32_t v : {0x8000000Du, 1u, 0u, 5u, 8u})
        Xdr(b, v);
    Xdr(b, 19);
    Xdr(b, 0);
    XdrTexto(b, arquivo);
    return b;
}

std::string Bytes(std::size_t n, char semente) {
    std::string b(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<char>(semente + i * 7);
    return b;
}

std::vector<Passo> Roteiro(const std::string& arquivo) {
    const std::string connect = OpConnect(arquivo);
    return {
        // The op_connect split: the path arrives in the second piece.
        {{connect.substr(0, 10), connect.substr(10)}, {Bytes(32, 'a')}},
        // A reply in two writes is still one round trip.
        {{Bytes(300, 'b')}, {Bytes(2500, 'c'), Bytes(2500, 'd')}},
        // Two packets sent back to back, one reply: one round trip.
        {{Bytes(40, 'e'), Bytes(60, 'f')}, {Bytes(8, 'g')}},
        // The last packet, as op_disconnect, gets no reply: none.
        {{Bytes(12, 'h')}, {}},
    };
}

std::size_t Total(const std::vector<std::string>& pecas) {
    std::size_t n = 0;
    for (const auto& p : pecas)
        n += p.size();
    return n;
}

std::string Enviado(const std::vector<Passo>& roteiro) {
    std::string b;
    for (const Passo& p : roteiro)
        for (const auto& e : p.envios)
            b += e;
    return b;
}

std::string LerExato(int fd, std::size_t n) {
    std::string b(n, '\0');
    std::size_t lidos = 0;
    while (lidos < n) {
        const ssize_t r = ::recv(fd, b.data() + lidos, n - lidos, 0);
        if (r <= 0)
            throw std::runtime_error("connection ended early");
        lidos += static_cast<std::size_t>(r);
    }
    return b;
}

void Enviar(int fd, const std::string& b) {
    if (::send(fd, b.data(), b.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(b.size()))
        throw std::runtime_error("send failed");
}

bool FimDaConexao(int fd) {
    char c;
    return ::recv(fd, &c, 1, 0) == 0;
}

int Escutar(std::uint16_t& porta) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in e{};
    e.sin_family = AF_INET;
    e.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t t = sizeof e;
    if (::bind(s, reinterpret_cast<sockaddr*>(&e), t) != 0 || ::listen(s, 4) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&e), &t) != 0)
        throw std::runtime_error("cannot listen on loopback");
    porta = ntohs(e.sin_port);
    return s;
}

int Conectar(std::uint16_t porta) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in e{};
    e.sin_family = AF_INET;
    e.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    e.sin_port = htons(porta);
    if (::connect(s, reinterpret_cast<sockaddr*>(&e), sizeof e) != 0)
        throw std::runtime_error("cannot connect to the proxy");
    return s;
}

// The peer: plays the server's side of each script in turn and keeps what it got, or
// what went wrong.
void Par(int escuta, std::vector<std::vector<Passo>> roteiros, std::vector<std::string>& recebido) {
    for (const auto& roteiro : roteiros) {
        const int c = ::accept(escuta, nullptr, nullptr);
        std::string tudo;
        try {
            for (const Passo& p : roteiro) {
                tudo += LerExato(c, Total(p.envios));
                for (const std::string& r : p.respostas) {
                    Enviar(c, r);
                    std::this_thread::sleep_for(10ms); // the proxy reads the pieces apart
                }
            }
            if (!FimDaConexao(c))
                tudo = "no end of connection after the script";
        } catch (const std::exception& e) {
            tudo = e.what();
        }
        recebido.push_back(tudo);
        ::close(c);
    }
}

// The client's side; returns, per step that has a reply, the time from its last send
// to the whole reply.
std::vector<Relogio::duration> Cliente(std::uint16_t porta, const std::vector<Passo>& roteiro) {
    std::vector<Relogio::duration> tempos;
    const int s = Conectar(porta);
    try {
        for (const Passo& p : roteiro) {
            Relogio::time_point ultimo;
            for (const std::string& e : p.envios) {
                ultimo = Relogio::now(); // before: the proxy may read it before send returns
                Enviar(s, e);
                std::this_thread::sleep_for(10ms);
            }
            if (p.respostas.empty())
                continue;
            std::string esperado;
            for (const std::string& r : p.respostas)
                esperado += r;
            EXPECT_EQ(LerExato(s, esperado.size()), esperado) << "reply bytes changed on the way";
            tempos.push_back(Relogio::now() - ultimo);
        }
        ::shutdown(s, SHUT_WR);
        EXPECT_TRUE(FimDaConexao(s));
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
    }
    ::close(s);
    return tempos;
}

struct Proxy {
    pid_t pid = -1;
    std::uint16_t porta = 0;
};

Proxy IniciarProxy(std::uint16_t destino, const std::string& registro) {
    const char* programa = std::getenv("TESSELA_REDE_LENTA");
    if (!programa)
        throw std::runtime_error("TESSELA_REDE_LENTA names no proxy");
    int tubo[2];
    if (::pipe(tubo) != 0)
        throw std::runtime_error("pipe");
    const std::string alvo = "127.0.0.1:" + std::to_string(destino);
    const std::string atraso = std::to_string(kAtraso.count());
    std::vector<std::string> args = {programa, "--escuta",    "127.0.0.1:0", "--destino",
                                     alvo,     "--atraso-ms", atraso,        "--local",
                                     kLocal,   "--registro",  registro};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t acoes;
    posix_spawn_file_actions_init(&acoes);
    posix_spawn_file_actions_adddup2(&acoes, tubo[1], 1);
    posix_spawn_file_actions_addclose(&acoes, tubo[0]);
    Proxy p;
    if (posix_spawn(&p.pid, programa, &acoes, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start the proxy");
    posix_spawn_file_actions_destroy(&acoes);
    ::close(tubo[1]);
    char linha[128] = {};
    FILE* saida = ::fdopen(tubo[0], "r");
    unsigned porta = 0;
    if (!std::fgets(linha, sizeof linha, saida) ||
        std::sscanf(linha, "escutando 127.0.0.1:%u", &porta) != 1)
        throw std::runtime_error("the proxy did not say where it listens");
    std::fclose(saida);
    p.porta = static_cast<std::uint16_t>(porta);
    return p;
}

std::vector<std::string> LinhasDaLigacao(const std::string& registro, unsigned id) {
    std::ifstream f(registro);
    std::vector<std::string> linhas;
    for (std::string l; std::getline(f, l);) {
        std::istringstream campos(l);
        long long t;
        unsigned i;
        std::string resto;
        if (campos >> t >> i && i == id && std::getline(campos >> std::ws, resto))
            linhas.push_back(resto);
    }
    return linhas;
}

std::vector<std::string> Comecando(const std::vector<std::string>& linhas, const std::string& p) {
    std::vector<std::string> r;
    for (const auto& l : linhas)
        if (l.rfind(p, 0) == 0)
            r.push_back(l);
    return r;
}

TEST(RedeLenta, ContaIdasEVoltasEAtrasaSoOServidorCentral) {
    char modelo[] = "/tmp/rede-lenta-test.XXXXXX";
    ASSERT_NE(::mkdtemp(modelo), nullptr);
    const std::string registro = std::string(modelo) + "/eventos.log";
    std::uint16_t portaPar = 0;
    const int escuta = Escutar(portaPar);
    const std::vector<Passo> central = Roteiro(kCentral), local = Roteiro(kLocal);
    std::vector<std::string> recebido;
    std::thread par(Par, escuta, std::vector<std::vector<Passo>>{central, local},
                    std::ref(recebido));
    const Proxy proxy = IniciarProxy(portaPar, registro);

    const auto temposCentral = Cliente(proxy.porta, central);
    Cliente(proxy.porta, local);
    par.join();
    ::close(escuta);
    ::kill(proxy.pid, SIGTERM);
    int status = 0;
    ::waitpid(proxy.pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // Every byte reached the peer in order, op_connect and op_attach included.
    ASSERT_EQ(recebido.size(), 2u);
    EXPECT_EQ(recebido[0], Enviado(central));
    EXPECT_EQ(recebido[1], Enviado(local));

    // Three round trips each: the split op_connect, the reply in two writes, the two
    // packets sent back to back and the unanswered last packet count as in a real
    // exchange. Bytes each way as sent.
    auto resumo = [](const char* classe, const std::vector<Passo>& r) {
        std::size_t respondido = 0;
        for (const Passo& p : r)
            respondido += Total(p.respostas);
        return std::vector<std::string>{std::string("fim ") + classe + " idas_e_voltas=3 ida=" +
                                        std::to_string(Enviado(r).size()) +
                                        " volta=" + std::to_string(respondido) + " motivo=fechada"};
    };
    const auto ligacao1 = LinhasDaLigacao(registro, 1), ligacao2 = LinhasDaLigacao(registro, 2);
    EXPECT_EQ(
        Comecando(ligacao1, "classe"),
        std::vector<std::string>{"classe central atraso_us=40000 operacao=19 arquivo=" + kCentral});
    EXPECT_EQ(Comecando(ligacao2, "classe"),
              std::vector<std::string>{"classe local atraso_us=0 operacao=19 arquivo=" + kLocal});
    EXPECT_EQ(Comecando(ligacao1, "ida_e_volta"),
              (std::vector<std::string>{"ida_e_volta 1", "ida_e_volta 2", "ida_e_volta 3"}));
    EXPECT_EQ(Comecando(ligacao1, "fim"), resumo("central", central));
    EXPECT_EQ(Comecando(ligacao2, "fim"), resumo("local", local));

    // The delay each way on the central connection: no reply sooner than 2 D.
    ASSERT_EQ(temposCentral.size(), 3u);
    for (const auto t : temposCentral)
        EXPECT_GE(t, 2 * kAtraso);
    std::remove(registro.c_str());
    ::rmdir(modelo);
}

} // namespace
