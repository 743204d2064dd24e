// The data module: its stored connections and datasets, loading, and the set-up that
// reads the settings and CaminhoGDS.txt and points the connections at the central
// server (inside tests/support/com-compartilhamento.sh).

#include "common/arquivo_texto.h"
#include "common/texto.h"
#include "database/apoio_banco.h"
#include "settings/leitor.h"
#include "support/apoio.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tessela {
namespace {

namespace fs = std::filesystem;
using teste::TelaGravadora;

ListaParametros Armazenados(const std::string& local, const std::string& conjunto) {
    return {
        {"DriverName", "Interbase"},
        {"Database", local},
        {"RoleName", "RoleName"},
        {"User_Name", "sysdba"},
        {"Password", "tealcobra"},
        {"ServerCharSet", conjunto},
        {"SQLDialect", "3"},
        {"BlobSize", "-1"},
        {"CommitRetain", "False"},
        {"WaitOnLocks", "True"},
        {"ErrorResourceFile", ""},
        {"LocaleCode", "0000"},
        {"Interbase TransIsolation", "ReadCommited"},
        {"Trim Char", "False"},
    };
}

TEST(ModuloArmazenado, ConexoesComSeusParametrosNaOrdem) {
    TDM dm;
    EXPECT_EQ(dm.SQLConnection1.Nome(), "Magnolia");
    EXPECT_EQ(dm.SQLConnection2.Nome(), "MagnDados");
    EXPECT_EQ(dm.SQLConnection3.Nome(), "MagnDados");
    EXPECT_EQ(dm.SQLConnection1.Parametros(), Armazenados("c:\\magnolia\\dados\\magnolia.bd", ""));
    EXPECT_EQ(dm.SQLConnection2.Parametros(),
              Armazenados("127.0.0.1:C:\\MAGNOLIA\\DADOS\\MAGNOLIA.BD", "win1252"));
    EXPECT_EQ(dm.SQLConnection3.Parametros(),
              Armazenados("127.0.0.1:C:\\MAGNOLIA\\DADOS\\MAGNOLIA.BD", "win1252"));
    for (const TSQLConnection* c : {&dm.SQLConnection1, &dm.SQLConnection2, &dm.SQLConnection3}) {
        EXPECT_EQ(c->BibliotecaCliente(), "libfbclient.so.2");
        EXPECT_FALSE(c->Conectado());
    }
    for (const TSQLQuery* d :
         {static_cast<TSQLQuery*>(&dm.Estacoes), static_cast<TSQLQuery*>(&dm.Config),
          static_cast<TSQLQuery*>(&dm.Ensaios), &dm.SQLQuery1, &dm.SQLQuery2})
        EXPECT_FALSE(d->Ativo());
    EXPECT_EQ(dm.Estacoes.SQL, kSqlEstacoes);
    EXPECT_EQ(dm.Config.SQL, kSqlConfig);
    EXPECT_EQ(dm.Ensaios.SQL, kSqlEnsaios);
}

TEST(ModuloArmazenado, CarregarConectaDoisETresAoLocalArmazenado) {
    TDM dm;
    dm.Carregar();
    EXPECT_FALSE(dm.SQLConnection1.Conectado());
    EXPECT_TRUE(dm.SQLConnection2.Conectado());
    EXPECT_TRUE(dm.SQLConnection3.Conectado());
}

TEST(ModuloArmazenado, CarregarSemServidorNoLocalFalha) {
    TDM dm;
    dm.SQLConnection3.DefinirParametro("Database", "127.0.0.1:C:\\NAO\\HA.BD");
    EXPECT_THROW(dm.Carregar(), ErroBanco);
    EXPECT_FALSE(dm.SQLConnection3.Conectado());
}

TEST(ModuloArmazenado, BibliotecaNaPastaDeCaminhoGds) {
    EXPECT_EQ(BibliotecaNaPasta("/opt/fb"), "/opt/fb/libfbclient.so.2");
    EXPECT_EQ(BibliotecaNaPasta("/opt/fb/"), "/opt/fb/libfbclient.so.2");
    EXPECT_EQ(BibliotecaNaPasta("D:\\IB\\"), "D:\\IB\\libfbclient.so.2");
    EXPECT_EQ(BibliotecaNaPasta("  /opt/fb"), "  /opt/fb/libfbclient.so.2");
}

class CriacaoDoModulo : public ::testing::Test {
protected:
    void EscreverIni(const std::vector<std::string>& linhas) {
        GravarArquivoTexto((programa.Caminho() / "MAGNOLIA.INI").string(), linhas);
    }
    void Criar() {
        dm.Carregar();
        dm.DataModuleCreate(p, s, tela, programa.ComoPasta(), ',');
    }
    void EsperarArmazenados() {
        EXPECT_TRUE(dm.SQLConnection2.Conectado());
        EXPECT_EQ(dm.SQLConnection2.Parametros()[1].first, "Database");
        EXPECT_EQ(dm.SQLConnection2.Parametro("DataBase"),
                  "127.0.0.1:C:\\MAGNOLIA\\DADOS\\MAGNOLIA.BD");
        EXPECT_EQ(dm.SQLConnection1.Parametro("DataBase"), "c:\\magnolia\\dados\\magnolia.bd");
        EXPECT_EQ(dm.SQLConnection1.BibliotecaCliente(), "libfbclient.so.2");
        EXPECT_EQ(dm.SQLConnection2.BibliotecaCliente(), "libfbclient.so.2");
    }

    teste::PastaTemporaria programa;
    TParametros p;
    TSessao s;
    TelaGravadora tela;
    TDM dm;
};

TEST_F(CriacaoDoModulo, ErroNasConfiguracoesEMostradoEPulaORestante) {
    EscreverIni(teste::IniDeTeste(
        {teste::LinhaIni("COR DE FUNDO DAS TELAS.........................:", "abc")}));
    Criar();
    ASSERT_EQ(tela.mensagens.size(), 1u);
    EXPECT_EQ(tela.mensagens[0].first, "'abc' is not a valid integer value");
    EXPECT_EQ(tela.mensagens[0].second, TipoMensagem::Erro);
    EsperarArmazenados();
    // The program goes on with the stored locations.
    dm.Config.Abrir();
    EXPECT_FALSE(dm.Config.Fim());
    dm.Config.Fechar();
}

TEST_F(CriacaoDoModulo, SemMagnoliaIniOProgramaTermina) {
    EXPECT_THROW(Criar(), ErroMagnoliaIniAusente);
    EXPECT_TRUE(tela.mensagens.empty());
}

// These need the share \\SERVIDOR\MAGNOLIA and the name SERVIDOR.
class ModuloNoServidor : public CriacaoDoModulo {
protected:
    void SetUp() override {
        compartilhamento = teste::PastaDoCompartilhamento();
        if (compartilhamento.empty())
            GTEST_SKIP() << "needs the test share (tests/support/com-compartilhamento.sh)";
        fs::remove(compartilhamento / "CaminhoGDS.txt");
        EscreverIni(teste::IniDeTeste());
    }
    void TearDown() override {
        if (!compartilhamento.empty())
            fs::remove(compartilhamento / "CaminhoGDS.txt");
    }
    void EscreverCaminhoGds(const std::string& bytes) {
        teste::EscreverBytes(compartilhamento / "CaminhoGDS.txt", bytes);
    }
    // A folder holding a link to the system's client library.
    std::string PastaComBiblioteca() {
        for (const char* pasta : {"/usr/lib/x86_64-linux-gnu", "/usr/lib/aarch64-linux-gnu",
                                  "/usr/lib64", "/usr/lib"}) {
            const fs::path origem = fs::path(pasta) / kBibliotecaCliente;
            if (fs::exists(origem)) {
                fs::create_symlink(origem, bibliotecas.Caminho() / kBibliotecaCliente);
                return bibliotecas.Caminho().string();
            }
        }
        ADD_FAILURE() << "no " << kBibliotecaCliente;
        return {};
    }
    std::string ArquivoDoBanco(TSQLQuery& q) {
        q.Fechar();
        q.SQL = "select mon$database_name as ARQUIVO from mon$database";
        q.Valores.clear();
        q.Abrir();
        const std::string arquivo = fs::path(TiraBrancos(q.Texto("ARQUIVO"))).filename();
        q.Fechar();
        return arquivo;
    }
    // The connection error of the first use of the main database, which must fail.
    std::string ErroDeConexaoAoAbrirConfig() {
        try {
            dm.Config.Abrir();
        } catch (const ErroBanco& e) {
            EXPECT_EQ(e.Classe(), "ErroConexao");
            return e.what();
        }
        ADD_FAILURE() << "no error";
        return {};
    }

    void EsperarCentrais() {
        EXPECT_TRUE(tela.mensagens.empty());
        EXPECT_FALSE(dm.SQLConnection2.Conectado());
        EXPECT_TRUE(dm.SQLConnection3.Conectado());
        EXPECT_EQ(dm.SQLConnection2.Parametros()[1],
                  (std::pair<std::string, std::string>{
                      "DataBase", "SERVIDOR:C:\\magnolia\\dados\\MAGNOLIA.BD"}));
        EXPECT_EQ(dm.SQLConnection1.Parametros()[1],
                  (std::pair<std::string, std::string>{
                      "DataBase", "SERVIDOR:C:\\magnolia\\interfac\\MAGNOLIA.BD"}));
        EXPECT_EQ(dm.SQLConnection3.Parametro("DataBase"),
                  "127.0.0.1:C:\\MAGNOLIA\\DADOS\\MAGNOLIA.BD");
        EXPECT_EQ(dm.SQLConnection3.BibliotecaCliente(), "libfbclient.so.2");
    }

    fs::path compartilhamento;
    teste::PastaTemporaria bibliotecas;
};

TEST_F(ModuloNoServidor, SemCaminhoGdsAsConexoesVaoAosBancosCentrais) {
    Criar();
    EsperarCentrais();
    EXPECT_EQ(dm.SQLConnection1.BibliotecaCliente(), "libfbclient.so.2");
    EXPECT_EQ(dm.SQLConnection2.BibliotecaCliente(), "libfbclient.so.2");
    EXPECT_EQ(ArquivoDoBanco(dm.SQLQuery1), "dados.fdb");
    EXPECT_EQ(ArquivoDoBanco(dm.SQLQuery2), "interfac.fdb");
    EXPECT_FALSE(dm.SQLConnection1.Conectado());
}

TEST_F(ModuloNoServidor, CaminhoGdsDaAsConexoesUmEDoisABibliotecaDaPasta) {
    const std::string pasta = PastaComBiblioteca();
    EscreverCaminhoGds(pasta + "\r\n/outra/pasta\r\n");
    Criar();
    EsperarCentrais();
    EXPECT_EQ(dm.SQLConnection1.BibliotecaCliente(), pasta + "/libfbclient.so.2");
    EXPECT_EQ(dm.SQLConnection2.BibliotecaCliente(), pasta + "/libfbclient.so.2");
    EXPECT_EQ(ArquivoDoBanco(dm.SQLQuery1), "dados.fdb");
    EXPECT_EQ(ArquivoDoBanco(dm.SQLQuery2), "interfac.fdb");
    // The station's statement and the window-closing statement reach their databases.
    EXPECT_NO_THROW(dm.SQLConnection1.Executar("update PEDIDOS set CAIXAQ = CAIXAQ where 1 = 0"));
}

TEST_F(ModuloNoServidor, CaminhoGdsComSeparadorFinal) {
    const std::string pasta = PastaComBiblioteca();
    EscreverCaminhoGds(pasta + "/\r\n");
    Criar();
    EXPECT_EQ(dm.SQLConnection2.BibliotecaCliente(), pasta + "/libfbclient.so.2");
    EXPECT_EQ(ArquivoDoBanco(dm.SQLQuery1), "dados.fdb");
}

TEST_F(ModuloNoServidor, PastaSemBibliotecaFalhaNoPrimeiroUsoSemDerrubar) {
    EscreverCaminhoGds(bibliotecas.Caminho().string());
    Criar();
    EsperarCentrais();
    EXPECT_NE(ErroDeConexaoAoAbrirConfig().find(bibliotecas.Caminho().string()), std::string::npos);
    EXPECT_FALSE(dm.Config.Ativo());
    EXPECT_THROW(dm.SQLConnection1.Executar("delete from FICHAPRO where 1 = 0"), ErroBanco);
    // The third connection keeps the system's library.
    EXPECT_NO_THROW(dm.SQLConnection3.Executar("delete from FICHAPRO where 1 = 0"));
}

// A folder on a share is found through the mount table, as every share path is, with
// host and share in any letter case; the library is loaded from there.
TEST_F(ModuloNoServidor, CaminhoGdsNumaPastaDoCompartilhamento) {
    const fs::path pasta = compartilhamento / "fbclient";
    fs::remove_all(pasta);
    fs::create_directory(pasta);
    fs::create_symlink(fs::path(PastaComBiblioteca()) / kBibliotecaCliente,
                       pasta / kBibliotecaCliente);
    EscreverCaminhoGds("\\\\servidor\\magnolia\\fbclient\\\r\n");
    Criar();
    EsperarCentrais();
    EXPECT_EQ(dm.SQLConnection1.BibliotecaCliente(), (pasta / kBibliotecaCliente).string());
    EXPECT_EQ(dm.SQLConnection2.BibliotecaCliente(), (pasta / kBibliotecaCliente).string());
    EXPECT_EQ(ArquivoDoBanco(dm.SQLQuery1), "dados.fdb");
    EXPECT_NO_THROW(dm.SQLConnection1.Executar("update PEDIDOS set CAIXAQ = CAIXAQ where 1 = 0"));
    fs::remove_all(pasta);
}

// A share that is not mounted is a wrong folder: the first use of the connection fails,
// naming it.
TEST_F(ModuloNoServidor, CaminhoGdsNumCompartilhamentoNaoMontadoFalhaNoPrimeiroUso) {
    EscreverCaminhoGds("\\\\SERVIDOR\\NAOMONTADO\\fbclient\r\n");
    Criar();
    EsperarCentrais();
    const std::string erro = ErroDeConexaoAoAbrirConfig();
    EXPECT_NE(erro.find("\\\\SERVIDOR\\NAOMONTADO\\fbclient"), std::string::npos) << erro;
}

TEST_F(ModuloNoServidor, PrimeiraLinhaVaziaMantemABibliotecaDoSistema) {
    EscreverCaminhoGds("\r\n/outra/pasta\r\n");
    Criar();
    EsperarCentrais();
    EXPECT_EQ(dm.SQLConnection2.BibliotecaCliente(), "libfbclient.so.2");
}

TEST_F(ModuloNoServidor, PrimeiraLinhaCortadaEm100SemTirarBrancos) {
    const std::string linha = "  /" + std::string(120, 'x');
    EscreverCaminhoGds(linha + "\r\n");
    Criar();
    EXPECT_EQ(dm.SQLConnection1.BibliotecaCliente(), linha.substr(0, 100) + "/libfbclient.so.2");
    EXPECT_EQ(dm.SQLConnection2.BibliotecaCliente(), linha.substr(0, 100) + "/libfbclient.so.2");
}

TEST_F(ModuloNoServidor, NomeDoServidorEBancoDoConfigbd) {
    GravarArquivoTexto(
        (programa.Caminho() / "CONFIGBD.INI").string(),
        {teste::LinhaIni("IP DO SERVIDOR CENTRAL.........................:", "SERVIDOR2"),
         teste::LinhaIni("NOME DO BANCO DE DADOS CENTRAL.................:", "DADOS.GDB")});
    Criar();
    EXPECT_EQ(dm.SQLConnection2.Parametro("DataBase"), "SERVIDOR2:C:\\magnolia\\dados\\DADOS.GDB");
    EXPECT_EQ(dm.SQLConnection1.Parametro("DataBase"),
              "SERVIDOR2:C:\\magnolia\\interfac\\DADOS.GDB");
}

} // namespace
} // namespace tessela
