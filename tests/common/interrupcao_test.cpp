// The end of the run asked for from another thread: which calls it cuts, and when, and
// what lent it gives back.

#include "common/interrupcao.h"

#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace tessela {
namespace {

// A call blocked until it is cut, as a database call waits on a lock.
TEST(Interrupcao, OPedidoCortaAChamadaBloqueadaEAsDoFimSoNoPrazo) {
    Interrupcao interrupcao;
    std::mutex mutex;
    std::condition_variable cortada;
    bool livre = false;
    std::thread pedido([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        interrupcao.Pedir(15);
    });
    {
        Interrupcao::Chamada chamada(&interrupcao, [&] {
            std::lock_guard trava(mutex);
            livre = true;
            cortada.notify_all();
        });
        std::unique_lock trava(mutex);
        EXPECT_TRUE(cortada.wait_for(trava, std::chrono::seconds(5), [&] { return livre; }));
        EXPECT_TRUE(chamada.Cortada());
    }
    pedido.join();
    EXPECT_EQ(interrupcao.SinalPedido(), 15);
    EXPECT_TRUE(interrupcao.EsperarPedido(std::chrono::milliseconds(0)));

    // A call that closes the run runs until the end is overdue; later ones are cut at once.
    int cortes = 0;
    Interrupcao::Chamada fechamento(&interrupcao, [&] { ++cortes; });
    EXPECT_FALSE(fechamento.Cortada());
    interrupcao.CortarTudo();
    EXPECT_TRUE(fechamento.Cortada());
    Interrupcao::Chamada tardia(&interrupcao, [&] { ++cortes; });
    EXPECT_TRUE(tardia.Cortada());
    EXPECT_EQ(cortes, 2);
}

// What the run lent is given back once, and nothing is lent again after an end that
// gave it back itself.
TEST(Interrupcao, EmprestimoDevolvidoUmaVezENuncaRetomado) {
    Interrupcao interrupcao;
    int devolucoes = 0;
    std::string padrao = "Bruta";
    Interrupcao::Emprestimo emprestimo(&interrupcao, [&] {
        ++devolucoes;
        padrao = "Bruta";
    });
    emprestimo.Tomar([&] { padrao = "PDF_Laudo"; });
    EXPECT_EQ(padrao, "PDF_Laudo");
    interrupcao.DevolverTudo(std::chrono::milliseconds(100));
    EXPECT_EQ(padrao, "Bruta");
    emprestimo.Tomar([&] { padrao = "PDF_Laudo"; });
    emprestimo.Devolver();
    EXPECT_EQ(padrao, "Bruta");
    EXPECT_EQ(devolucoes, 1);
}

} // namespace
} // namespace tessela
