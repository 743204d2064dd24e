// Connections against the private test server: parameters, connecting on first use,
// statements, bound values, errors and the client library.

#include "common/texto.h"
#include "database/apoio_banco.h"
#include "support/apoio.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tessela {
namespace {

using teste::kBancoDados;
using teste::kBancoInterfac;
using teste::NovaConexao;
using teste::ValorUnico;

// The path of the system's client library, for copies and links.
std::filesystem::path BibliotecaDoSistema() {
    for (const char* pasta :
         {"/usr/lib/x86_64-linux-gnu", "/usr/lib/aarch64-linux-gnu", "/usr/lib64", "/usr/lib"}) {
        const auto p = std::filesystem::path(pasta) / kBibliotecaCliente;
        if (std::filesystem::exists(p))
            return p;
    }
    return {};
}

TEST(ParametrosDaConexao, NomesSemDiferencaDeMaiusculas) {
    TSQLConnection c("X", {{"Database", "a:b"}, {"User_Name", "sysdba"}});
    EXPECT_EQ(c.Parametro("DATABASE"), "a:b");
    EXPECT_EQ(c.Parametro("user_name"), "sysdba");
    EXPECT_EQ(c.Parametro("Password"), "");

    // "DataBase" replaces "Database" where it stands.
    c.DefinirParametro("DataBase", "SERVIDOR:C:\\x");
    ASSERT_EQ(c.Parametros().size(), 2u);
    EXPECT_EQ(c.Parametros()[0],
              (std::pair<std::string, std::string>{"DataBase", "SERVIDOR:C:\\x"}));
    c.DefinirParametro("Password", "p");
    ASSERT_EQ(c.Parametros().size(), 3u);
    EXPECT_EQ(c.Parametros()[2].first, "Password");
    EXPECT_EQ(c.BibliotecaCliente(), "libfbclient.so.2");
}

TEST(Conexao, ConectaNoPrimeiroUsoEFicaAteDesconectar) {
    auto c = NovaConexao(kBancoDados);
    EXPECT_FALSE(c->Conectado());
    c->Executar("update ESTACOES set TIPO = TIPO where 1 = 0");
    EXPECT_TRUE(c->Conectado());
    c->Desconectar();
    EXPECT_FALSE(c->Conectado());
    c->Desconectar(); // no-op
    c->Conectar();
    c->Conectar(); // no-op
    EXPECT_TRUE(c->Conectado());
}

TEST(Conexao, PapelInexistenteEUsuarioEmMinusculasSaoAceitos) {
    auto c = NovaConexao(kBancoDados);
    ASSERT_EQ(c->Parametro("RoleName"), "RoleName");
    ASSERT_EQ(c->Parametro("User_Name"), "sysdba");
    TSQLQuery q(*c);
    q.SQL = "select current_user as U, current_role as R from rdb$database";
    q.Abrir();
    EXPECT_EQ(q.Texto("U"), "SYSDBA");
    EXPECT_EQ(q.Texto("R").substr(0, 4), "NONE");
}

TEST(Conexao, ConjuntoDeCaracteresDaConexao) {
    auto win = NovaConexao(kBancoDados, "WIN1252");
    auto nenhum = NovaConexao(kBancoDados, "");
    const char* sql =
        "select rdb$character_set_name as V from mon$attachments a join rdb$character_sets c "
        "on c.rdb$character_set_id = a.mon$character_set_id where a.mon$attachment_id = "
        "current_connection";
    EXPECT_EQ(TiraBrancos(ValorUnico(*win, sql)), "WIN1252");
    EXPECT_EQ(TiraBrancos(ValorUnico(*nenhum, sql)), "NONE");
    // Either way the text arrives as code-page-1252 bytes.
    const char* componente = "select COMPONENTE as V from COMPONEN where CODIGO = ?";
    EXPECT_EQ(ValorUnico(*win, componente, {std::string("000789")}), "\xD3XIDO DE ZINCO");
    EXPECT_EQ(ValorUnico(*nenhum, componente, {std::string("000789")}), "\xD3XIDO DE ZINCO");
}

class ComandosNoBanco : public ::testing::Test {
protected:
    // Orders of a station no seed row uses.
    void SetUp() override {
        c = NovaConexao(kBancoInterfac, "");
        c->Executar("delete from PEDIDOS where ESTACAO = '97'");
        c->Executar("insert into PEDIDOS (ESTACAO, NPEDIDO, CAIXAQ) values ('97', 1, 'X')");
        c->Executar("insert into PEDIDOS (ESTACAO, NPEDIDO, CAIXAQ) values ('97', 2, 'X')");
        c->Executar("insert into PEDIDOS (ESTACAO, NPEDIDO, CAIXAQ) values ('97', 3, 'X')");
    }
    void TearDown() override { c->Executar("delete from PEDIDOS where ESTACAO = '97'"); }

    std::string Caixa(std::int64_t pedido) {
        return ValorUnico(
            *c, "select CAIXAQ as V from PEDIDOS where ESTACAO = '97' and NPEDIDO = ?", {pedido});
    }

    std::unique_ptr<TSQLConnection> c;
};

TEST_F(ComandosNoBanco, ValoresLigados) {
    // The order numbers arrive as the texts of the edits; the server converts them.
    c->Executar(
        "Update PEDIDOS set CAIXAQ = '' where ESTACAO = ? and NPEDIDO >= ? and NPEDIDO <= ?",
        {std::string("97"), std::string("1"), std::string("2")});
    EXPECT_EQ(Caixa(1), "");
    EXPECT_EQ(Caixa(2), "");
    EXPECT_EQ(Caixa(3), "X");
    // Integers and NULL bound as such.
    c->Executar("update PEDIDOS set CAIXAQ = ? where ESTACAO = '97' and NPEDIDO = ?",
                {std::monostate{}, std::int64_t{3}});
    TSQLQuery q(*c);
    q.SQL = "select CAIXAQ from PEDIDOS where ESTACAO = '97' and NPEDIDO = 3";
    q.Abrir();
    ASSERT_FALSE(q.Fim());
    EXPECT_EQ(q.Texto("CAIXAQ"), "");
    EXPECT_EQ(q.Inteiro("CAIXAQ"), 0);
}

TEST_F(ComandosNoBanco, ApostrofoEBytes1252SaoSoDados) {
    const std::string valor = "o'neill; delete from PEDIDOS; --\xE7\xE3";
    c->Executar("update PEDIDOS set CAIXAQ = ? where ESTACAO = ? and NPEDIDO = ?",
                {valor.substr(0, 10), std::string("97"), std::int64_t{1}});
    EXPECT_EQ(Caixa(1), valor.substr(0, 10));
    EXPECT_EQ(
        ValorUnico(*c, "select count(*) as V from PEDIDOS where ESTACAO = ?", {std::string("97")}),
        "3");
    // A value longer than the column is the server's error, not a silent cut.
    EXPECT_THROW(c->Executar("update PEDIDOS set CAIXAQ = ? where ESTACAO = '97'", {valor}),
                 ErroBanco);
}

TEST_F(ComandosNoBanco, CadaComandoEConfirmadoNaHora) {
    auto outra = NovaConexao(kBancoInterfac, "");
    c->Executar("delete from PEDIDOS where ESTACAO = '97' and NPEDIDO = 3");
    EXPECT_EQ(ValorUnico(*outra, "select count(*) as V from PEDIDOS where ESTACAO = '97'"), "2");
}

TEST_F(ComandosNoBanco, NumeroDePedidoQueNaoENumeroEErroDoServidor) {
    try {
        c->Executar(
            "Update PEDIDOS set CAIXAQ = '' where ESTACAO = ? and NPEDIDO >= ? and NPEDIDO <= ?",
            {std::string("97"), std::string(""), std::string("")});
        FAIL() << "no error";
    } catch (const ErroBanco& e) {
        EXPECT_EQ(e.Classe(), "ErroSQL");
        EXPECT_NE(std::string(e.what()).find("conversion error"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Caixa(1), "X");
}

TEST(ErrosDoBanco, ComandoQueFalhaTrazOTextoDoServidor) {
    auto c = NovaConexao(kBancoDados);
    try {
        c->Executar("update TABELA_QUE_NAO_HA set X = 1");
        FAIL() << "no error";
    } catch (const ErroBanco& e) {
        EXPECT_EQ(e.Classe(), "ErroSQL");
        const std::string texto = e.what();
        EXPECT_NE(texto.find("Table unknown"), std::string::npos) << texto;
        EXPECT_NE(texto.find("TABELA_QUE_NAO_HA"), std::string::npos) << texto;
    }
    // The connection goes on working after the error.
    EXPECT_EQ(ValorUnico(*c, "select 1 as V from rdb$database"), "1");
    EXPECT_THROW(c->Executar("delete from fichapro where"), ErroBanco);
}

TEST(ErrosDoBanco, LocalOuSenhaErrados) {
    auto semBanco = NovaConexao("127.0.0.1:C:\\magnolia\\nada\\MAGNOLIA.BD");
    try {
        semBanco->Conectar();
        FAIL() << "no error";
    } catch (const ErroBanco& e) {
        EXPECT_EQ(e.Classe(), "ErroConexao");
        EXPECT_FALSE(std::string(e.what()).empty());
    }
    EXPECT_FALSE(semBanco->Conectado());

    auto senha = NovaConexao(kBancoDados);
    senha->DefinirParametro("Password", "errada");
    try {
        senha->Conectar();
        FAIL() << "no error";
    } catch (const ErroBanco& e) {
        EXPECT_EQ(e.Classe(), "ErroConexao");
        EXPECT_NE(std::string(e.what()).find("password"), std::string::npos) << e.what();
    }
}

TEST(BibliotecaCliente, PastaSemBibliotecaFalhaNoPrimeiroUso) {
    teste::PastaTemporaria pasta;
    auto c = NovaConexao(kBancoDados);
    const std::string caminho = BibliotecaNaPasta(pasta.Caminho().string());
    c->DefinirBibliotecaCliente(caminho);
    try {
        c->Executar("delete from FICHAPRO where 1 = 0");
        FAIL() << "no error";
    } catch (const ErroBanco& e) {
        EXPECT_EQ(e.Classe(), "ErroConexao");
        EXPECT_NE(std::string(e.what()).find(caminho), std::string::npos) << e.what();
    }
    EXPECT_FALSE(c->Conectado());
    // Another library makes it work again.
    c->DefinirBibliotecaCliente(kBibliotecaCliente);
    EXPECT_NO_THROW(c->Executar("delete from FICHAPRO where 1 = 0"));
}

TEST(BibliotecaCliente, BibliotecaQueNaoEDoFirebird) {
    auto c = NovaConexao(kBancoDados);
    c->DefinirBibliotecaCliente("libm.so.6");
    try {
        c->Conectar();
        FAIL() << "no error";
    } catch (const ErroBanco& e) {
        EXPECT_EQ(e.Classe(), "ErroConexao");
        EXPECT_NE(std::string(e.what()).find("fb_get_master_interface"), std::string::npos);
    }
}

TEST(BibliotecaCliente, CopiaNumaPastaPropria) {
    const auto sistema = BibliotecaDoSistema();
    ASSERT_FALSE(sistema.empty());
    teste::PastaTemporaria pasta;
    std::filesystem::copy_file(std::filesystem::canonical(sistema),
                               pasta.Caminho() / kBibliotecaCliente);
    auto copia = NovaConexao(kBancoDados);
    copia->DefinirBibliotecaCliente(BibliotecaNaPasta(pasta.ComoPasta()));
    auto padrao = NovaConexao(kBancoDados);
    // Both copies at once, each with its own attachment.
    EXPECT_EQ(ValorUnico(*copia, "select COMPONENTE as V from COMPONEN where CODIGO = '000123'"),
              "ACIDO ASCORBICO");
    EXPECT_EQ(ValorUnico(*padrao, "select COMPONENTE as V from COMPONEN where CODIGO = '000123'"),
              "ACIDO ASCORBICO");
}

TEST(ContagemDeDatasets, UltimoAFecharDesconecta) {
    auto c = NovaConexao(kBancoDados);
    TSQLQuery a(*c), b(*c);
    a.SQL = b.SQL = "select CODIGO from COMPONEN";
    a.Abrir();
    EXPECT_TRUE(c->Conectado());
    b.Abrir();
    a.Fechar();
    EXPECT_TRUE(c->Conectado());
    b.Fechar();
    EXPECT_FALSE(c->Conectado());
    b.Fechar(); // no-op

    // Connected by hand, without datasets: stays until a dataset closes.
    c->Conectar();
    c->Executar("delete from FICHAPRO where 1 = 0");
    EXPECT_TRUE(c->Conectado());
    a.Abrir();
    a.Fechar();
    EXPECT_FALSE(c->Conectado());
}

TEST(ContagemDeDatasets, DatasetDestruidoAbertoDescontaSemErro) {
    auto c = NovaConexao(kBancoDados);
    {
        TSQLQuery a(*c);
        a.SQL = "select CODIGO from COMPONEN";
        a.Abrir();
        EXPECT_TRUE(c->Conectado());
    }
    EXPECT_FALSE(c->Conectado());
}

} // namespace
} // namespace tessela
