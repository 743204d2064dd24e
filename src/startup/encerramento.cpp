#include "startup/encerramento.h"

#include "common/erros.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
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
    const int sinal = static_cast<int>(info.ssi_signo);

    interrupcao_.Pedir(sinal);
    if (PararEm(kPrazoDosFechamentos))
        return;
    interrupcao_.CortarTudo();
    if (PararEm(kPrazoDoFim - kPrazoDosFechamentos))
        return;
    // The main thread did not come back: the run ends here, not later.
    interrupcao_.DevolverTudo(std::chrono::milliseconds(100));
    TerminarPeloSinal(sinal);
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
