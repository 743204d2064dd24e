// The data module's datasets against the seed data of the test server, and client
// datasets edited and applied to their tables.

#include "database/apoio_banco.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace tessela {
namespace {

using teste::kBancoDados;
using teste::kBancoInterfac;
using teste::NovaConexao;
using teste::ValorUnico;

template <typename F>
void EsperarErroBanco(F&& f, const std::string& classe, const std::string& trecho = {}) {
    try {
        f();
        ADD_FAILURE() << "no error";
    } catch (const ErroBanco& e) {
        EXPECT_EQ(e.Classe(), classe) << e.what();
        EXPECT_NE(std::string(e.what()).find(trecho), std::string::npos) << e.what();
    }
}

class DatasetsDoModulo : public ::testing::Test {
protected:
    TDM dm;
};

TEST_F(DatasetsDoModulo, ConfigGuardaBrancosNulosENomesEmQualquerCaixa) {
    dm.Config.Abrir();
    ASSERT_FALSE(dm.Config.Fim());
    EXPECT_EQ(dm.Config.Texto("USARPRECOMOV"), "S  ");
    EXPECT_EQ(dm.Config.Texto("AcessaEstoqueAtual"), "N");
    EXPECT_EQ(dm.Config.Inteiro("corfundo"), 15794175);
    EXPECT_EQ(dm.Config.Texto("CorFundo"), "15794175");
    EXPECT_EQ(dm.Config.Texto("DESCRICAOPM"), "PRE\xC7O M\xC9"
                                              "DIO");
    EXPECT_EQ(dm.Config.Texto("DIRETORIOPRINCIPAL"), "C:\\MAGNOLIA");
    // NULLs.
    EXPECT_EQ(dm.Config.Texto("ECF"), "");
    EXPECT_EQ(dm.Config.Inteiro("ULTIMOLOTE"), 0);
    EXPECT_EQ(dm.Config.Inteiro("PORTASERIAL"), 0);
    EsperarErroBanco([&] { dm.Config.Texto("CORDEFUNDO"); }, "ErroBanco", "CORDEFUNDO");

    // Past the last row every known field is NULL; unknown names stay errors.
    dm.Config.Proximo();
    EXPECT_TRUE(dm.Config.Fim());
    EXPECT_EQ(dm.Config.Texto("USARPRECOMOV"), "");
    EXPECT_EQ(dm.Config.Inteiro("CORFUNDO"), 0);
    EXPECT_THROW(dm.Config.Texto("CORDEFUNDO"), ErroBanco);
    dm.Config.Proximo(); // stays at the end
    EXPECT_TRUE(dm.Config.Fim());

    // Closed: no rows, every field NULL.
    dm.Config.Fechar();
    EXPECT_FALSE(dm.Config.Ativo());
    EXPECT_TRUE(dm.Config.Fim());
    EXPECT_EQ(dm.Config.Inteiro("CORFUNDO"), 0);
    EXPECT_EQ(dm.Config.Texto("QUALQUER"), "");
}

TEST_F(DatasetsDoModulo, EstacoesEmOrdemComAPrimeiraCorrente) {
    dm.Estacoes.Abrir();
    ASSERT_FALSE(dm.Estacoes.Fim());
    const std::string primeira = dm.Estacoes.Texto("ESTACAO");
    std::vector<std::string> estacoes;
    for (; !dm.Estacoes.Fim(); dm.Estacoes.Proximo())
        estacoes.push_back(dm.Estacoes.Texto("estacao"));
    EXPECT_EQ(primeira, estacoes.front());
    EXPECT_TRUE(std::is_sorted(estacoes.begin(), estacoes.end()));
    for (const char* semente : {"03", "04", "05", "103"})
        EXPECT_NE(std::find(estacoes.begin(), estacoes.end(), semente), estacoes.end()) << semente;
}

TEST_F(DatasetsDoModulo, EstacaoDoUsuarioPorValorLigado) {
    dm.Estacoes.SQL = kSqlEstacoesDoUsuario;
    dm.Estacoes.Valores = {std::string("MARIA")};
    dm.Estacoes.Abrir();
    ASSERT_FALSE(dm.Estacoes.Fim());
    EXPECT_EQ(dm.Estacoes.Texto("ESTACAO"), "03");
    EXPECT_EQ(dm.Estacoes.Texto("DATBASNAM"), "C:\\magnolia\\Interfac03\\MAGNOLIA.BD");
    EXPECT_EQ(dm.Estacoes.Texto("CAMINHOSEQUENCIAL1"), "PDF");
    EXPECT_EQ(dm.Estacoes.Texto("Usuario"), "maria");
    dm.Estacoes.Proximo();
    EXPECT_TRUE(dm.Estacoes.Fim());
    dm.Estacoes.Fechar();

    dm.Estacoes.Valores = {std::string("O'NEILL")};
    dm.Estacoes.Abrir();
    EXPECT_EQ(dm.Estacoes.Texto("ESTACAO"), "05");
    EXPECT_EQ(dm.Estacoes.Texto("USUARIO"), "o'neill");
    dm.Estacoes.Fechar();

    dm.Estacoes.Valores = {std::string("NINGUEM' OR '1' = '1")};
    dm.Estacoes.Abrir();
    EXPECT_TRUE(dm.Estacoes.Fim());
    EXPECT_EQ(dm.Estacoes.Texto("USUARIO"), "");
    dm.Estacoes.Fechar();
}

TEST_F(DatasetsDoModulo, EnsaiosDoComponenteEmOrdemDeNomeSoOsQueTemEspecificacao) {
    dm.Ensaios.Valores = {std::string("000123")};
    dm.Ensaios.Abrir();
    struct Ensaio {
        std::string comp;
        std::int64_t espec;
        std::string ensaio, especificacao;
        bool operator==(const Ensaio&) const = default;
    };
    std::vector<Ensaio> lidos;
    for (; !dm.Ensaios.Fim(); dm.Ensaios.Proximo())
        lidos.push_back({dm.Ensaios.Texto("CODIGOCOMP"), dm.Ensaios.Inteiro("codigoespec"),
                         dm.Ensaios.Texto("ENSAIO"), dm.Ensaios.Texto("Especificacao")});
    const std::vector<Ensaio> esperados = {
        {"000123", 2, "ASPECTO", "PO CRISTALINO BRANCO OU QUASE BRANCO, INODORO, DE SABOR ACIDO"},
        {"000123", 1, "IDENTIFICACAO POR INFRAVERMELHO", "CONFORME"},
    };
    EXPECT_EQ(lidos, esperados);
    dm.Ensaios.Fechar();
}

TEST_F(DatasetsDoModulo, CodigoSemEnsaiosOuDesconhecidoDaResultadoVazio) {
    for (const char* codigo : {"000456", "999999", "000'123", ""}) {
        dm.Ensaios.Fechar();
        dm.Ensaios.Valores = {std::string(codigo)};
        dm.Ensaios.Abrir();
        EXPECT_TRUE(dm.Ensaios.Ativo());
        EXPECT_TRUE(dm.Ensaios.Fim()) << codigo;
        EXPECT_EQ(dm.Ensaios.Texto("ENSAIO"), "");
    }
    dm.Ensaios.Fechar();
}

TEST_F(DatasetsDoModulo, ComponentePorCodigo) {
    dm.SQLQuery1.Valores = {std::string("000123")};
    dm.SQLQuery1.Abrir();
    EXPECT_EQ(dm.SQLQuery1.Texto("CODIGO"), "000123");
    EXPECT_EQ(dm.SQLQuery1.Texto("componente"), "ACIDO ASCORBICO");
    EXPECT_EQ(dm.SQLQuery1.Inteiro("CODIGO"), 123);
    EXPECT_THROW(dm.SQLQuery1.Inteiro("COMPONENTE"), ErroConversao);
    dm.SQLQuery1.Abrir(); // already open: nothing happens
    EXPECT_EQ(dm.SQLQuery1.Texto("CODIGO"), "000123");
    dm.SQLQuery1.Fechar();

    dm.SQLQuery1.Valores = {std::string("000789")};
    dm.SQLQuery1.Abrir();
    EXPECT_EQ(dm.SQLQuery1.Texto("COMPONENTE"), "\xD3XIDO DE ZINCO");
    dm.SQLQuery1.Fechar();

    dm.SQLQuery1.Valores = {std::string("000999")};
    dm.SQLQuery1.Abrir();
    EXPECT_TRUE(dm.SQLQuery1.Fim());
    EXPECT_EQ(dm.SQLQuery1.Texto("COMPONENTE"), "");
    dm.SQLQuery1.Fechar();
}

TEST_F(DatasetsDoModulo, ConsultaComColunaInexistenteFalhaAoAbrir) {
    dm.SQLQuery1.SQL = "Select CODIGO, NAO_HA from componen where CODIGO = ?";
    dm.SQLQuery1.Valores = {std::string("000123")};
    EsperarErroBanco([&] { dm.SQLQuery1.Abrir(); }, "ErroSQL", "NAO_HA");
    EXPECT_FALSE(dm.SQLQuery1.Ativo());
    // Too few values for the markers.
    dm.SQLQuery1.SQL = kSqlComponente;
    dm.SQLQuery1.Valores.clear();
    EXPECT_THROW(dm.SQLQuery1.Abrir(), ErroBanco);
    // A statement that returns no rows is no query.
    dm.SQLQuery1.SQL = "delete from FICHAPRO where 1 = 0";
    EsperarErroBanco([&] { dm.SQLQuery1.Abrir(); }, "ErroSQL", "Cursor");
}

// Rows of stations no seed row uses, made for each test and removed after it.
class EdicaoDeEstacoes : public ::testing::Test {
protected:
    void SetUp() override {
        c = NovaConexao(kBancoDados);
        Limpar();
        c->Executar("insert into ESTACOES (ESTACAO, DATBASNAM, TIPO, EMUSO, USUARIO) "
                    "values ('98', 'D98', 'BALCAO', 'N', 'teste-edicao')");
        c->Executar("insert into ESTACOES (ESTACAO, DATBASNAM, TIPO, EMUSO, ATCAIXA, USUARIO) "
                    "values ('99', 'D99', 'BALCAO', 'N', 'A99', 'teste-vizinho')");
        c->Executar("insert into ESTACOES (ESTACAO, DATBASNAM, EMUSO, USUARIO) "
                    "values ('9''9', 'D9', 'N', 'd''avila')");
    }
    void TearDown() override { Limpar(); }
    void Limpar() { c->Executar("delete from ESTACOES where ESTACAO in ('98', '99', '9''9')"); }

    void AbrirDoUsuario(TClientDataSet& ds, const std::string& usuario) {
        ds.Fechar();
        ds.SQL = kSqlEstacoesDoUsuario;
        ds.Valores = {usuario};
        ds.Abrir();
        ASSERT_FALSE(ds.Fim());
    }

    // Every column of a station's row as stored, NULL shown as <null>.
    std::vector<std::string> Linha(const std::string& estacao) {
        TSQLQuery q(*c);
        q.SQL = "select coalesce(DATBASNAM, '<null>') as A, coalesce(TIPO, '<null>') as B, "
                "coalesce(ATCAIXA, '<null>') as C, coalesce(EMUSO, '<null>') as D, "
                "coalesce(ESVAZIAR, '<null>') as E, coalesce(CAMINHOSEQUENCIAL1, '<null>') as F, "
                "coalesce(USUARIO, '<null>') as G from ESTACOES where ESTACAO = ?";
        q.Valores = {estacao};
        q.Abrir();
        std::vector<std::string> r;
        if (!q.Fim())
            for (const char* campo : {"A", "B", "C", "D", "E", "F", "G"})
                r.push_back(q.Texto(campo));
        return r;
    }

    std::unique_ptr<TSQLConnection> c;
    TDM dm;
};

TEST_F(EdicaoDeEstacoes, MudancaAplicadaMudaSoAquelaLinha) {
    const auto vizinha = Linha("99");
    AbrirDoUsuario(dm.Estacoes, "TESTE-EDICAO");
    dm.Estacoes.Editar();
    dm.Estacoes.DefinirTexto("EMUSO", "S");
    dm.Estacoes.DefinirTexto("atcaixa", "Ultima atividade: 08/12/26 14:05:09");
    EXPECT_EQ(dm.Estacoes.Texto("EMUSO"), "S"); // the edit is what reads
    dm.Estacoes.Gravar();
    EXPECT_EQ(dm.Estacoes.MudancasPendentes(), 1u);
    // Posting changes only the rows in memory.
    EXPECT_EQ(Linha("98")[3], "N");

    dm.Estacoes.AplicarAtualizacoes();
    EXPECT_EQ(dm.Estacoes.MudancasPendentes(), 0u);
    EXPECT_EQ(Linha("98"),
              (std::vector<std::string>{"D98", "BALCAO", "Ultima atividade: 08/12/26 14:05:09", "S",
                                        "<null>", "<null>", "teste-edicao"}));
    EXPECT_EQ(Linha("99"), vizinha);
    dm.Estacoes.Fechar();
}

TEST_F(EdicaoDeEstacoes, ChaveComApostrofo) {
    AbrirDoUsuario(dm.Estacoes, "D'AVILA");
    EXPECT_EQ(dm.Estacoes.Texto("ESTACAO"), "9'9");
    dm.Estacoes.Editar();
    dm.Estacoes.DefinirTexto("EMUSO", "S");
    dm.Estacoes.AplicarAtualizacoes(); // posts the edit first
    EXPECT_EQ(Linha("9'9")[3], "S");
    dm.Estacoes.Fechar();
}

TEST_F(EdicaoDeEstacoes, LinhaQueSumiuEErroEAMudancaFicaPendente) {
    AbrirDoUsuario(dm.Estacoes, "TESTE-EDICAO");
    dm.Estacoes.Editar();
    dm.Estacoes.DefinirTexto("EMUSO", "S");
    dm.Estacoes.Gravar();
    c->Executar("delete from ESTACOES where ESTACAO = '98'");
    EsperarErroBanco([&] { dm.Estacoes.AplicarAtualizacoes(); }, "ErroAtualizacao",
                     "Record not found");
    EXPECT_EQ(dm.Estacoes.MudancasPendentes(), 1u);
    // Closing discards it.
    dm.Estacoes.Fechar();
    EXPECT_EQ(dm.Estacoes.MudancasPendentes(), 0u);
}

TEST_F(EdicaoDeEstacoes, TodasAsColunasAchaALinhaComNulosEPercebeOutraMudanca) {
    TClientDataSet ds(*c, "ESTACOES", ModoAtualizacao::TodasColunas);
    AbrirDoUsuario(ds, "TESTE-EDICAO");
    ds.Editar();
    ds.DefinirTexto("TIPO", "LABORATORIO");
    ds.AplicarAtualizacoes();
    EXPECT_EQ(Linha("98")[1], "LABORATORIO");

    // Someone else changes the row: the next change no longer finds it as read.
    auto outra = NovaConexao(kBancoDados);
    outra->Executar("update ESTACOES set ROTULO1 = 'OUTRO' where ESTACAO = '98'");
    ds.Editar();
    ds.DefinirTexto("TIPO", "BALCAO");
    EsperarErroBanco([&] { ds.AplicarAtualizacoes(); }, "ErroAtualizacao");
    EXPECT_EQ(Linha("98")[1], "LABORATORIO");
    ds.Fechar();
}

TEST_F(EdicaoDeEstacoes, ChaveRepetidaNaoMudaNada) {
    auto interfac = NovaConexao(kBancoInterfac, "");
    interfac->Executar("delete from FICHAPRO where ESTACAO = '96'");
    interfac->Executar("insert into FICHAPRO (ESTACAO, LINHA, TEXTO) values ('96', 1, 'A')");
    interfac->Executar("insert into FICHAPRO (ESTACAO, LINHA, TEXTO) values ('96', 2, 'B')");
    TClientDataSet ds(*interfac, "FICHAPRO", ModoAtualizacao::SoChave, {"ESTACAO"});
    ds.SQL = "select ESTACAO, LINHA, TEXTO from FICHAPRO where ESTACAO = ? order by LINHA";
    ds.Valores = {std::string("96")};
    ds.Abrir();
    ds.Editar();
    ds.DefinirTexto("TEXTO", "Z");
    // Moving to the next row posts the edit of the current one.
    ds.Proximo();
    EXPECT_EQ(ds.Texto("TEXTO"), "B");
    EXPECT_EQ(ds.MudancasPendentes(), 1u);
    EsperarErroBanco([&] { ds.AplicarAtualizacoes(); }, "ErroAtualizacao", "2 rows");
    EXPECT_EQ(ValorUnico(*interfac,
                         "select list(TEXTO, '') as V from (select TEXTO from FICHAPRO where "
                         "ESTACAO = '96' order by LINHA)"),
              "AB");
    ds.Fechar();
    interfac->Executar("delete from FICHAPRO where ESTACAO = '96'");
}

TEST_F(EdicaoDeEstacoes, UsoErradoEEdicaoDescartada) {
    EsperarErroBanco([&] { dm.Estacoes.Editar(); }, "ErroBanco");
    AbrirDoUsuario(dm.Estacoes, "TESTE-EDICAO");
    EsperarErroBanco([&] { dm.Estacoes.DefinirTexto("EMUSO", "S"); }, "ErroBanco");
    dm.Estacoes.Editar();
    EsperarErroBanco([&] { dm.Estacoes.DefinirTexto("NAO_HA", "S"); }, "ErroBanco", "NAO_HA");
    dm.Estacoes.DefinirTexto("EMUSO", "S");
    dm.Estacoes.Gravar();
    dm.Estacoes.Fechar(); // posted, never applied
    EXPECT_EQ(Linha("98")[3], "N");

    dm.Estacoes.Valores = {std::string("NINGUEM")};
    dm.Estacoes.Abrir();
    EsperarErroBanco([&] { dm.Estacoes.Editar(); }, "ErroBanco");
    dm.Estacoes.Fechar();

    // An integer field takes whole numbers only.
    TClientDataSet pedidos(*c, "PEDIDOS", ModoAtualizacao::SoChave, {"ESTACAO", "NPEDIDO"});
    pedidos.SQL = "select ESTACAO, NPEDIDO, CAIXAQ from PEDIDOS where ESTACAO = '03'";
    pedidos.Abrir();
    ASSERT_FALSE(pedidos.Fim());
    pedidos.Editar();
    EXPECT_THROW(pedidos.DefinirTexto("NPEDIDO", "12a"), ErroConversao);
    pedidos.Fechar();
}

} // namespace
} // namespace tessela
