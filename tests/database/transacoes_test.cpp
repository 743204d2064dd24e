// The transactions the access layer runs on the test server, seen from the server
// itself (CURRENT_TRANSACTION, MON$TRANSACTIONS) and from a second connection: reads
// share one read-only read-committed transaction that still sees what others commit; a
// step's reads and its change share one read-write transaction, committed at once; a
// statement executed directly binds its values and commits at once.

#include "database/apoio_banco.h"

#include <gtest/gtest.h>

namespace tessela {
namespace {

using teste::kBancoInterfac;
using teste::NovaConexao;
using teste::ValorUnico;

// The reading transaction, whether it is read-only, and the station's orders.
constexpr const char* kSqlTransacao =
    "select current_transaction as T, (select mon$read_only from mon$transactions where "
    "mon$transaction_id = current_transaction) as RO, (select count(*) from PEDIDOS where "
    "ESTACAO = '96') as N from rdb$database";

struct Leitura {
    std::string transacao, somenteLeitura, pedidos;
};

Leitura Ler(TSQLConnection& c) {
    TSQLQuery q(c);
    q.SQL = kSqlTransacao;
    q.Abrir();
    return {q.Texto("T"), q.Texto("RO"), q.Texto("N")};
}

class Transacoes : public ::testing::Test {
protected:
    void SetUp() override {
        c = NovaConexao(kBancoInterfac, "");
        outra = NovaConexao(kBancoInterfac, "");
        outra->Executar("delete from PEDIDOS where ESTACAO = '96'");
        outra->Executar("insert into PEDIDOS (ESTACAO, NPEDIDO, CAIXAQ) values ('96', 1, 'X')");
        outra->Executar("insert into PEDIDOS (ESTACAO, NPEDIDO, CAIXAQ) values ('96', 2, 'X')");
        // A dataset left open keeps the connection attached between the reads, as the
        // report's tests keep it.
        aberta = std::make_unique<TSQLQuery>(*c);
        aberta->SQL = "select 1 as V from rdb$database";
        aberta->Abrir();
    }
    void TearDown() override {
        aberta.reset();
        outra->Executar("delete from PEDIDOS where ESTACAO = '96'");
    }
    std::string Caixa(int pedido) {
        return ValorUnico(*outra,
                          "select CAIXAQ as V from PEDIDOS where ESTACAO = '96' and NPEDIDO = ?",
                          {std::int64_t{pedido}});
    }

    std::unique_ptr<TSQLConnection> c, outra;
    std::unique_ptr<TSQLQuery> aberta;
};

TEST_F(Transacoes, LeiturasDividemUmaTransacaoSoDeLeituraQueVeOQueOutrosConfirmam) {
    const Leitura primeira = Ler(*c);
    EXPECT_EQ(primeira.somenteLeitura, "1");
    EXPECT_EQ(primeira.pedidos, "2");

    // Committed by another connection, or by a change of this one (which runs in a
    // transaction of its own, committed at once): the next read sees it.
    outra->Executar("insert into PEDIDOS (ESTACAO, NPEDIDO, CAIXAQ) values ('96', 3, 'X')");
    c->Executar("delete from PEDIDOS where ESTACAO = '96' and NPEDIDO = 1");
    EXPECT_EQ(Caixa(1), "<no row>");
    const Leitura segunda = Ler(*c);
    EXPECT_EQ(segunda.transacao, primeira.transacao);
    EXPECT_EQ(segunda.pedidos, "2");

    // Detaching ends it; the next
    // attachment reads in a new one.
    aberta.reset();
    ASSERT_FALSE(c->Conectado());
    const Leitura depois = Ler(*c);
    EXPECT_NE(depois.transacao, primeira.transacao);
}

TEST_F(Transacoes, EtapaLeEAlteraNumaSoTransacaoConfirmadaNaHora) {
    TEtapaDeAlteracao etapa(*c);
    const Leitura lida = Ler(*c);
    EXPECT_EQ(lida.somenteLeitura, "0");

    // The change runs in the transaction of the read, and is seen at once by others.
    c->Executar("update PEDIDOS set CAIXAQ = current_transaction where ESTACAO = '96' and "
                "NPEDIDO = 1");
    EXPECT_EQ(Caixa(1), lida.transacao);
    // It ended the step's transaction: a read after it runs in another.
    EXPECT_NE(Ler(*c).transacao, lida.transacao);

    // A change that finds more than one row undoes itself, in a step too.
    TClientDataSet pedidos(*c, "PEDIDOS", ModoAtualizacao::SoChave, {"ESTACAO"});
    pedidos.SQL = "select ESTACAO, NPEDIDO, CAIXAQ from PEDIDOS where ESTACAO = '96' and "
                  "NPEDIDO = 2";
    pedidos.Abrir();
    pedidos.Editar();
    pedidos.DefinirTexto("CAIXAQ", "Y");
    try {
        pedidos.AplicarAtualizacoes();
        FAIL() << "no error";
    } catch (const ErroBanco& e) {
        EXPECT_EQ(e.Classe(), "ErroAtualizacao");
    }
    EXPECT_EQ(Caixa(1), lida.transacao);
    EXPECT_EQ(Caixa(2), "X");
    pedidos.Fechar();
    etapa.Concluir();
}

TEST_F(Transacoes, ExecutarLigaValoresConfirmaNaHoraETrazOErroDoServidor) {
    c->Executar("update PEDIDOS set CAIXAQ = ? where ESTACAO = ? and NPEDIDO = ?",
                {std::string("o'n;\xE7\xE3"), std::string("96"), std::int64_t{1}});
    c->Executar("update PEDIDOS set CAIXAQ = ? where ESTACAO = '96' and NPEDIDO = 2",
                {std::monostate{}});
    EXPECT_EQ(Caixa(1), "o'n;\xE7\xE3");
    EXPECT_EQ(Caixa(2), "");
    try {
        c->Executar("update TABELA_QUE_NAO_HA set X = 1");
        FAIL() << "no error";
    } catch (const ErroBanco& e) {
        EXPECT_EQ(e.Classe(), "ErroSQL");
        EXPECT_NE(std::string(e.what()).find("TABELA_QUE_NAO_HA"), std::string::npos) << e.what();
    }
    // A value the column cannot hold changes nothing.
    EXPECT_THROW(
        c->Executar("update PEDIDOS set CAIXAQ = ? where ESTACAO = '96'", {std::string(11, 'Z')}),
        ErroBanco);
    EXPECT_EQ(Caixa(1), "o'n;\xE7\xE3");
}

} // namespace
} // namespace tessela
