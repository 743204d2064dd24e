#include "startup/encerramento.h"

#include "common/erros.h"

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tessela {

namespace {

sigset_t SinaisDeEncerramento() {
    sigset_t sinais;
    sigemptyset(&sinais);
    sigaddset(&sinais, SIGTERM);
    sigaddset(&sinais, SIGHUP);
    sigaddset(&sinais, SIGINT);
    return sinais;
}

[[noreturn]] void Falhar() {
    throw ErroEntradaSaida(std::string("N\xE3o foi poss\xEDvel observar os sinais de "
                                       "encerramento: ") +
                           std::strerror(errno));
}

} // namespace

void BloquearSinaisDeEncerramento() {
    const sigset_t sinais = SinaisDeEncerramento();
    pthread_sigmask(SIG_BLOCK, &sinais, nullptr);
}

Encerramento::Encerramento(Interrupcao& interrupcao) : interrupcao_(interrupcao) {
    const sigset_t sinais = SinaisDeEncerramento();
    sinais_ = signalfd(-1, &sinais, SFD_CLOEXEC);
    if (sinais_ < 0)
        Falhar();
    parar_ = eventfd(0, EFD_CLOEXEC);
    if (parar_ < 0) {
        close(sinais_);
        Falhar();
    }
    vigia_ = std::thread([this] { Vigiar(); });
}

Encerramento::~Encerramento() {
    Parar();
    close(parar_);
    close(sinais_);
}

void Encerramento::Parar() {
    if (!vigia_.joinable())
        return;
    const std::uint64_t um = 1;
    [[maybe_unused]] const ssize_t n = write(parar_, &um, sizeof um);
    vigia_.join();
}

bool Encerramento::PararEm(std::chrono::milliseconds tempo) const {
    pollfd observado{parar_, POLLIN, 0};
    int r;
    while ((r = poll(&observado, 1, static_cast<int>(tempo.count()))) < 0 && errno == EINTR) {
    }
    return r > 0;
}

void Encerramento::Vigiar() {
    pollfd observados[2] = {{sinais_, POLLIN, 0}, {parar_, POLLIN, 0}};
    while (poll(observados, 2, -1) < 0)
        if (errno != EINTR)
            return;
    if (observados[1].revents != 0)
        return;
    signalfd_siginfo info{};
    if (read(sinais_, &info, sizeof info) != static_cast<ssize_t>(sizeof info))
        return;
    Encerrar(static_cast<int>(info.ssi_signo));
}

namespace {

// Something run apart that this thread waits for, up to a point in time.
class Tarefa {
public:
    explicit Tarefa(std::function<void()> tarefa) : estado_(std::make_shared<Estado>()) {
        std::thread([estado = estado_, tarefa = std::move(tarefa)] {
            tarefa();
            std::lock_guard trava(estado->mutex);
            estado->concluida = true;
            estado->pronta.notify_all();
        }).detach();
    }
    bool EsperarAte(std::chrono::steady_clock::time_point prazo) const {
        std::unique_lock trava(estado_->mutex);
        return estado_->pronta.wait_until(trava, prazo, [this] { return estado_->concluida; });
    }

private:
    struct Estado {
        std::mutex mutex;
        std::condition_variable pronta;
        bool concluida = false;
    };
    std::shared_ptr<Estado> estado_;
};

} // namespace

// The deadline is this thread's alone: it waits for the cuts and the give-back, never
// inside them. Whatever still runs when it passes dies with the process.
void Encerramento::Encerrar(int sinal) {
    const auto inicio = std::chrono::steady_clock::now();
    const Tarefa cortes([this, sinal] {
        interrupcao_.Pedir(sinal);
        if (!PararEm(kPrazoDosFechamentos))
            interrupcao_.CortarTudo();
    });
    if (PararEm(kPrazoDoFim) && cortes.EsperarAte(inicio + kPrazoDoFim))
        return; // the main thread came back and closed the run itself
    // The main thread did not come back, or a cut never returned: the run ends here. The
    // display goes last: a main thread that is only slow would take the broken
    // connection for a reason to exit while the give-back still runs.
    const Tarefa devolucao(
        [this] { interrupcao_.DevolverTudo(kPrazoDaDevolucao - std::chrono::milliseconds(20)); });
    devolucao.EsperarAte(std::chrono::steady_clock::now() + kPrazoDaDevolucao);
    DesligarTela();
    TerminarPeloSinal(sinal);
}

void Encerramento::DefinirConexoesDaTela(std::vector<int> conexoes) {
    std::lock_guard trava(telaMutex_);
    conexoesDaTela_ = std::move(conexoes);
}

// Only shut down, never closed: the numbers stay the connections' own until the
// application closes them, and it withdraws them first.
void Encerramento::DesligarTela() {
    std::lock_guard trava(telaMutex_);
    for (const int fd : conexoesDaTela_)
        ::shutdown(fd, SHUT_RDWR);
}

int Encerramento::Concluir(int status) {
    Parar();
    if (const int sinal = interrupcao_.SinalPedido(); sinal != 0)
        TerminarPeloSinal(sinal); // after the close handling and every release
    // A signal pending since the watcher stopped is taken as soon as it is unblocked.
    const sigset_t sinais = SinaisDeEncerramento();
    for (const int s : {SIGTERM, SIGHUP, SIGINT})
        std::signal(s, SIG_DFL); // whatever a library put there
    pthread_sigmask(SIG_UNBLOCK, &sinais, nullptr);
    if (interrupcao_.HaTarefasSoltas()) {
        // A library's exit handlers would wait for the thread it still runs; everything of
        // the run is released by now.
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}

void TerminarPeloSinal(int sinal) {
    std::signal(sinal, SIG_DFL); // whatever a library put there
    sigset_t so;
    sigemptyset(&so);
    sigaddset(&so, sinal);
    raise(sinal); // pending while blocked, taken as soon as it is unblocked
    pthread_sigmask(SIG_UNBLOCK, &so, nullptr);
    std::_Exit(128 + sinal); // not reached
}

} // namespace tessela
