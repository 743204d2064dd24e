#pragma once

// The end of the run asked for from outside: SIGTERM (a session that ends, a shutdown,
// a service stop), SIGHUP (the terminal or session gone) and SIGINT (Ctrl+C). The three
// are blocked in every thread and read from a signalfd by a thread of their own, so no
// library can take them over (the database client installs handlers that swallow
// SIGTERM) and they are read even while the main thread is blocked in a call. The
// request goes to the run's Interrupcao, which cuts such calls short.

#include "common/interrupcao.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace tessela {

// After the request, calls begun to close the run (a detach, a commit) may run this
// long; then every call is cut.
inline constexpr std::chrono::milliseconds kPrazoDosFechamentos{300};
// After the request, the run ends this late at the latest: when the main thread is held
// where nothing can reach it (a print server or a share that stops answering inside a
// library), or a cut does not return, what was lent is given back and the process ends
// by the signal.
inline constexpr std::chrono::milliseconds kPrazoDoFim{800};
// How long the give-back of what was lent may take then (a home folder on a share that
// stopped answering); the process ends after it whether or not it came back.
inline constexpr std::chrono::milliseconds kPrazoDaDevolucao{150};

// Blocks the three signals in the calling thread and in every thread it starts later.
// Called first thing in main, before any other thread exists.
void BloquearSinaisDeEncerramento();

class Encerramento {
public:
    // Starts watching for the signals; throws ErroEntradaSaida when it cannot.
    explicit Encerramento(Interrupcao& interrupcao);
    ~Encerramento();
    Encerramento(const Encerramento&) = delete;
    Encerramento& operator=(const Encerramento&) = delete;

    // Stops watching once the run is over: a signal that comes later stays pending,
    // blocked, until Concluir.
    void Parar();

    // The process's connections to the display server, while they are open (none after
    // the application has gone): an end that cannot wait for the main thread shuts them
    // down, so that the server takes the windows away even while the main thread is held
    // where no signal reaches it (a call into a FUSE share that stopped answering) and
    // the process can only end once that call returns.
    void DefinirConexoesDaTela(std::vector<int> conexoes);

    // The run is over and status is its exit status: stops watching, ends the process by
    // the signal that ended the run, if one did, and lets a signal that came since, or
    // comes later, end the process by its default action. Otherwise returns status, or
    // ends the process with it at once while a TarefaSolta still runs.
    int Concluir(int status);

private:
    void Vigiar();
    // Cuts and gives back from threads of their own, so that neither can hold up the end.
    void Encerrar(int sinal);
    bool PararEm(std::chrono::milliseconds tempo) const;

    void DesligarTela();

    Interrupcao& interrupcao_;
    std::mutex telaMutex_;
    std::vector<int> conexoesDaTela_;
    int sinais_ = -1; // signalfd
    int parar_ = -1;  // eventfd
    std::thread vigia_;
};

// Ends the process by the signal itself, with its default action, so that the caller
// sees the run was ended by it (a shell shows 128 + the signal's number).
[[noreturn]] void TerminarPeloSinal(int sinal);

} // namespace tessela
