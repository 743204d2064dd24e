#include "common/interrupcao.h"

#include "common/erros.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace tessela {

Interrupcao::Interrupcao(Interrupcao* mae) {
    descritor_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (descritor_ < 0)
        throw ErroEntradaSaida(std::string("N\xE3o foi poss\xEDvel preparar o encerramento: ") +
                               std::strerror(errno));
    if (!mae)
        return;
    soltas_ = mae->soltas_;
    try {
        repasse_.emplace(mae, [this] { CortarTudo(); });
    } catch (...) {
        close(descritor_);
        throw;
    }
}

Interrupcao::~Interrupcao() {
    repasse_.reset(); // waits for a cut of mae's that is reaching this one
    close(descritor_);
}

void Interrupcao::Avisar() {
    // Never read back: once readable, it stays so for every watcher.
    const std::uint64_t um = 1;
    [[maybe_unused]] const ssize_t n = write(descritor_, &um, sizeof um);
}

std::vector<Interrupcao::Chamada*> Interrupcao::MarcarAbertas() {
    std::vector<Chamada*> abertas;
    for (Chamada* c : chamadas_)
        if (!c->cortada_) {
            c->cortada_ = true;
            c->emCorte_ = true;
            abertas.push_back(c);
        }
    return abertas;
}

void Interrupcao::Concluido(Chamada* chamada) {
    // Notified under the lock: once it is released the Chamada, and this, may be gone.
    std::lock_guard trava(chamadasMutex_);
    chamada->emCorte_ = false;
    cortesConcluidos_.notify_all();
}

// A cut may block (Firebird's cancel waits for the lock of a port that a send on a dead
// link holds): each runs apart, and the Chamada it acts on waits for it.
void Interrupcao::Cortar(const std::vector<Chamada*>& chamadas) {
    for (Chamada* c : chamadas) {
        const auto cortar = [this, c] {
            c->cortar_();
            Concluido(c);
        };
        try {
            std::thread(cortar).detach();
        } catch (const std::system_error&) {
            cortar(); // no thread to be had: here, then
        }
    }
}

void Interrupcao::Pedir(int sinal) {
    std::vector<Chamada*> abertas;
    {
        std::lock_guard trava(chamadasMutex_);
        if (sinal_.load() != 0)
            return;
        sinal_.store(sinal);
        abertas = MarcarAbertas();
    }
    Avisar();
    Cortar(abertas);
}

void Interrupcao::CortarTudo() {
    std::vector<Chamada*> abertas;
    {
        std::lock_guard trava(chamadasMutex_);
        tudoCortado_ = true;
        abertas = MarcarAbertas();
    }
    Cortar(abertas);
}

void Interrupcao::DevolverTudo(std::chrono::milliseconds tempo) {
    const auto fim = std::chrono::steady_clock::now() + tempo;
    std::unique_lock trava(emprestimosMutex_, std::defer_lock);
    while (!trava.try_lock()) {
        if (std::chrono::steady_clock::now() >= fim)
            return; // the main thread is stuck inside one; nothing more can be done
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (Emprestimo* e : emprestimos_) {
        if (e->devolvido_)
            continue;
        e->devolvido_ = true;
        try {
            e->devolver_();
        } catch (...) {
            // The run is being ended for good; there is no one left to tell.
        }
    }
    // Nothing is lent any more from here on.
    emprestimos_.clear();
    devolvidoTudo_ = true;
}

bool Interrupcao::EsperarPedido(std::chrono::milliseconds tempo) const {
    using Relogio = std::chrono::steady_clock;
    const auto fim = Relogio::now() + tempo;
    while (SinalPedido() == 0) {
        const auto resta =
            std::chrono::duration_cast<std::chrono::milliseconds>(fim - Relogio::now());
        if (resta.count() <= 0)
            return false;
        pollfd observado{descritor_, POLLIN, 0};
        poll(&observado, 1, static_cast<int>(resta.count() + 1));
    }
    return true;
}

Interrupcao::Chamada::Chamada(Interrupcao* interrupcao, std::function<void()> cortar)
    : interrupcao_(interrupcao), cortar_(std::move(cortar)) {
    if (!interrupcao_)
        return;
    std::vector<Chamada*> abertas;
    {
        std::lock_guard trava(interrupcao_->chamadasMutex_);
        posicao_ = interrupcao_->chamadas_.insert(interrupcao_->chamadas_.end(), this);
        if (interrupcao_->tudoCortado_)
            abertas = interrupcao_->MarcarAbertas();
    }
    interrupcao_->Cortar(abertas);
}

Interrupcao::Chamada::~Chamada() {
    if (!interrupcao_)
        return;
    // Waits for a cut in progress: what it acts on must still be there.
    std::unique_lock trava(interrupcao_->chamadasMutex_);
    interrupcao_->cortesConcluidos_.wait(trava, [this] { return !emCorte_; });
    interrupcao_->chamadas_.erase(posicao_);
}

bool Interrupcao::Chamada::Cortada() const {
    if (!interrupcao_)
        return false;
    std::lock_guard trava(interrupcao_->chamadasMutex_);
    return cortada_;
}

Interrupcao::TarefaSolta::TarefaSolta(const Interrupcao* interrupcao) {
    if (!interrupcao)
        return;
    soltas_ = interrupcao->soltas_;
    ++*soltas_;
}

Interrupcao::TarefaSolta::~TarefaSolta() {
    if (soltas_)
        --*soltas_;
}

Interrupcao::ThreadDaChamada::~ThreadDaChamada() {
    bool concluida;
    {
        std::lock_guard trava(mutex_);
        concluida = concluida_;
    }
    if (concluida)
        thread_.join();
    else
        thread_.detach();
}

Interrupcao::Emprestimo::Emprestimo(Interrupcao* interrupcao, std::function<void()> devolver)
    : interrupcao_(interrupcao), devolver_(std::move(devolver)) {
    if (!interrupcao_)
        return;
    std::lock_guard trava(interrupcao_->emprestimosMutex_);
    if (interrupcao_->devolvidoTudo_) {
        devolvido_ = true; // too late to lend anything
        interrupcao_ = nullptr;
        return;
    }
    posicao_ = interrupcao_->emprestimos_.insert(interrupcao_->emprestimos_.end(), this);
}

Interrupcao::Emprestimo::~Emprestimo() {
    if (!interrupcao_)
        return;
    std::lock_guard trava(interrupcao_->emprestimosMutex_);
    if (!interrupcao_->devolvidoTudo_)
        interrupcao_->emprestimos_.erase(posicao_);
}

std::unique_lock<std::mutex> Interrupcao::Emprestimo::Travar() const {
    if (!interrupcao_)
        return {};
    return std::unique_lock(interrupcao_->emprestimosMutex_);
}

void Interrupcao::Emprestimo::Tomar(const std::function<void()>& tomar) {
    const auto trava = Travar();
    if (!devolvido_)
        tomar();
}

void Interrupcao::Emprestimo::Devolver() {
    const auto trava = Travar();
    if (!std::exchange(devolvido_, true))
        devolver_();
}

} // namespace tessela
