#include "ligacao.h"

#include "protocolo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace tessela::rede {

namespace {

// Past this the proxy stops reading from a side until its queue drains.
constexpr std::size_t kMaiorFila = 4 << 20;
// An op_connect is far shorter; more bytes than this without one are something else.
constexpr std::size_t kMaiorInicio = 64 << 10;
constexpr std::size_t kLeitura = 64 << 10;

long long Nanossegundos(Relogio::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

long long Microssegundos(Relogio::duration d) {
    return std::chrono::duration_cast<std::chrono::microseconds>(d).count();
}

std::string ErroDoSocket(int fd) {
    int erro = 0;
    socklen_t tamanho = sizeof erro;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &erro, &tamanho) != 0)
        erro = errno;
    return std::strerror(erro);
}

} // namespace

Descritor& Descritor::operator=(Descritor&& o) noexcept {
    if (this != &o) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(o.fd_, -1);
    }
    return *this;
}

Descritor::~Descritor() {
    if (fd_ >= 0)
        ::close(fd_);
}

Registro::Registro(const std::string& arquivo) : arquivo_(std::fopen(arquivo.c_str(), "w")) {
    if (!arquivo_)
        throw std::runtime_error("cannot write the event log " + arquivo + ": " +
                                 std::strerror(errno));
}

void Registro::Escrever(Relogio::time_point quando, unsigned ligacao, const std::string& texto) {
    std::fprintf(arquivo_.get(), "%lld %u %s\n", Nanossegundos(quando), ligacao, texto.c_str());
}

void Registro::Descarregar() {
    std::fflush(arquivo_.get());
}

Ligacao::Ligacao(unsigned id, Descritor cliente, Descritor servidor, bool servidorPronto)
    : id_(id), cliente_(std::move(cliente)), servidor_(std::move(servidor)),
      servidorPronto_(servidorPronto) {}

short Ligacao::EventosCliente() const {
    short e = 0;
    if (!ida_.fimLido && ida_.naFila < kMaiorFila)
        e |= POLLIN;
    if (volta_.esperaEscrita)
        e |= POLLOUT;
    return e;
}

short Ligacao::EventosServidor() const {
    if (!servidorPronto_)
        return POLLOUT; // the connect is still under way
    short e = 0;
    // Nothing is read from the server before the delay of the connection is known.
    if (classe_ != Classe::Indefinida && !volta_.fimLido && volta_.naFila < kMaiorFila)
        e |= POLLIN;
    if (ida_.esperaEscrita)
        e |= POLLOUT;
    return e;
}

void Ligacao::NoCliente(short ocorridos, Relogio::time_point agora, const Regras& regras,
                        Registro& registro) {
    if (ocorridos & POLLERR) {
        Falhar("client: " + ErroDoSocket(cliente_.Fd()));
        return;
    }
    if (ocorridos & (POLLOUT | POLLHUP))
        volta_.esperaEscrita = false; // a hang-up shows at the next write
    if (!(ocorridos & (POLLIN | POLLHUP)) || ida_.fimLido)
        return;
    const std::uint64_t antes = ida_.bytes;
    if (!Ler(cliente_.Fd(), ida_, agora))
        return;
    if (ida_.bytes > antes) {
        // A send of the client; the next reply it gets completes a round trip.
        enviouDesdeAResposta_ = true;
        registro.Escrever(agora, id_, "envio " + std::to_string(ida_.bytes - antes));
    }
    if (classe_ == Classe::Indefinida)
        Classificar(ida_.fimLido, agora, regras, registro);
}

void Ligacao::NoServidor(short ocorridos, Relogio::time_point agora, Registro& registro) {
    if (ocorridos & POLLERR) {
        Falhar("server: " + ErroDoSocket(servidor_.Fd()));
        return;
    }
    if (!servidorPronto_) {
        if (!(ocorridos & (POLLOUT | POLLHUP)))
            return;
        servidorPronto_ = true;
        registro.Escrever(agora, id_, "servidor");
        return;
    }
    if (ocorridos & (POLLOUT | POLLHUP))
        ida_.esperaEscrita = false;
    if (!(ocorridos & (POLLIN | POLLHUP)) || volta_.fimLido || classe_ == Classe::Indefinida)
        return;
    Ler(servidor_.Fd(), volta_, agora);
}

// Reads what the source has; false when the connection failed.
bool Ligacao::Ler(int origem, Sentido& s, Relogio::time_point agora) {
    char bytes[kLeitura];
    const ssize_t n = ::recv(origem, bytes, sizeof bytes, MSG_DONTWAIT);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return true;
        Falhar(std::string("read: ") + std::strerror(errno));
        return false;
    }
    if (n == 0) {
        s.fimLido = true;
        s.fila.push_back({agora, {}, true});
        return true;
    }
    const auto lidos = static_cast<std::size_t>(n);
    s.bytes += lidos;
    s.naFila += lidos;
    s.fila.push_back({agora, std::string(bytes, lidos), false});
    return true;
}

void Ligacao::Classificar(bool semMaisBytes, Relogio::time_point agora, const Regras& regras,
                          Registro& registro) {
    std::string inicio;
    for (const Trecho& t : ida_.fila)
        inicio += t.bytes;
    const PedidoDeConexao pedido = LerPedidoDeConexao(inicio);
    if (pedido.estado == EstadoPedido::Incompleto && !semMaisBytes && inicio.size() < kMaiorInicio)
        return;
    // Whatever is not a stored local location is the central server's traffic.
    const bool local = pedido.estado == EstadoPedido::Conexao &&
                       std::find(regras.locais.begin(), regras.locais.end(), pedido.arquivo) !=
                           regras.locais.end();
    classe_ = local ? Classe::Local : Classe::Central;
    atraso_ = local ? Relogio::duration::zero() : regras.atraso;
    std::string texto = std::string("classe ") + (local ? "local" : "central") +
                        " atraso_us=" + std::to_string(Microssegundos(atraso_));
    if (pedido.estado == EstadoPedido::Conexao)
        texto += " operacao=" + std::to_string(pedido.operacao) + " arquivo=" + pedido.arquivo;
    else
        texto += " operacao=desconhecida";
    registro.Escrever(agora, id_, texto);
}

void Ligacao::Entregar(Relogio::time_point agora, Registro& registro) {
    if (classe_ == Classe::Indefinida || !falha_.empty())
        return;
    if (servidorPronto_)
        EntregarSentido(ida_, servidor_.Fd(), false, agora, registro);
    EntregarSentido(volta_, cliente_.Fd(), true, agora, registro);
}

void Ligacao::EntregarSentido(Sentido& s, int destino, bool aoCliente, Relogio::time_point agora,
                              Registro& registro) {
    while (!s.fila.empty() && !s.esperaEscrita && falha_.empty()) {
        Trecho& t = s.fila.front();
        if (t.lido + atraso_ > agora)
            return;
        if (t.fim) {
            ::shutdown(destino, SHUT_WR);
            s.fimEntregue = true;
            s.fila.pop_front();
            continue;
        }
        const ssize_t n = ::send(destino, t.bytes.data() + s.escritos, t.bytes.size() - s.escritos,
                                 MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                s.esperaEscrita = true;
            else if (errno != EINTR)
                Falhar(std::string("write: ") + std::strerror(errno));
            return;
        }
        if (aoCliente && n > 0) {
            // The first reply bytes the client gets after a send of its own.
            if (enviouDesdeAResposta_) {
                enviouDesdeAResposta_ = false;
                registro.Escrever(agora, id_, "ida_e_volta " + std::to_string(++idasEVoltas_));
            }
            registro.Escrever(agora, id_, "resposta " + std::to_string(n));
        }
        s.escritos += static_cast<std::size_t>(n);
        if (s.escritos == t.bytes.size()) {
            s.naFila -= t.bytes.size();
            s.escritos = 0;
            s.fila.pop_front();
        }
    }
}

std::optional<Relogio::time_point> Ligacao::ProximoPrazo() const {
    if (classe_ == Classe::Indefinida || !falha_.empty())
        return std::nullopt;
    std::optional<Relogio::time_point> prazo;
    auto considerar = [&](const Sentido& s) {
        if (s.fila.empty() || s.esperaEscrita)
            return;
        const Relogio::time_point p = s.fila.front().lido + atraso_;
        if (!prazo || p < *prazo)
            prazo = p;
    };
    if (servidorPronto_)
        considerar(ida_);
    considerar(volta_);
    return prazo;
}

bool Ligacao::Terminada() const {
    return !falha_.empty() || (ida_.fimEntregue && volta_.fimEntregue);
}

void Ligacao::Falhar(const std::string& motivo) {
    if (falha_.empty())
        falha_ = motivo;
}

void Ligacao::Resumir(Relogio::time_point agora, Registro& registro,
                      const std::string& motivo) const {
    const char* classe = classe_ == Classe::Local     ? "local"
                         : classe_ == Classe::Central ? "central"
                                                      : "indefinida";
    registro.Escrever(
        agora, id_,
        "fim " + std::string(classe) + " idas_e_voltas=" + std::to_string(idasEVoltas_) +
            " ida=" + std::to_string(ida_.bytes) + " volta=" + std::to_string(volta_.bytes) +
            " motivo=" + (falha_.empty() ? motivo : falha_));
}

} // namespace tessela::rede
