// A request to a print server that takes the connection and never answers: the end of
// the run gets the caller back at once, whatever the request is waiting on.

#include "common/erros.h"
#include "printing/sistema_cups.h"
#include "support/apoio.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

namespace tessela {
namespace {

TEST(PedidoAoServidorMudo, OFimDaExecucaoTrazOChamadorDeVoltaNaHora) {
    teste::ServidorMudo mudo;
    setenv("CUPS_SERVER", ("127.0.0.1:" + mudo.Porta()).c_str(), 1);
    Interrupcao interrupcao;
    SistemaCups cups(&interrupcao);
    std::thread pedido([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        interrupcao.Pedir(15);
    });
    const auto inicio = std::chrono::steady_clock::now();
    EXPECT_THROW(cups.Impressoras(), ErroInterrompido);
    // The cut, not the silent server's 15 s.
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(3));
    pedido.join();
    // Later requests are cut as they begin: the run is ending.
    interrupcao.CortarTudo();
    EXPECT_THROW(cups.Existe("Laudo"), ErroInterrompido);
    // CUPS_SERVER stays: the request left behind may still read it. Each test of this
    // program runs in a process of its own.
}

} // namespace
} // namespace tessela
