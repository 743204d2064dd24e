#include "screen/encerramento.h"

#include "common/erros.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
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

} // namespace

void BloquearSinaisDeEncerramento() {
    const sigset_t sinais = SinaisDeEncerramento();
    pthread_sigmask(SIG_BLOCK, &sinais, nullptr);
}

Encerramento::Encerramento() {
    const sigset_t sinais = SinaisDeEncerramento();
    descritor_ = signalfd(-1, &sinais, SFD_NONBLOCK | SFD_CLOEXEC);
    if (descritor_ < 0)
        throw ErroEntradaSaida(std::string("N\xE3o foi poss\xEDvel observar os sinais de "
                                           "encerramento: ") +
                               std::strerror(errno));
}

Encerramento::~Encerramento() {
    close(descritor_);
}

void Encerramento::Ler() {
    signalfd_siginfo info{};
    while (read(descritor_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        if (sinal_ != 0)
            continue; // the first signal decides; later ones change nothing
        sinal_ = static_cast<int>(info.ssi_signo);
        if (AoPedido)
            AoPedido(sinal_);
    }
}

int Encerramento::Sinal() {
    Ler();
    return sinal_;
}

bool Encerramento::Esperar(std::chrono::milliseconds tempo) {
    using Relogio = std::chrono::steady_clock;
    const auto fim = Relogio::now() + tempo;
    while (Sinal() == 0) {
        const auto resta =
            std::chrono::duration_cast<std::chrono::milliseconds>(fim - Relogio::now());
        if (resta.count() <= 0)
            return false;
        pollfd observado{descritor_, POLLIN, 0};
        poll(&observado, 1, static_cast<int>(resta.count() + 1));
    }
    return true;
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
