// Bad input through the real Firebird test server and the test share: user names and
// codes with apostrophes, semicolons and SQL words; database texts of the columns'
// maximum lengths and every byte value; an unreachable server; a share that is not
// mounted; a share that fills up while the report is written.

#include "common/erros.h"
#include "report/ambiente.h"
#include "report/arquivos.h"
#include "report/celula.h"
#include "report/laudo.h"
#include "startup/sequencia.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/statvfs.h>

namespace tessela {
namespace {

namespace fs = std::filesystem;
using teste::Consultar;
using teste::LinhaIni;

constexpr const char* kLargura = "LARGURA DA OM (QDE TRACOS).....................:";
constexpr const char* kMargem = "MARGEM ESQUERDA DO LAUDO.......................:";
constexpr const char* kCompartilhamento = "NOME DO COMPARTILHAMENTO DA PASTA MAGNOLIA.....:";
constexpr const char* kIp = "IP DO SERVIDOR CENTRAL.........................:";
const std::string kFimDoRelatorio =
    "Resultado:  (  )Aprovado  (  )Reprovado        Data: ____/____/_____    Assinatura "
    "responsavel: _______________________\r\n\r\n\r\n\r\n\r\n";

class EntradaRuim : public ::testing::Test {
protected:
    void SetUp() override {
        if (!amb.ComCompartilhamento())
            GTEST_SKIP() << "runs inside tests/support/com-compartilhamento.sh";
        amb.LimparCompartilhamento();
        dados = teste::ConexaoDeTeste("dados");
        interfac03 = teste::ConexaoDeTeste("interfac03");
        teste::RestaurarFichaPro(*interfac03);
        // Station 03 free, as a run that finds no station must leave it.
        dados->Executar("update ESTACOES set EMUSO = 'N', ATCAIXA = '' where ESTACAO = '03'");
        contagens = Contagens();
    }
    void TearDown() override {
        if (!dados)
            return;
        for (const auto& sql : limpeza)
            dados->Executar(sql);
        dados->Executar("update ESTACOES set EMUSO = 'N', ATCAIXA = '' where ESTACAO = '03'");
        teste::RestaurarFichaPro(*interfac03);
    }

    // Rows of every table the run reads: no input may change them.
    std::string Contagens() {
        std::string r;
        for (const char* tabela : {"ESTACOES", "CONFIG", "COMPONEN", "ENSAIOS", "ESPECIFICACOES"})
            r += Consultar(*dados, std::string("select count(*) as V from ") + tabela) + " ";
        return r;
    }

    // A run of the start-up sequence with these settings.
    void Rodar(std::vector<std::string> ini = {}) {
        if (ini.empty())
            ini = teste::IniDeTeste({LinhaIni(kLargura, "80"), LinhaIni(kMargem, "0")});
        amb.Carregar(ini);
        contexto = std::make_unique<ContextoExecucao>(
            ContextoExecucao{amb.p, amb.s, amb.dm, amb.tela, amb.argumentos});
        contexto->Relogio = [] { return teste::kAgoraFixo; };
        FormActivate(*contexto);
    }

    std::string Relatorio() {
        return teste::LerBytes(amb.NoCompartilhamento("Interfac03/Fichapes1.txt"));
    }
    bool HaRelatorio() { return fs::exists(amb.NoCompartilhamento("Interfac03/Fichapes1.txt")); }

    teste::Ambiente amb;
    std::unique_ptr<ContextoExecucao> contexto;
    std::unique_ptr<TSQLConnection> dados, interfac03;
    std::string contagens;
    std::vector<std::string> limpeza;
};

TEST_F(EntradaRuim, UsuarioComApostrofoPontoEVirgulaESql) {
    for (const std::string usuario :
         {"maria' OR '1'='1", "maria'; delete from ESTACOES; --", "' or 1=1 --",
          "maria\"; drop table ESTACOES", "select * from ESTACOES"}) {
        amb.tela = {};
        amb.argumentos.usuario = usuario;
        Rodar();
        // No station: the messages of a user without one name the user as typed, the
        // window closes, no report.
        ASSERT_FALSE(amb.tela.mensagens.empty()) << usuario;
        EXPECT_NE(amb.tela.mensagens[0].texto.find("\"" + usuario + "\""), std::string::npos)
            << amb.tela.mensagens[0].texto;
        EXPECT_TRUE(amb.tela.fechada) << usuario;
        EXPECT_FALSE(HaRelatorio()) << usuario;
        EXPECT_EQ(Consultar(*dados, "select EMUSO as V from ESTACOES where ESTACAO = '03'"), "N");
        EXPECT_EQ(Contagens(), contagens) << usuario;
    }
}

TEST_F(EntradaRuim, CodigoComApostrofoPontoEVirgulaESql) {
    for (const std::string codigo : {"000123' OR ''='", "000123'; delete from COMPONEN; --",
                                     "' or 1=1 --", "000123 union select 1,2 from rdb$database"}) {
        amb.tela = {};
        amb.argumentos.codigo = codigo;
        Rodar();
        // Not found: no report, no message.
        EXPECT_TRUE(amb.tela.mensagens.empty()) << codigo;
        EXPECT_FALSE(HaRelatorio()) << codigo;
        EXPECT_FALSE(amb.tela.relatorioVisivel) << codigo;
        EXPECT_EQ(Contagens(), contagens) << codigo;
    }
}

TEST_F(EntradaRuim, ComponenteCujoCodigoTemApostrofoEPontoEVirgula) {
    const std::string codigo = "X'1;--";
    limpeza = {"delete from COMPONEN where CODIGO = 'X''1;--'",
               "delete from ENSAIOS where CODIGOCOMP = 'X''1;--'",
               "delete from ESPECIFICACOES where CODIGOESPEC = 9001"};
    dados->Executar("insert into COMPONEN (CODIGO, COMPONENTE) values (?, ?)",
                    {codigo, std::string("O'NEIL; DROP TABLE COMPONEN")});
    dados->Executar("insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO) values "
                    "(9001, ?, ?)",
                    {std::string("TEOR'; --"), std::string("' OR 1=1; delete from ENSAIOS")});
    dados->Executar("insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values (?, 9001)", {codigo});
    amb.argumentos.codigo = codigo;
    Rodar();
    EXPECT_TRUE(amb.tela.mensagens.empty());
    const auto r = Relatorio();
    EXPECT_NE(r.find("| Produto...: O'NEIL; DROP TABLE COMPONEN (O'NEIL; DROP TABLE COMPONEN)"),
              std::string::npos)
        << r;
    EXPECT_NE(r.find("| " + AjustarCelula("TEOR'; --", kLarguraEnsaio) + " | " +
                     AjustarCelula("' OR 1=1; delete from ENSAIOS", kLarguraEspecificacao) + "|"),
              std::string::npos)
        << r;
    EXPECT_TRUE(r.ends_with(kFimDoRelatorio));
}

// Arguments far longer than any column. A code of 1 000 characters finds nothing. One
// longer than the longest text a statement can bind (32 765 bytes) is refused by the
// database layer with its reason, which reaches the general error handler (between
// about 2 000 bytes and that, the server refuses it as too long a key for CODIGO's
// index): no report, nothing changed. A user name of 100 000 characters is cut to 60
// and finds no station.
TEST_F(EntradaRuim, ArgumentosEnormes) {
    amb.argumentos.codigo = std::string(40000, '1');
    amb.argumentos.lote = std::string(100000, 'L');
    try {
        Rodar();
        FAIL() << "a code of 40 000 bytes cannot be bound";
    } catch (const ErroBanco& e) {
        EXPECT_STREQ(e.what(), "A bound text of 40000 bytes is longer than 32765");
    }
    EXPECT_FALSE(HaRelatorio());
    EXPECT_FALSE(amb.tela.relatorioVisivel);
    EXPECT_EQ(Contagens(), contagens);

    amb.tela = {};
    amb.argumentos.codigo = std::string(1000, '1'); // far longer than CODIGO: not found
    Rodar();
    EXPECT_TRUE(amb.tela.mensagens.empty());
    EXPECT_FALSE(HaRelatorio());

    amb.tela = {};
    amb.argumentos.usuario = std::string(100000, 'm');
    Rodar();
    ASSERT_FALSE(amb.tela.mensagens.empty());
    EXPECT_NE(amb.tela.mensagens[0].texto.find("\"" + std::string(60, 'm') + "\""),
              std::string::npos);
    EXPECT_FALSE(HaRelatorio());
}

// Texts of the columns' maximum lengths holding every byte the code page defines.
TEST_F(EntradaRuim, TextosDoBancoDeTamanhoMaximoETodosOsBytes) {
    std::string bytes;
    for (int b = 1; b < 256; ++b)
        if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) // undefined in 1252
            bytes += static_cast<char>(b);
    const auto repetir = [&](std::size_t n, std::size_t desde) {
        std::string t;
        for (std::size_t i = desde; t.size() < n; ++i)
            t += bytes[i % bytes.size()];
        return t;
    };
    const std::string codigo = "MAX1";
    limpeza = {"delete from COMPONEN where CODIGO = 'MAX1'",
               "delete from ENSAIOS where CODIGOCOMP = 'MAX1'",
               "delete from ESPECIFICACOES where CODIGOESPEC in (9101, 9102)"};
    const std::string produto = repetir(70, 40);
    dados->Executar("insert into COMPONEN (CODIGO, COMPONENTE) values (?, ?)", {codigo, produto});
    dados->Executar("insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO) values "
                    "(9101, ?, ?)",
                    {repetir(100, 0), repetir(250, 100)});
    dados->Executar("insert into ESPECIFICACOES (CODIGOESPEC, ENSAIO, ESPECIFICACAO) values "
                    "(9102, ?, ?)",
                    {std::string(100, 'W'), std::string(250, ' ')});
    dados->Executar("insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('MAX1', 9101)");
    dados->Executar("insert into ENSAIOS (CODIGOCOMP, CODIGOESPEC) values ('MAX1', 9102)");
    amb.argumentos.codigo = codigo;
    Rodar();
    EXPECT_TRUE(amb.tela.mensagens.empty());
    // The bytes came back unchanged: the file name and the report hold them.
    EXPECT_TRUE(fs::exists(
        amb.NoCompartilhamento("Interfac03/Laudo" + NomeArquivoProduto(produto) + ".txt")));
    const auto r = Relatorio();
    EXPECT_TRUE(r.ends_with(kFimDoRelatorio));
    // Every table row of the screen keeps 119 characters and its bars.
    const auto& linhas = amb.tela.relatorio;
    ASSERT_GT(linhas.size(), 16u);
    for (std::size_t i = 10; i + 7 < linhas.size(); ++i) {
        EXPECT_EQ(linhas[i].size(), kLarguraLaudo) << i;
        EXPECT_EQ(linhas[i].find_first_of("\r\n"), std::string::npos) << i;
        if (linhas[i] == kLinhaColunas)
            continue;
        for (std::size_t barra : {0u, 25u, 76u, 89u, 104u, 118u})
            EXPECT_EQ(linhas[i][barra], '|') << "line " << i << " column " << barra;
    }
}

TEST_F(EntradaRuim, ServidorInalcancavel) {
    // A closed port on this machine: the connection is refused at once. The window
    // colour is reported and skipped; the user's station cannot be found, and that
    // error goes to the general handler with the client library's text.
    amb.Carregar({LinhaIni(kIp, "127.0.0.1/1"), LinhaIni(kCompartilhamento, "MAGNOLIA")});
    ContextoExecucao c{amb.p, amb.s, amb.dm, amb.tela, amb.argumentos};
    c.Relogio = [] { return teste::kAgoraFixo; };
    try {
        FormActivate(c);
        FAIL() << "no server listens on 127.0.0.1/1";
    } catch (const ErroBanco& e) {
        EXPECT_EQ(e.Classe(), "ErroConexao");
        EXPECT_NE(std::string(e.what()).find("Unable to complete network request to host "
                                             "\"127.0.0.1\""),
                  std::string::npos)
            << e.what();
    }
    ASSERT_FALSE(amb.tela.mensagens.empty());
    EXPECT_TRUE(amb.tela.mensagens[0].texto.starts_with("Erro ao tentar abrir a tabela Config."))
        << amb.tela.mensagens[0].texto;
    EXPECT_FALSE(HaRelatorio());
    EXPECT_FALSE(amb.tela.relatorioVisivel);
}

TEST_F(EntradaRuim, CompartilhamentoNaoMontado) {
    // The interface folder cannot be reached: the sequence says so, naming the folder,
    // and closes the window; no report.
    Rodar(teste::IniDeTeste({LinhaIni(kCompartilhamento, "NAOMONTADO")}));
    ASSERT_EQ(amb.tela.mensagens.size(), 1u);
    EXPECT_NE(amb.tela.mensagens[0].texto.find("\\\\SERVIDOR\\NAOMONTADO\\Interfac03"),
              std::string::npos)
        << amb.tela.mensagens[0].texto;
    EXPECT_TRUE(amb.tela.fechada);
    EXPECT_FALSE(amb.tela.relatorioVisivel);
    EXPECT_TRUE(amb.tela.relatorio.empty());
}

// A share that fills up while Fichapes1.txt is written: the error says so, and what
// was written does not pass for a whole report.
TEST_F(EntradaRuim, CompartilhamentoCheioNoMeioDoRelatorio) {
    const fs::path raiz = amb.NoCompartilhamento("");
    struct statvfs v {};
    ASSERT_EQ(statvfs(raiz.c_str(), &v), 0);
    const auto livre = static_cast<std::uint64_t>(v.f_bavail) * v.f_frsize;
    {
        // Leave about 64 KiB: less than the report below.
        std::ofstream enchimento(raiz / "enchimento.bin", std::ios::binary);
        const std::string bloco(1 << 20, 'x');
        for (std::uint64_t escrito = 0; escrito + (64u << 10) < livre;) {
            const auto n = std::min<std::uint64_t>(bloco.size(), livre - (64u << 10) - escrito);
            enchimento.write(bloco.data(), static_cast<std::streamsize>(n));
            escrito += n;
        }
    }
    TParametros p;
    p.IPServidor = "SERVIDOR";
    p.PastaMagnolia = "MAGNOLIA";
    TSessao s;
    s.EstLocal = "03";
    EntradaLaudo e;
    e.TextoData = TextoDataLaudo(teste::kAgoraFixo);
    for (int i = 0; i < 3000; ++i)
        e.Ensaios.push_back({"ENSAIO " + std::to_string(i), std::string(200, 'E')});
    EXPECT_THROW(GravarLaudo(p, s, amb.tela, ComporLaudo(e), 1), ErroEntradaSaida);
    fs::remove(raiz / "enchimento.bin");
    if (HaRelatorio()) {
        EXPECT_FALSE(Relatorio().ends_with(kFimDoRelatorio)) << "a cut report looks whole";
    }
}

} // namespace
} // namespace tessela
