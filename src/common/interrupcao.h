#pragma once

// The end of the run asked for from outside the main thread, while the main thread may
// be blocked in a call that waits on someone else: a database row held by another
// workstation, a link gone silent, a print server that does not answer. The request
// cuts those calls short, so that the main thread comes back and the run ends as
// closing the window ends it. Everything here is thread-safe.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tessela {

class Interrupcao {
public:
    // Throws ErroEntradaSaida when its descriptor cannot be made. One made for a part of
    // the run (mae, the run's own) counts its TarefaSoltas with the run's, and a cut of
    // the run's calls cuts all of its own (CortarTudo).
    explicit Interrupcao(Interrupcao* mae = nullptr);
    ~Interrupcao();
    Interrupcao(const Interrupcao&) = delete;
    Interrupcao& operator=(const Interrupcao&) = delete;

    // The first request records its signal, makes the descriptor readable and cuts every
    // call in progress; later requests change nothing. Calls begun after it still run, so
    // that what closes the run (a detach, a commit) can finish. Each cut runs on a thread
    // of its own, so a cut that blocks holds up neither the others nor the caller.
    void Pedir(int sinal);

    // The end is overdue: cuts every call in progress and every call begun from now on.
    void CortarTudo();

    // Gives back, at once and for good, whatever is still lent (see Emprestimo); for
    // an end that cannot wait for the main thread. Waits at most tempo for an
    // Emprestimo that is being taken or given back right now.
    void DevolverTudo(std::chrono::milliseconds tempo);

    // The signal of the request; 0 while none came. Reads a value, nothing more: it never
    // waits, whatever a cut is doing.
    int SinalPedido() const { return sinal_.load(); }

    // Readable once the end has been asked for; for an event loop or poll.
    int Descritor() const { return descritor_; }

    // Waits up to tempo for the request; true when it came.
    bool EsperarPedido(std::chrono::milliseconds tempo) const;

    // A blocking call that the request cuts short. While it lives, the request calls
    // cortar once, from a thread of its own; cortar must only make the blocked call
    // return (close a socket, abort a database operation), and the object it acts on
    // outlives the Chamada, whose destructor waits for a cut in progress. A Chamada begun
    // after CortarTudo is cut at once, in its own thread. With no Interrupcao (nullptr)
    // nothing is ever cut.
    class Chamada {
    public:
        Chamada(Interrupcao* interrupcao, std::function<void()> cortar);
        ~Chamada();
        Chamada(const Chamada&) = delete;
        Chamada& operator=(const Chamada&) = delete;
        // True once the call was cut: its failure is the end of the run, not an error.
        bool Cortada() const;

    private:
        friend class Interrupcao;
        Interrupcao* interrupcao_;
        std::list<Chamada*>::iterator posicao_;
        std::function<void()> cortar_;
        bool cortada_ = false;
        bool emCorte_ = false; // cortar_ is running
    };

    // A thread that runs on inside a library after its caller may have stopped waiting for
    // it (an attach that never got an answer). Held by the thread while it runs, and it
    // may outlive the Interrupcao. The end of the process must not wait for it, as the
    // library's own exit handlers would: Firebird's client waits for its attaches for
    // minutes.
    class TarefaSolta {
    public:
        explicit TarefaSolta(const Interrupcao* interrupcao);
        ~TarefaSolta();
        TarefaSolta(const TarefaSolta&) = delete;
        TarefaSolta& operator=(const TarefaSolta&) = delete;

    private:
        std::shared_ptr<std::atomic<int>> soltas_;
    };
    // True while a TarefaSolta still runs.
    bool HaTarefasSoltas() const { return soltas_->load() > 0; }

    // The thread of a call its caller may give up on, held by the caller until it leaves:
    // joined when the call came back (concluida, which the thread sets under mutex), so
    // that none of it outlives the caller (a process that exits meanwhile would meet it
    // half gone); one given up on is left to end by itself.
    class ThreadDaChamada {
    public:
        ThreadDaChamada(std::thread& thread, std::mutex& mutex, const bool& concluida)
            : thread_(thread), mutex_(mutex), concluida_(concluida) {}
        ~ThreadDaChamada();
        ThreadDaChamada(const ThreadDaChamada&) = delete;
        ThreadDaChamada& operator=(const ThreadDaChamada&) = delete;

    private:
        std::thread& thread_;
        std::mutex& mutex_;
        const bool& concluida_;
    };

    // Something the run changed for the user and must give back on every way out, the
    // default printer among them. Tomar makes the change and Devolver gives it back,
    // each at most once; an end that cannot wait for the main thread gives it back
    // itself (DevolverTudo), after which Tomar changes nothing more.
    class Emprestimo {
    public:
        Emprestimo(Interrupcao* interrupcao, std::function<void()> devolver);
        ~Emprestimo();
        Emprestimo(const Emprestimo&) = delete;
        Emprestimo& operator=(const Emprestimo&) = delete;
        // Runs tomar unless the loan has already been given back.
        void Tomar(const std::function<void()>& tomar);
        // Gives it back unless already done; the devolver's error reaches the caller.
        void Devolver();

    private:
        friend class Interrupcao;
        // Against the end that gives everything back from another thread; none without
        // an Interrupcao.
        std::unique_lock<std::mutex> Travar() const;

        Interrupcao* interrupcao_;
        std::list<Emprestimo*>::iterator posicao_;
        std::function<void()> devolver_;
        bool devolvido_ = false;
    };

private:
    void Avisar();
    // Marks the open calls as cut (chamadasMutex_ held); their cuts are then run by Cortar.
    std::vector<Chamada*> MarcarAbertas();
    void Cortar(const std::vector<Chamada*>& chamadas);
    void Concluido(Chamada* chamada);

    int descritor_ = -1;
    mutable std::mutex chamadasMutex_;
    std::condition_variable cortesConcluidos_;
    std::list<Chamada*> chamadas_;
    std::atomic<int> sinal_{0};
    std::shared_ptr<std::atomic<int>> soltas_ = std::make_shared<std::atomic<int>>(0);
    bool tudoCortado_ = false;
    // Not a timed mutex: ThreadSanitizer does not see pthread_mutex_clocklock, which
    // libstdc++ takes for one.
    std::mutex emprestimosMutex_;
    std::list<Emprestimo*> emprestimos_;
    bool devolvidoTudo_ = false;
    std::optional<Chamada> repasse_; // on mae; last, so that it goes first
};

} // namespace tessela
