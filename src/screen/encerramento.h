#pragma once

// The end of the run asked from outside: SIGTERM (a session that ends, a shutdown, a
// service stop), SIGHUP (the terminal or session gone) and SIGINT (Ctrl+C). The three
// are blocked in every thread and read from a signalfd, so no library can take them
// over (the database client installs handlers of its own that swallow SIGTERM), and
// the run ends the way closing the window ends it.

#include <chrono>
#include <functional>

namespace tessela {

// Blocks the three signals in the calling thread and in every thread it starts later.
// Called first thing in main, before any other thread exists.
void BloquearSinaisDeEncerramento();

class Encerramento {
public:
    // Opens the signalfd; throws ErroEntradaSaida when it cannot.
    Encerramento();
    ~Encerramento();
    Encerramento(const Encerramento&) = delete;
    Encerramento& operator=(const Encerramento&) = delete;

    // Called once, when the first signal is read, wherever it is read.
    std::function<void(int sinal)> AoPedido;

    // The signal that asked for the end, reading a pending one without waiting; 0
    // when none came.
    int Sinal();

    // Waits up to tempo for a signal; true when the end has been asked for.
    bool Esperar(std::chrono::milliseconds tempo);

    // The descriptor to watch for a signal to read.
    int Descritor() const { return descritor_; }

private:
    void Ler();

    int descritor_ = -1;
    int sinal_ = 0;
};

// Ends the process by the signal itself, with its default action, so that the caller
// sees the run was ended by it (a shell shows 128 + the signal's number).
[[noreturn]] void TerminarPeloSinal(int sinal);

} // namespace tessela
