// The end of the run asked for from another thread: which calls it cuts, and when, and
// what lent it gives back.

#include "common/interrupcao.h"

#include <atomic>
#include <condition_variable>
#include <future>
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
    std::promise<void> registrada;
    std::thread pedido([&] {
        registrada.get_future().wait();
        interrupcao.Pedir(15);
    });
    {
        Interrupcao::Chamada chamada(&interrupcao, [&] {
            std::lock_guard trava(mutex);
            livre = true;
            cortada.notify_all();
        });
        registrada.set_value();
        std::unique_lock trava(mutex);
        EXPECT_TRUE(cortada.wait_for(trava, std::chrono::seconds(5), [&] { return livre; }));
        EXPECT_TRUE(chamada.Cortada());
    }
    pedido.join();
    EXPECT_EQ(interrupcao.SinalPedido(), 15);
    EXPECT_TRUE(interrupcao.EsperarPedido(std::chrono::milliseconds(0)));

    // A call that closes the run runs until the end is overdue; later ones are cut at once.
    std::atomic<int> cortes = 0;
    {
        Interrupcao::Chamada fechamento(&interrupcao, [&] { ++cortes; });
        EXPECT_FALSE(fechamento.Cortada());
        interrupcao.CortarTudo();
        EXPECT_TRUE(fechamento.Cortada());
        Interrupcao::Chamada tardia(&interrupcao, [&] { ++cortes; });
        EXPECT_TRUE(tardia.Cortada());
    } // each waits for its cut as it goes
    EXPECT_EQ(cortes, 2);
}

// A cut that never returns (Firebird's cancel waiting for the lock of a dead link's port)
// holds up neither the request, nor the reading of the signal, nor the other cuts.
TEST(Interrupcao, UmCortePresoNaoSeguraOsOutros) {
    Interrupcao interrupcao;
    std::promise<void> soltar;
    const std::shared_future<void> solta = soltar.get_future().share();
    std::promise<void> outraCortada;
    std::future<void> cortadaOutra = outraCortada.get_future();
    Interrupcao::Chamada presa(&interrupcao, [solta] { solta.wait(); });
    Interrupcao::Chamada outra(&interrupcao, [&] { outraCortada.set_value(); });
    std::promise<void> pedidoFeito;
    std::future<void> feito = pedidoFeito.get_future();
    std::thread pedido([&] {
        interrupcao.Pedir(15);
        pedidoFeito.set_value();
    });
    // Guards against a hang, not measures of speed.
    EXPECT_EQ(feito.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(interrupcao.SinalPedido(), 15);
    EXPECT_EQ(cortadaOutra.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    soltar.set_value(); // the Chamadas wait for their cuts as they go
    pedido.join();
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
