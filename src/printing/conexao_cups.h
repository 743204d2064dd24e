#pragma once

// Internal to the CUPS print system. Every request to the print server runs on a thread
// of its own, over a connection of the program's own that lives on that thread alone
// (libcups keeps the last error per thread): the caller waits for it, and stops waiting
// at once when the end of the run comes (Interrupcao) or once the server has answered
// nothing for the limit. A request left behind ends by itself: its waits give up as soon
// as it is cut. Nothing
// here ever touches a descriptor from another thread: libcups replaces its socket inside
// a request (it reconnects on "Connection: close", 401, 426 or a failed POST), and a
// number recorded before could by then be another connection's.

#include "common/interrupcao.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cups/cups.h>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>

namespace tessela {

// How long a request waits for a server that may not answer at all (one that accepts
// the connection and then stays silent).
inline constexpr std::chrono::milliseconds kEsperaPeloServidorDeImpressao{15000};
// A request that neither ends nor meets the silence (a name lookup that hangs, say) is
// not waited for longer than this.
inline constexpr std::chrono::milliseconds kLimiteDoPedido{60000};

// The print server as CUPS reaches it: "HOST:PORT", or the path of its local socket.
std::string EnderecoDoServidor();

// The error of a request given up on: the server did not answer in time.
std::string ServidorNaoResponde();

// What cuts a request short, shared by the caller and the request's thread, and what the
// request tells of a server that stays silent.
class CorteDoPedido {
public:
    void Cortar() { std::atomic_ref<int>(cancelar_).store(1); }
    bool Cortado() const { return std::atomic_ref<int>(const_cast<int&>(cancelar_)).load() != 0; }
    // libcups's cancel flag of a connect in progress, which it reads itself.
    int* Bandeira() { return &cancelar_; }
    // A wait of the request got no answer for the whole limit.
    void Esgotar() { esgotado_.store(true); }
    bool Esgotado() const { return esgotado_.load(); }

private:
    int cancelar_ = 0;
    std::atomic<bool> esgotado_{false};
};

// One connection to the server, used on the thread of one request only.
class ConexaoCups {
public:
    // Connects, waiting at most espera. Throws ErroImpressao naming the server when it
    // does not answer, ErroInterrompido when the request was cut first.
    ConexaoCups(std::shared_ptr<CorteDoPedido> corte,
                std::chrono::milliseconds espera = kEsperaPeloServidorDeImpressao);
    ~ConexaoCups();
    ConexaoCups(const ConexaoCups&) = delete;
    ConexaoCups& operator=(const ConexaoCups&) = delete;

    http_t* Http() const { return http_; }

    // The error of the request that has just failed on this connection, for the printer
    // named (UTF-8; empty when the request was not about one): ErroInterrompido when it
    // was cut; ErroImpressao naming the server when it did not answer in time;
    // ErroTrabalhoRecusado when the server answered no, with its reason, or naming the
    // printer when it is not there; ErroImpressao when the server is gone. Taken at
    // once, on the request's thread: any later request changes what it reads.
    std::exception_ptr Falha(const std::string& impressora) const;

private:
    // libcups calls it after each second without an answer: gives up once the request is
    // cut or the server has been silent for the whole wait.
    static int AoEsperar(http_t* http, void* dados);

    std::shared_ptr<CorteDoPedido> corte_;
    std::chrono::milliseconds espera_;
    std::chrono::steady_clock::time_point ultimaEspera_{};
    std::chrono::milliseconds silencio_{0};
    bool esgotada_ = false;
    http_t* http_ = nullptr;
};

// Runs pedido(corte) on a thread of its own and waits for its result. An end of the run
// asked for through interrupcao ends the wait at once (ErroInterrompido), and so does a
// server that stays silent for the limit (ErroImpressao naming it), also one that
// libcups then asks again on a connection of its own; the request is then cut and left
// to end by itself, so pedido must own everything it uses. A slow server that answers is
// waited for, up to kLimiteDoPedido in all.
template <typename Pedido>
auto PedirAoServidor(Interrupcao* interrupcao, Pedido pedido)
    -> std::invoke_result_t<Pedido, std::shared_ptr<CorteDoPedido>>;

// What the request's thread hands over; whoever comes last frees it.
struct EstadoDoPedido {
    std::shared_ptr<CorteDoPedido> corte = std::make_shared<CorteDoPedido>();
    std::mutex mutex;
    std::condition_variable pronto;
    bool concluido = false;
    std::exception_ptr erro;
};

// Waits for the request of estado (see PedirAoServidor); throws what ended the wait.
void EsperarPeloPedido(Interrupcao* interrupcao, EstadoDoPedido& estado);

template <typename Pedido>
auto PedirAoServidor(Interrupcao* interrupcao, Pedido pedido)
    -> std::invoke_result_t<Pedido, std::shared_ptr<CorteDoPedido>> {
    using Resultado = std::invoke_result_t<Pedido, std::shared_ptr<CorteDoPedido>>;
    using Guardado = std::conditional_t<std::is_void_v<Resultado>, bool, Resultado>;
    struct Estado : EstadoDoPedido {
        std::optional<Guardado> resultado;
    };
    auto estado = std::make_shared<Estado>();
    auto solta = std::make_shared<Interrupcao::TarefaSolta>(interrupcao);
    std::thread pedindo([estado, solta, pedido = std::move(pedido)]() mutable {
        std::optional<Guardado> resultado;
        std::exception_ptr erro;
        try {
            if constexpr (std::is_void_v<Resultado>) {
                pedido(estado->corte);
                resultado = true;
            } else {
                resultado = pedido(estado->corte);
            }
        } catch (...) {
            erro = std::current_exception();
        }
        std::lock_guard trava(estado->mutex);
        estado->resultado = std::move(resultado);
        estado->erro = erro;
        estado->concluido = true;
        estado->pronto.notify_all();
    });
    const Interrupcao::ThreadDaChamada juntar(pedindo, estado->mutex, estado->concluido);
    EsperarPeloPedido(interrupcao, *estado);
    if constexpr (!std::is_void_v<Resultado>)
        return std::move(*estado->resultado);
}

} // namespace tessela
