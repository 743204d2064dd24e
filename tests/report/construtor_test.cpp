// The report build against the test server and the test share.
#include "report/ambiente.h"
#include "report/construtor.h"
#include "report/laudo.h"

#include <gtest/gtest.h>

namespace tessela {
namespace {

using teste::kAgoraFixo;
using teste::LerBytes;

const std::string kRegua = "|------------------------|--------------------------------------------"
                           "------|------------|--------------|-------------|";

class Construtor : public ::testing::Test {
protected:
    void SetUp() override {
        if (!amb.ComCompartilhamento())
            GTEST_SKIP() << "runs inside tests/support/com-compartilhamento.sh";
        amb.LimparCompartilhamento();
        amb.Carregar(teste::IniDeTeste());
        amb.s.EstLocal = "03";
        amb.dm.SQLConnection3.DefinirParametro("DataBase",
                                               "SERVIDOR:C:\\magnolia\\Interfac03\\MAGNOLIA.BD");
        dados = teste::ConexaoDeTeste("dados");
        interfac03 = teste::ConexaoDeTeste("interfac03");
    }
    void TearDown() override {
        for (const auto& codigo : criados) {
            dados->Executar("delete from ENSAIOS where CODIGOCOMP = cast(? as varchar(20))",
                            {codigo});
            dados->Executar("delete from COMPONEN where CODIGO = ?", {codigo});
        }
        if (interfac03)
            teste::RestaurarFichaPro(*interfac03);
    }

    ContextoLaudo Contexto() { return {amb.p, amb.s, amb.dm, amb.tela, amb.argumentos}; }

    // A component of the test's own with one test, removed again at the end.
    void NovoComponente(const std::string& codigo, const std::string& nome) {
        dados->Executar("insert into COMPONEN (CODIGO, COMPONENTE) values (?, ?)", {codigo, nome});
        dados->Executar("insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values (?, 1)", {codigo});
        criados.push_back(codigo);
    }

    std::string Arquivo(const std::string& relativo) {
        return LerBytes(amb.NoCompartilhamento(relativo));
    }
    bool Existe(const std::string& relativo) {
        return std::filesystem::exists(amb.NoCompartilhamento(relativo));
    }

    teste::Ambiente amb;
    std::unique_ptr<TSQLConnection> dados, interfac03;
    std::vector<std::string> criados;
};

TEST_F(Construtor, ComponenteNaoEncontradoSoDeixaODiagnostico) {
    EXPECT_TRUE(Existe("Interfac03"));
    for (const char* codigo :
         {"999999", "000123 ", " 000123", "000123'", "000123000123000123000123000123"}) {
        amb.argumentos.codigo = codigo;
        MontarLaudo(Contexto(), kAgoraFixo);
        EXPECT_EQ(Arquivo("DiagOM.txt"), "Inicio do Tessela\r\n") << '"' << codigo << '"';
        EXPECT_FALSE(Existe("Interfac03/Fichapes1.txt")) << '"' << codigo << '"';
        EXPECT_TRUE(std::filesystem::is_empty(amb.NoCompartilhamento("Interfac03")));
        EXPECT_TRUE(amb.tela.relatorio.empty());
        EXPECT_FALSE(amb.tela.relatorioVisivel);
        EXPECT_FALSE(amb.tela.esperaVisivel);
        EXPECT_TRUE(amb.tela.mensagens.empty());
    }
}

// The read-back CODIGO of no row is empty, and so equal to an empty code.
TEST_F(Construtor, CodigoVazioDaUmLaudoSemProduto) {
    amb.argumentos.codigo = "";
    MontarLaudo(Contexto(), kAgoraFixo);
    ASSERT_EQ(amb.tela.relatorio.size(), 12u + 4);
    EXPECT_EQ(amb.tela.relatorio[3], "| Produto...:  ()" + std::string(100, ' ') + " |");
    EXPECT_EQ(Arquivo("Interfac03/Laudo.txt"), kRegua + "\r\n");
}

// A code longer than ENSAIOS.CODIGOCOMP can have no tests; it is not an error.
TEST_F(Construtor, CodigoMaiorQueOsDosEnsaios) {
    dados->Executar("insert into COMPONEN (CODIGO, COMPONENTE) values (?, 'LONGO')",
                    {std::string("T0123456789XY")});
    criados.push_back("T0123456789XY");
    amb.argumentos.codigo = "T0123456789XY";
    MontarLaudo(Contexto(), kAgoraFixo);
    ASSERT_EQ(amb.tela.relatorio.size(), 12u + 4);
    EXPECT_EQ(amb.tela.relatorio[3].substr(0, 30), "| Produto...: LONGO (LONGO)   ");
}

TEST_F(Construtor, ComponenteSemEnsaios) {
    amb.argumentos.codigo = "000456";
    MontarLaudo(Contexto(), kAgoraFixo);
    const auto linhas = amb.tela.relatorio;
    ASSERT_EQ(linhas.size(), 12u + 4);
    EXPECT_EQ(linhas[3], "| Produto...: LACTOSE MONOIDRATADA (LACTOSE MONOIDRATADA)" +
                             std::string(60, ' ') + " |");
    EXPECT_EQ(linhas[9], kRegua);
    EXPECT_EQ(linhas[10], "     ");
    EXPECT_EQ(Arquivo("Interfac03/LaudoLACTOSE MONOIDRATADA.txt"), kRegua + "\r\n");
    EXPECT_TRUE(amb.tela.relatorioVisivel);
}

TEST_F(Construtor, NomeAcentuadoEEspecificacaoLonga) {
    amb.argumentos.codigo = "000789";
    MontarLaudo(Contexto(), kAgoraFixo);
    const auto linhas = amb.tela.relatorio;
    // CARACTERISTICAS FISICAS comes before DOSEAMENTO; the specification of 147
    // characters takes four lines.
    ASSERT_EQ(linhas.size(), 10u + 2 + 1 + 4 + 1 + 2 + 4);
    EXPECT_EQ(linhas[3].substr(0, 46), "| Produto...: \xD3XIDO DE ZINCO (\xD3XIDO DE ZINCO) ");
    EXPECT_EQ(linhas[10], "| CARACTER\xCDSTICAS        | P\xD3 BRANCO, AMORFO, INODORO" +
                              std::string(23, ' ') + "|            |              |             |");
    EXPECT_EQ(linhas[11].substr(0, 27), "| F\xCDSICAS                | ");
    EXPECT_EQ(linhas[12], kRegua);
    EXPECT_EQ(
        linhas[13].substr(0, 77),
        "| DOSEAMENTO             | NO M\xCDNIMO 99,0% E NO M\xC1XIMO 100,5% DE ZnO, EM    |");
    // The share shows the name in UTF-8.
    EXPECT_TRUE(Existe("Interfac03/Laudo\xC3\x93XIDO DE ZINCO.txt"));
    const auto arquivo = Arquivo("Interfac03/Fichapes1.txt");
    std::string esperado;
    for (std::size_t i = 0; i + 4 < linhas.size(); ++i)
        esperado += linhas[i] + "\r\n";
    EXPECT_EQ(arquivo, esperado + "\r\n\r\n\r\n\r\n");
}

TEST_F(Construtor, CodigoComApostrofoENomeComCaracteresProibidos) {
    NovoComponente("T'1", "VITAMINA B12 1:1000");
    NovoComponente("T'2", "SAL \"A\"/B <C>");
    amb.argumentos.codigo = "T'1";
    MontarLaudo(Contexto(), kAgoraFixo);
    EXPECT_EQ(Arquivo("Interfac03/LaudoVITAMINA B12 1_1000.txt"), kRegua + "\r\n");
    ASSERT_TRUE(Existe("Interfac03/Fichapes1.txt"));
    EXPECT_EQ(amb.tela.relatorio[3].substr(0, 58),
              "| Produto...: VITAMINA B12 1:1000 (VITAMINA B12 1:1000)   ");
    EXPECT_EQ(amb.tela.relatorio[10].substr(0, 27), "| IDENTIFICACAO POR      | ");

    amb.argumentos.codigo = "T'2";
    MontarLaudo(Contexto(), kAgoraFixo);
    EXPECT_TRUE(Existe("Interfac03/LaudoSAL _A__B _C_.txt"));
    EXPECT_EQ(amb.tela.relatorio[3].substr(0, 46),
              "| Produto...: SAL \"A\"/B <C> (SAL \"A\"/B <C>)   ");
}

TEST_F(Construtor, PrepararEsvaziaFichaProDeTodasAsEstacoes) {
    interfac03->Executar("insert into FICHAPRO (ESTACAO, LINHA, TEXTO) values ('10', 9, 'X')");
    ASSERT_NE(teste::Consultar(*interfac03, "select count(*) as V from FICHAPRO"), "0");
    amb.tela.relatorio = {"antigo"};
    PrepararLaudo(Contexto(), kAgoraFixo);
    EXPECT_EQ(teste::Consultar(*interfac03, "select count(*) as V from FICHAPRO"), "0");
    EXPECT_TRUE(amb.tela.mensagens.empty());
    EXPECT_EQ(amb.tela.eventos.front(), "EsconderEdicoes");
    EXPECT_EQ(amb.tela.relatorio.size(), 18u + 4);
}

TEST_F(Construtor, FalhaAoEsvaziarFichaProAvisaESegue) {
    const std::string local = "SERVIDOR:C:\\magnolia\\Interfac77\\MAGNOLIA.BD";
    amb.dm.SQLConnection3.DefinirParametro("DataBase", local);
    PrepararLaudo(Contexto(), kAgoraFixo);
    ASSERT_EQ(amb.tela.mensagens.size(), 1u);
    EXPECT_EQ(amb.tela.mensagens[0].texto,
              "Erro tentando executar \"delete from fichapro\" em " + local);
    EXPECT_EQ(amb.tela.mensagens[0].tipo, TipoMensagem::Simples);
    EXPECT_TRUE(Existe("Interfac03/Fichapes1.txt"));
    EXPECT_TRUE(amb.tela.relatorioVisivel);
}

TEST_F(Construtor, PastaDaEstacaoAusenteInterrompeOLaudo) {
    amb.s.EstLocal = "77"; // no Interfac77 on the share
    EXPECT_THROW(MontarLaudo(Contexto(), kAgoraFixo), ErroEntradaSaida);
    // The diagnostic file comes first; the wait panel stays, no report screen.
    EXPECT_EQ(Arquivo("DiagOM.txt"), "Inicio do Tessela\r\n");
    EXPECT_TRUE(amb.tela.esperaVisivel);
    EXPECT_FALSE(amb.tela.relatorioVisivel);
}

} // namespace
} // namespace tessela
