// One client connection through the slow-link proxy and its connection to the real
// server: the bytes of each direction wait in a queue until their delay is over, in
// the order they came, and the round trips and bytes are counted as they pass.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessela::rede {

// std::chrono::steady_clock is CLOCK_MONOTONIC: the event log's times compare with
// the moments a measuring script takes with that clock.
using Relogio = std::chrono::steady_clock;

class Descritor {
public:
    Descritor() = default;
    explicit Descritor(int fd) : fd_(fd) {}
    Descritor(Descritor&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
    Descritor& operator=(Descritor&& o) noexcept;
    Descritor(const Descritor&) = delete;
    Descritor& operator=(const Descritor&) = delete;
    ~Descritor();
    int Fd() const { return fd_; }

private:
    int fd_ = -1;
};

// The event log, one line an event: "NANOSECONDS CONNECTION EVENT DETAILS".
class Registro {
public:
    explicit Registro(const std::string& arquivo);
    void Escrever(Relogio::time_point quando, unsigned ligacao, const std::string& texto);
    void Descarregar();

private:
    struct Fechar {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Fechar> arquivo_;
};

struct Regras {
    Relogio::duration atraso{};      // one way, on the central server's connections
    std::vector<std::string> locais; // database paths of the workstation itself: no delay
};

class Ligacao {
public:
    Ligacao(unsigned id, Descritor cliente, Descritor servidor, bool servidorPronto);

    int Cliente() const { return cliente_.Fd(); }
    int Servidor() const { return servidor_.Fd(); }
    // What to wait for on each side; none (0) leaves the socket out of the poll, so a
    // side that has said all it will say cannot wake the loop again and again.
    short EventosCliente() const;
    short EventosServidor() const;
    void NoCliente(short ocorridos, Relogio::time_point agora, const Regras& regras,
                   Registro& registro);
    void NoServidor(short ocorridos, Relogio::time_point agora, Registro& registro);
    // Writes every byte whose delay is over, as far as the destination takes it.
    void Entregar(Relogio::time_point agora, Registro& registro);
    // When the next queued byte falls due, if one waits on time alone.
    std::optional<Relogio::time_point> ProximoPrazo() const;
    // A connection of the central server's (known from its op_connect).
    bool Central() const { return classe_ == Classe::Central; }
    bool Terminada() const;
    // The connection's summary line; the sockets close with the object.
    void Resumir(Relogio::time_point agora, Registro& registro, const std::string& motivo) const;

private:
    struct Trecho {
        Relogio::time_point lido;
        std::string bytes;
        bool fim = false; // the source closed its sending side here
    };
    struct Sentido {
        std::deque<Trecho> fila;
        std::size_t escritos = 0; // of the first piece
        std::size_t naFila = 0;
        bool fimLido = false;
        bool fimEntregue = false;
        bool esperaEscrita = false; // the destination took no more: wait for POLLOUT
        std::uint64_t bytes = 0;    // read from the source
    };
    enum class Classe { Indefinida, Local, Central };

    bool Ler(int origem, Sentido& s, Relogio::time_point agora);
    void Classificar(bool semMaisBytes, Relogio::time_point agora, const Regras& regras,
                     Registro& registro);
    void EntregarSentido(Sentido& s, int destino, bool aoCliente, Relogio::time_point agora,
                         Registro& registro);
    void Falhar(const std::string& motivo);

    unsigned id_;
    Descritor cliente_;
    Descritor servidor_;
    bool servidorPronto_;
    Classe classe_ = Classe::Indefinida;
    Relogio::duration atraso_{};
    Sentido ida_;   // client to server
    Sentido volta_; // server to client
    bool enviouDesdeAResposta_ = false;
    unsigned idasEVoltas_ = 0;
    std::string falha_;
};

} // namespace tessela::rede
