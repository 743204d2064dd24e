// The end by a signal in the states nothing else can end: a main thread that never comes
// back, a cut or a give-back that never returns, a signal that comes as the run closes.

#include "startup/encerramento.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
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

// How a run of the program ends, in a forked child that tells the parent on a pipe when
// it got to the point of the case.
class FimDoProcesso : public ::testing::Test {
protected:
    void SetUp() override {
        char modelo[] = "/tmp/tessela-encerramento-XXXXXX";
        close(mkstemp(modelo));
        arquivo_ = modelo;
        ASSERT_EQ(pipe(canal_), 0);
    }
    void TearDown() override { unlink(arquivo_.c_str()); }

    template <typename Filho> void Iniciar(Filho filho) {
        filho_ = fork();
        ASSERT_GE(filho_, 0);
        if (filho_ == 0) {
            close(canal_[0]);
            BloquearSinaisDeEncerramento();
            filho(canal_[1]);
            std::_Exit(0);
        }
        close(canal_[1]);
        char pronto = 0;
        ASSERT_EQ(read(canal_[0], &pronto, 1), 1);
        close(canal_[0]);
    }

    // The child's status after the signal. A guard against a run that never ends, not a
    // measure of how soon it does: the ends under test come within a second or never.
    int Sinalizar() {
        kill(filho_, SIGTERM);
        int status = 0;
        pid_t fim = 0;
        for (int i = 0; i < 100 && (fim = waitpid(filho_, &status, WNOHANG)) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (fim == 0) {
            kill(filho_, SIGKILL);
            waitpid(filho_, &status, 0);
            ADD_FAILURE() << "the run did not end after SIGTERM";
        }
        return status;
    }

    static void Pronto(int canal) { [[maybe_unused]] const ssize_t n = write(canal, "x", 1); }
    [[noreturn]] static void Presa() {
        for (;;)
            pause(); // the end signals are blocked: nothing but the watcher ends this
    }

    std::string arquivo_;
    int canal_[2] = {-1, -1};
    pid_t filho_ = -1;
};

bool PeloSinal(int status) {
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM;
}

// A main thread held for good, as inside a library or on a share that stopped answering:
// the watcher gives back what the run lent and ends the process by the signal itself.
TEST_F(FimDoProcesso, ThreadPresaDevolveOEmprestadoETerminaPeloSinal) {
    const std::string arquivo = arquivo_;
    Iniciar([&](int canal) {
        Interrupcao interrupcao;
        Encerramento encerramento(interrupcao);
        Interrupcao::Emprestimo padrao(&interrupcao,
                                       [&] { std::ofstream(arquivo) << "devolvido"; });
        padrao.Tomar([&] { std::ofstream(arquivo) << "emprestado"; });
        Pronto(canal);
        Presa();
    });
    EXPECT_EQ(Ler(arquivo_), "emprestado");
    const int status = Sinalizar();
    EXPECT_TRUE(PeloSinal(status)) << "status " << status;
    EXPECT_EQ(Ler(arquivo_), "devolvido");
}

// Neither a cut nor a give-back that never returns holds the end: a cut may wait for a
// lock a dead link holds, a give-back for a home folder on a share that stopped answering.
TEST_F(FimDoProcesso, CorteEDevolucaoPresosNaoSeguramOFim) {
    Iniciar([&](int canal) {
        Interrupcao interrupcao;
        Encerramento encerramento(interrupcao);
        Interrupcao::Chamada chamada(&interrupcao, [] { Presa(); });
        Interrupcao::Emprestimo padrao(&interrupcao, [] { Presa(); });
        padrao.Tomar([] {});
        Pronto(canal);
        Presa();
    });
    const int status = Sinalizar();
    EXPECT_TRUE(PeloSinal(status)) << "status " << status;
}

// A signal that comes while the run is ending, once the watcher has stopped, still ends
// the process by it: the run does not report success.
TEST_F(FimDoProcesso, SinalDepoisDoFimDaVigiaAindaEncerraPeloSinal) {
    int sinalEnviado[2];
    ASSERT_EQ(pipe(sinalEnviado), 0);
    Iniciar([&](int canal) {
        Interrupcao interrupcao;
        Encerramento encerramento(interrupcao);
        encerramento.Parar();
        Pronto(canal);
        char enviado = 0;
        [[maybe_unused]] const ssize_t n = read(sinalEnviado[0], &enviado, 1);
        std::_Exit(encerramento.Concluir(0));
    });
    kill(filho_, SIGTERM);
    Pronto(sinalEnviado[1]);
    const int status = Sinalizar();
    EXPECT_TRUE(PeloSinal(status)) << "status " << status;
}

} // namespace
} // namespace tessela
