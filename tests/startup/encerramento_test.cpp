// The end by a signal when the main thread never comes back, as when it is held inside a
// library or on a share that stopped answering: the watcher gives back what the run lent
// and ends the process by the signal itself.

#include "startup/encerramento.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tessela {
namespace {

std::string Ler(const std::string& arquivo) {
    std::ifstream f(arquivo);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// A run whose main thread blocks for good after it lent something; it tells the test
// when it got there.
[[noreturn]] void RunPresa(const std::string& arquivo, int pronto) {
    BloquearSinaisDeEncerramento();
    Interrupcao interrupcao;
    Encerramento encerramento(interrupcao);
    Interrupcao::Emprestimo padrao(&interrupcao, [&] { std::ofstream(arquivo) << "devolvido"; });
    padrao.Tomar([&] { std::ofstream(arquivo) << "emprestado"; });
    [[maybe_unused]] const ssize_t n = write(pronto, "x", 1);
    for (;;)
        pause(); // the end signals are blocked: nothing but the watcher ends this
}

TEST(Encerramento, ThreadPresaDevolveOEmprestadoETerminaPeloSinal) {
    char modelo[] = "/tmp/tessela-encerramento-XXXXXX";
    close(mkstemp(modelo));
    const std::string arquivo = modelo;
    int canal[2];
    ASSERT_EQ(pipe(canal), 0);
    const pid_t filho = fork();
    ASSERT_GE(filho, 0);
    if (filho == 0)
        RunPresa(arquivo, canal[1]);
    close(canal[1]);
    char pronto = 0;
    ASSERT_EQ(read(canal[0], &pronto, 1), 1);
    close(canal[0]);
    EXPECT_EQ(Ler(arquivo), "emprestado");

    kill(filho, SIGTERM);
    int status = 0;
    pid_t fim = 0;
    // A guard against a run that never ends, not a measure of how soon it does.
    for (int i = 0; i < 100 && (fim = waitpid(filho, &status, WNOHANG)) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (fim == 0) {
        kill(filho, SIGKILL);
        waitpid(filho, &status, 0);
        ADD_FAILURE() << "the run did not end after SIGTERM";
    }
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
    EXPECT_EQ(Ler(arquivo), "devolvido");
    unlink(modelo);
}

} // namespace
} // namespace tessela
