#pragma once

// The database servers of a run that did not answer. An attach that gets no answer gives
// up after a limit, with an error that names the server; from then on the run does not
// wait for that server again: later attaches to it fail at once with the same error, and
// those waiting on it at that moment give up with it, so a silent server costs a run one
// wait, however many connections meet it. Thread-safe.

#include <chrono>
#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace tessela {

// How long an attach waits for a server that may not answer at all (a VPN that dropped,
// a server that hangs). A slow link answers an attach within a few seconds.
inline constexpr std::chrono::milliseconds kEsperaPelaResposta{15000};

class ServidoresSilenciosos {
public:
    explicit ServidoresSilenciosos(std::chrono::milliseconds limite = kEsperaPelaResposta)
        : limite_(limite) {}
    ServidoresSilenciosos(const ServidoresSilenciosos&) = delete;
    ServidoresSilenciosos& operator=(const ServidoresSilenciosos&) = delete;

    std::chrono::milliseconds Limite() const { return limite_; }
    // Before the first attach.
    void DefinirLimite(std::chrono::milliseconds limite) { limite_ = limite; }

    // The error of the server (host and port, as Chave makes them) found silent in this
    // run; none while it was not.
    std::optional<std::string> Erro(const std::string& chave) const;

    // Records the server as silent with that error and ends every wait on it.
    void Silenciar(const std::string& chave, const std::string& erro);

    // The same server, whatever the letter case of its name.
    static std::string Chave(const std::string& host, const std::string& porta);

    // A wait for an answer of the server. While it lives, the server found silent by
    // another wait calls desistir once, from that wait's thread (at once, from this one,
    // when it already was); desistir must only wake the waiting thread. The destructor waits for a
    // desistir in progress. With no ServidoresSilenciosos (nullptr) it does nothing.
    class Espera {
    public:
        Espera(ServidoresSilenciosos* servidores, std::string chave,
               std::function<void()> desistir);
        ~Espera();
        Espera(const Espera&) = delete;
        Espera& operator=(const Espera&) = delete;

    private:
        friend class ServidoresSilenciosos;
        ServidoresSilenciosos* servidores_;
        std::string chave_;
        std::function<void()> desistir_;
        std::list<Espera*>::iterator posicao_;
    };

private:
    std::chrono::milliseconds limite_;
    mutable std::mutex mutex_;
    std::map<std::string, std::string> silenciosos_;
    std::list<Espera*> esperas_;
};

} // namespace tessela
