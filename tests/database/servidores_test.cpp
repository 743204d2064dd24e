// A server that takes the connection and never answers, as behind a VPN that dropped:
// the attach gives up after the limit, naming the server, and the run never waits for it
// again, however many connections meet it.

#include "apoio_banco.h"
#include "support/apoio.h"

#include <chrono>
#include <atomic>
#include <future>
#include <random>
#include <thread>
#include <gtest/gtest.h>

namespace tessela {
namespace {

using Relogio = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Attaches a connection of its own; the error's text and when it came.
struct Tentativa {
    std::string erro;
    Relogio::time_point fim;
};

Tentativa Anexar(const std::string& local, ServidoresSilenciosos& servidores) {
    auto c = teste::NovaConexao(local);
    c->DefinirServidores(&servidores);
    Tentativa t;
    try {
        c->Conectar();
        t.erro = "<attached>";
    } catch (const ErroBanco& e) {
        EXPECT_EQ(e.Classe(), "ErroConexao");
        t.erro = e.what();
    }
    t.fim = Relogio::now();
    return t;
}

TEST(ServidorSilencioso, UmaEsperaSoNomeandoOServidor) {
    teste::ServidorMudo mudo;
    const std::string local = "127.0.0.1/" + mudo.Porta() + ":/dados.fdb";
    const std::string esperado =
        "O servidor 127.0.0.1 (127.0.0.1:" + mudo.Porta() + ") n\xE3o responde.";
    ServidoresSilenciosos servidores(milliseconds(2000));

    // A second connection begun a second after the first gives up with it, not a limit
    // after its own start.
    const auto inicio = Relogio::now();
    auto primeira = std::async(std::launch::async, [&] { return Anexar(local, servidores); });
    std::this_thread::sleep_for(milliseconds(1000));
    auto segunda = std::async(std::launch::async, [&] { return Anexar(local, servidores); });
    const Tentativa a = primeira.get();
    const Tentativa b = segunda.get();
    EXPECT_EQ(a.erro, esperado);
    EXPECT_EQ(b.erro, esperado);
    // The client's own wait is 180 s; the limit is 2 s.
    EXPECT_GE(a.fim - inicio, milliseconds(1900));
    EXPECT_LT(a.fim - inicio, milliseconds(10000));
    EXPECT_LT(b.fim - inicio, milliseconds(2500)) << "the second connection waited on its own";

    // From then on the run does not wait for it at all.
    const auto depois = Relogio::now();
    const Tentativa c = Anexar(local, servidores);
    EXPECT_EQ(c.erro, esperado);
    EXPECT_LT(c.fim - depois, milliseconds(500));
}

// The end of the run asked for while a connection detaches: a cut that acts on the
// attachment as the detach frees it reaches freed memory, in our code or in the client
// library (AddressSanitizer and ThreadSanitizer tell it; a plain build may crash). The
// request falls at random within the time the detach before took.
TEST(CorteAoDesanexar, NuncaAlcancaUmAnexoLiberado) {
    std::mt19937 aleatorio(20261210);
    auto duracao = std::chrono::microseconds(300);
    for (int i = 0; i < 300; ++i) {
        Interrupcao interrupcao;
        auto c = teste::NovaConexao(teste::kBancoDados);
        c->DefinirInterrupcao(&interrupcao);
        c->Conectar();
        const auto atraso =
            std::chrono::microseconds(aleatorio() % (duracao.count() + duracao.count() / 4 + 1));
        std::atomic<bool> ir = false;
        std::thread pedido([&] {
            while (!ir) {
            }
            const auto ate = Relogio::now() + atraso;
            while (Relogio::now() < ate) {
            }
            interrupcao.Pedir(15);
        });
        const auto inicio = Relogio::now();
        ir = true;
        try {
            c->Desconectar();
        } catch (const ErroInterrompido&) {
            // cut in the middle: the handle is released all the same
        }
        duracao = std::chrono::duration_cast<std::chrono::microseconds>(Relogio::now() - inicio);
        pedido.join();
        EXPECT_FALSE(c->Conectado());
    }
}

} // namespace
} // namespace tessela
