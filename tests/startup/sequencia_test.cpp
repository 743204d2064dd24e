// The whole start-up sequence against the test server and the test share.
#include "report/ambiente.h"
#include "startup/sequencia.h"

#include <gtest/gtest.h>

namespace tessela {
namespace {

namespace fs = std::filesystem;
using teste::Consultar;
using teste::LerBytes;
using teste::LinhaIni;

const char* const kLargura = "LARGURA DA OM (QDE TRACOS).....................:";
const char* const kMargem = "MARGEM ESQUERDA DO LAUDO.......................:";
const char* const kTipoUsuario = "TIPO DE USUARIO DO SISTEMA.....................:";
const char* const kCompartilhamento = "NOME DO COMPARTILHAMENTO DA PASTA MAGNOLIA.....:";

const std::string kRegua = "|------------------------|--------------------------------------------"
                           "------|------------|--------------|-------------|";
const std::string kCaixaDoExemplo = "  MAGNOLIA          Usu\xE1rio: \"maria\"   Esta\xE7\xE3o: 03";
const std::string kSemAreaDeTrabalho = "N\xE3o foi identificada uma \xE1rea de trabalho para o "
                                       "usu\xE1ro ";
constexpr std::int32_t kFace = static_cast<std::int32_t>(0xFF00000Fu);
constexpr std::int32_t kCorDoConfig = 15794175; // seed data

// The example's settings: a whole-number width and margin 0 give no margin.
std::vector<std::string> IniSemMargem() {
    return teste::IniDeTeste({LinhaIni(kLargura, "80"), LinhaIni(kMargem, "0")});
}

// One run of the program: its folder, records, data module, screen and context.
struct Execucao {
    void Rodar(const std::vector<std::string>& ini = IniSemMargem()) {
        amb.Carregar(ini);
        Ativar();
    }
    // An activation of the main window.
    void Ativar() {
        if (!contexto) {
            contexto = std::make_unique<ContextoExecucao>(
                ContextoExecucao{amb.p, amb.s, amb.dm, amb.tela, amb.argumentos});
            contexto->Relogio = [] { return teste::kAgoraFixo; };
        }
        FormActivate(*contexto);
    }

    teste::Ambiente amb;
    std::unique_ptr<ContextoExecucao> contexto;
};

class Sequencia : public ::testing::Test {
protected:
    void SetUp() override {
        if (!amb.ComCompartilhamento())
            GTEST_SKIP() << "runs inside tests/support/com-compartilhamento.sh";
        amb.LimparCompartilhamento();
        dados = teste::ConexaoDeTeste("dados");
        interfac03 = teste::ConexaoDeTeste("interfac03");
        teste::RestaurarFichaPro(*interfac03);
    }
    void TearDown() override {
        if (!dados)
            return;
        dados->Executar("update ESTACOES set EMUSO = 'N', ATCAIXA = '' where ESTACAO = '03'");
        for (const auto& estacao : criadas)
            dados->Executar("delete from ESTACOES where ESTACAO = ?", {estacao});
        teste::RestaurarFichaPro(*interfac03);
    }

    void Rodar(const std::vector<std::string>& ini = IniSemMargem()) { ex.Rodar(ini); }
    void Ativar() { ex.Ativar(); }

    std::string Arquivo(const std::string& relativo) {
        return LerBytes(amb.NoCompartilhamento(relativo));
    }
    bool Existe(const std::string& relativo) {
        return fs::exists(amb.NoCompartilhamento(relativo));
    }
    std::string Estacao(const std::string& coluna, const std::string& estacao = "03") {
        return Consultar(*dados, "select " + coluna + " as V from ESTACOES where ESTACAO = ?",
                         {estacao});
    }
    std::string LinhasFichaPro() {
        return Consultar(*interfac03, "select count(*) as V from FICHAPRO");
    }

    Execucao ex;
    teste::Ambiente& amb = ex.amb;
    std::unique_ptr<TSQLConnection> dados, interfac03;
    std::vector<std::string> criadas;
};

TEST_F(Sequencia, ExemploDoLaudoPorInteiro) {
    Rodar();
    const auto golden = LerBytes(std::string(TESSELA_GOLDEN_DIR) + "/exemplo.txt");

    // Report file: the 18 lines, four empty lines, CR LF, no byte-order mark.
    EXPECT_EQ(Arquivo("Interfac03/Fichapes1.txt"), golden + "\r\n\r\n\r\n\r\n");
    EXPECT_EQ(Arquivo("DiagOM.txt"), "Inicio do Tessela\r\n");
    EXPECT_EQ(Arquivo("Interfac03/LaudoACIDO ASCORBICO.txt"), kRegua + "\r\n");
    EXPECT_EQ(Arquivo("Interfac03/ULTATIV.LLF"), "08/12/26\r\n14:05:09\r\n");

    // RelPed: the same lines, then four lines of one blank, shown from the start.
    std::string naTela;
    for (const auto& l : amb.tela.relatorio)
        naTela += l + "\r\n";
    EXPECT_EQ(naTela, golden + " \r\n \r\n \r\n \r\n");

    // The station: stamped, its database for the work table, FICHAPRO emptied.
    EXPECT_EQ(Estacao("EMUSO"), "S");
    EXPECT_EQ(Estacao("ATCAIXA"), "Ultima atividade: 08/12/26 14:05:09");
    EXPECT_EQ(Estacao("EMUSO", "04"), "N");
    EXPECT_EQ(LinhasFichaPro(), "0");
    EXPECT_EQ(amb.dm.SQLConnection3.Parametro("DataBase"),
              "SERVIDOR:C:\\magnolia\\Interfac03\\MAGNOLIA.BD");
    EXPECT_EQ(amb.s.UsuarioSistema, "maria");
    EXPECT_EQ(amb.s.EstLocal, "03");
    EXPECT_EQ(amb.s.ImpressoraRelatorios, "PDF");
    EXPECT_EQ(amb.s.MargemLaudo, "");

    // The window.
    EXPECT_TRUE(amb.tela.mensagens.empty());
    EXPECT_EQ(amb.tela.titulo, kCaixaDoExemplo);
    EXPECT_EQ(amb.tela.cor, kCorDoConfig);
    EXPECT_EQ(amb.p.CorFundo, kCorDoConfig);
    EXPECT_EQ(amb.tela.textoEspera, "       Aguarde por favor...");
    EXPECT_FALSE(amb.tela.esperaVisivel);
    EXPECT_TRUE(amb.tela.relatorioVisivel);
    EXPECT_FALSE(amb.tela.fechada);
    EXPECT_EQ(amb.tela.eventos,
              (std::vector<std::string>{"DefinirCor", "TextoEspera", "MostrarEspera",
                                        "DefinirTitulo", "EsconderEdicoes", "LimparRelatorio",
                                        "MostrarEspera", "LimparRelatorio", "RelatorioAoInicio",
                                        "EsconderEspera", "MostrarRelatorio"}));
}

TEST_F(Sequencia, CorrePorUmaSoVez) {
    Rodar();
    const auto eventos = amb.tela.eventos;
    fs::remove(amb.NoCompartilhamento("Interfac03/ULTATIV.LLF"));
    dados->Executar("update ESTACOES set EMUSO = 'N' where ESTACAO = '03'");
    Ativar(); // the activation after a message box, for instance
    EXPECT_EQ(amb.tela.eventos, eventos);
    EXPECT_FALSE(Existe("Interfac03/ULTATIV.LLF"));
    EXPECT_EQ(Estacao("EMUSO"), "N");
}

TEST_F(Sequencia, PastaDoProgramaLinFichaELog) {
    const auto& pasta = amb.programa.Caminho();
    teste::EscreverBytes(pasta / "LinFicha.db", "modelo");
    Rodar();
    // No folder dados: nothing copied, nothing said.
    EXPECT_FALSE(fs::exists(pasta / "dados"));
    EXPECT_TRUE(fs::is_directory(pasta / "LOG"));
    EXPECT_TRUE(amb.tela.mensagens.empty());

    Execucao outra;
    const auto& outraPasta = outra.amb.programa.Caminho();
    fs::create_directory(outraPasta / "dados");
    fs::create_directory(outraPasta / "LOG"); // an existing LOG is fine
    teste::EscreverBytes(outraPasta / "LinFicha.db", "modelo");
    outra.Rodar();
    EXPECT_EQ(LerBytes(outraPasta / "dados/LinFicha.db"), "modelo");
    EXPECT_TRUE(outra.amb.tela.mensagens.empty());
}

TEST_F(Sequencia, LinFichaExistenteNaoETocada) {
    const auto& pasta = amb.programa.Caminho();
    fs::create_directory(pasta / "dados");
    teste::EscreverBytes(pasta / "dados/LinFicha.db", "local");
    teste::EscreverBytes(pasta / "LinFicha.db", "modelo");
    Rodar();
    EXPECT_EQ(LerBytes(pasta / "dados/LinFicha.db"), "local");
}

TEST_F(Sequencia, MargemEmCadaLinhaDoRelatorio) {
    Rodar(teste::IniDeTeste()); // no width setting: two blanks
    EXPECT_EQ(amb.s.MargemLaudo, "  ");
    const auto golden = LerBytes(std::string(TESSELA_GOLDEN_DIR) + "/exemplo.txt");
    std::string esperado;
    for (std::size_t i = 0; i < golden.size(); i = golden.find("\r\n", i) + 2)
        esperado += "  " + golden.substr(i, golden.find("\r\n", i) + 2 - i);
    EXPECT_EQ(Arquivo("Interfac03/Fichapes1.txt"), esperado + "\r\n\r\n\r\n\r\n");
    EXPECT_EQ(Arquivo("Interfac03/LaudoACIDO ASCORBICO.txt"), kRegua + "\r\n");
    ASSERT_EQ(amb.tela.relatorio.size(), 22u);
    EXPECT_EQ(amb.tela.relatorio[0], std::string(7, ' '));
    EXPECT_EQ(amb.tela.relatorio[21], " ");
}

TEST_F(Sequencia, MargemDaConfiguracao) {
    Rodar(teste::IniDeTeste({LinhaIni(kLargura, "-1"), LinhaIni(kMargem, "500")}));
    EXPECT_EQ(amb.s.MargemLaudo, std::string(120, ' '));
    EXPECT_EQ(amb.tela.relatorio[1], std::string(120, ' ') + std::string(119, '-'));
}

// The settings reach the sequence: the preset margin of five blanks when the file has a
// width and no margin, and the caption of an industry's user.
TEST_F(Sequencia, PredefinicaoDaMargemETituloDaIndustria) {
    Rodar(teste::IniDeTeste({LinhaIni(kLargura, "30"), LinhaIni(kTipoUsuario, "industria")}));
    EXPECT_EQ(amb.tela.relatorio[1], std::string(5, ' ') + std::string(119, '-'));
    EXPECT_EQ(amb.tela.titulo,
              "  KOR IND\xDASTRIA         Usu\xE1rio: \"maria\"   Esta\xE7\xE3o: 03");
}

TEST_F(Sequencia, UsuarioEmMaiusculasEncontraAEstacao) {
    amb.argumentos.usuario = "MARIA";
    Rodar();
    EXPECT_EQ(amb.tela.titulo, "  MAGNOLIA          Usu\xE1rio: \"MARIA\"   Esta\xE7\xE3o: 03");
    EXPECT_EQ(Estacao("EMUSO"), "S");
}

TEST_F(Sequencia, UsuarioNaoEncontrado) {
    amb.argumentos.usuario = "Ninguem";
    Rodar();
    ASSERT_EQ(amb.tela.mensagens.size(), 2u);
    EXPECT_EQ(amb.tela.mensagens[0].texto,
              "N\xE3o foi poss\xEDvel selecionar uma \xE1rea de trabalho para o usu\xE1rio "
              "\"Ninguem\". \r\rCausas prov\xE1veis: \r\r  1) Na tabela \"Estacoes.db\" n\xE3o foi "
              "inclu\xED"
              "da uma esta\xE7\xE3o para o usu\xE1rio \"Ninguem\".\r     Obs: Criar tamb\xE9m a "
              "\xE1rea de trabalho f\xEDsica (pasta C:\\Magnolia\\InterfacXX) para este "
              "usu\xE1rio.\r  --> Favor contactar o suporte t\xE9"
              "cnico da KOR SISTEMAS <--");
    EXPECT_EQ(amb.tela.mensagens[1].texto, kSemAreaDeTrabalho + "NINGUEM");
    EXPECT_EQ(amb.tela.mensagens[1].tipo, TipoMensagem::Simples);
    EXPECT_TRUE(amb.tela.fechada);
    EXPECT_EQ(amb.tela.titulo, "");
    EXPECT_EQ(amb.s.EstLocal, "");
    EXPECT_EQ(amb.dm.SQLConnection3.Parametro("DataBase"),
              "127.0.0.1:C:\\MAGNOLIA\\DADOS\\MAGNOLIA.BD");
    EXPECT_FALSE(Existe("Interfac03/ULTATIV.LLF"));
    EXPECT_FALSE(Existe("DiagOM.txt"));
    EXPECT_EQ(LinhasFichaPro(), "3");
}

TEST_F(Sequencia, UsuarioComBrancoNoFimNaoCoincide) {
    dados->Executar("insert into ESTACOES (ESTACAO, DATBASNAM, EMUSO, USUARIO) values "
                    "('08', 'X', 'N', 'TESTE8 ')");
    criadas.push_back("08");
    amb.argumentos.usuario = "teste8";
    Rodar();
    ASSERT_EQ(amb.tela.mensagens.size(), 2u);
    EXPECT_EQ(amb.tela.mensagens[1].texto, kSemAreaDeTrabalho + "TESTE8");
    EXPECT_EQ(Estacao("EMUSO", "08"), "N");
}

TEST_F(Sequencia, UsuarioVazio) {
    amb.argumentos.usuario = "";
    Rodar();
    ASSERT_EQ(amb.tela.mensagens.size(), 1u);
    EXPECT_EQ(amb.tela.mensagens[0].texto, kSemAreaDeTrabalho);
    EXPECT_TRUE(amb.tela.fechada);
}

TEST_F(Sequencia, UsuarioCortadoEm60) {
    const std::string longo(70, 'u');
    amb.argumentos.usuario = longo;
    Rodar();
    ASSERT_EQ(amb.tela.mensagens.size(), 2u);
    EXPECT_EQ(amb.s.UsuarioSistema, longo.substr(0, 60));
    EXPECT_EQ(amb.tela.mensagens[1].texto, kSemAreaDeTrabalho + std::string(60, 'U'));
}

TEST_F(Sequencia, EstacaoSemBancoNaoEIdentificadaMasECarimbada) {
    dados->Executar("insert into ESTACOES (ESTACAO, DATBASNAM, EMUSO, CAMINHOSEQUENCIAL1, "
                    "USUARIO) values ('109', '', 'N', 'HP', 'teste9')");
    criadas.push_back("109");
    amb.argumentos.usuario = "teste9";
    Rodar();
    ASSERT_EQ(amb.tela.mensagens.size(), 1u);
    EXPECT_EQ(amb.tela.mensagens[0].texto, kSemAreaDeTrabalho + "TESTE9");
    EXPECT_EQ(Estacao("ATCAIXA", "109"), "Ultima atividade: 08/12/26 14:05:09");
    EXPECT_EQ(amb.s.EstLocal, "10");
    EXPECT_EQ(amb.s.ImpressoraRelatorios, "HP");
    EXPECT_EQ(amb.dm.SQLConnection3.Parametro("DataBase"),
              "SERVIDOR:C:\\magnolia\\Interfac10\\MAGNOLIA.BD");
    EXPECT_TRUE(amb.tela.fechada);
}

// A name with an apostrophe is data: it finds and stamps its station. Station 07 has
// no database on the test server, so emptying FICHAPRO fails and the report goes on.
TEST_F(Sequencia, UsuarioComApostrofo) {
    dados->Executar(
        "insert into ESTACOES (ESTACAO, DATBASNAM, EMUSO, CAMINHOSEQUENCIAL1, "
        "USUARIO) values ('07', 'C:\\magnolia\\Interfac07\\MAGNOLIA.BD', 'N', 'PDF', ?)",
        {std::string("d'avila")});
    criadas.push_back("07");
    fs::create_directory(amb.NoCompartilhamento("Interfac07"));
    amb.argumentos.usuario = "D'Avila";
    Rodar();
    EXPECT_EQ(amb.tela.titulo, "  MAGNOLIA          Usu\xE1rio: \"D'Avila\"   Esta\xE7\xE3o: 07");
    EXPECT_EQ(Estacao("EMUSO", "07"), "S");
    EXPECT_EQ(Arquivo("Interfac07/ULTATIV.LLF"), "08/12/26\r\n14:05:09\r\n");
    ASSERT_EQ(amb.tela.mensagens.size(), 1u);
    EXPECT_EQ(amb.tela.mensagens[0].texto, "Erro tentando executar \"delete from fichapro\" em "
                                           "SERVIDOR:C:\\magnolia\\Interfac07\\MAGNOLIA.BD");
    EXPECT_TRUE(Existe("Interfac07/Fichapes1.txt"));
    EXPECT_EQ(LinhasFichaPro(), "3"); // station 03's database untouched
    fs::remove_all(amb.NoCompartilhamento("Interfac07"));
}

TEST_F(Sequencia, UltativNaoGravavelFechaESemLaudo) {
    fs::remove_all(amb.NoCompartilhamento("Interfac03"));
    Rodar();
    ASSERT_EQ(amb.tela.mensagens.size(), 1u);
    EXPECT_EQ(amb.tela.mensagens[0].texto,
              "Erro: Talvez a pasta MAGNOLIA n\xE3o esteja compartilhada.\r"
              "N\xE3o foi poss\xEDvel acessar a pasta \\\\SERVIDOR\\MAGNOLIA\\Interfac03\r"
              "que seria formado com \\\\+IPServidor+\\+PastaMagnolia+\\Interfac+EstLocal");
    EXPECT_EQ(amb.tela.mensagens[0].tipo, TipoMensagem::Simples);
    EXPECT_TRUE(amb.tela.fechada);
    EXPECT_EQ(amb.tela.titulo, kCaixaDoExemplo);
    // No report on a share that could not be written.
    EXPECT_FALSE(Existe("DiagOM.txt"));
    EXPECT_EQ(LinhasFichaPro(), "3");
    EXPECT_TRUE(amb.tela.relatorio.empty());
    EXPECT_EQ(amb.tela.eventos.back(), "FecharJanela");
}

TEST_F(Sequencia, UltativSemNomeDoCompartilhamento) {
    auto ini = IniSemMargem();
    std::erase_if(ini, [](const std::string& l) { return l.starts_with(kCompartilhamento); });
    Rodar(ini);
    ASSERT_EQ(amb.tela.mensagens.size(), 1u);
    EXPECT_EQ(amb.tela.mensagens[0].texto, "Verifique, em MAGNOLIA.INI, o par\xE2metro \r"
                                           "\"NOME DO COMPARTILHAMENTO DA PASTA MAGNOLIA.....:\" \r"
                                           "que n\xE3o existe ou est\xE1 em branco");
    EXPECT_TRUE(amb.tela.fechada);
    EXPECT_FALSE(amb.tela.relatorioVisivel);
}

TEST_F(Sequencia, CorDaJanelaSemValorNoConfig) {
    for (const char* sql : {"select CORFUNDO from CONFIG where 1 = 0",
                            "select cast(null as integer) as CORFUNDO from CONFIG",
                            "select 0 as CORFUNDO from CONFIG"}) {
        Execucao s;
        s.amb.Carregar(IniSemMargem());
        s.amb.dm.Config.SQL = sql;
        s.Ativar();
        EXPECT_EQ(s.amb.tela.cor, kFace) << sql;
        EXPECT_TRUE(s.amb.tela.mensagens.empty()) << sql;
        EXPECT_FALSE(s.amb.dm.Config.Ativo());
    }
}

TEST_F(Sequencia, ConfigIlegivelAvisaESegue) {
    amb.Carregar(IniSemMargem());
    amb.dm.Config.SQL = "select CORFUNDO from CONFIG_INEXISTENTE";
    Ativar();
    ASSERT_EQ(amb.tela.mensagens.size(), 1u);
    const auto& texto = amb.tela.mensagens[0].texto;
    EXPECT_TRUE(texto.starts_with("Erro ao tentar abrir a tabela Config.\rClasse: ErroSQL\rErro: "))
        << texto;
    EXPECT_NE(texto.find("CONFIG_INEXISTENTE"), std::string::npos) << texto;
    EXPECT_EQ(amb.tela.cor, kFace);
    EXPECT_TRUE(Existe("Interfac03/Fichapes1.txt"));
}

// The central server takes the connection and never answers, from its first byte: the
// Config box comes after one wait and names the server in its last line, and the station
// fails at once, with the same error, to the general handler; nothing is written.
TEST_F(Sequencia, ServidorCentralMudoCustaUmaEspera) {
    teste::ServidorMudo mudo;
    amb.dm.Servidores.DefinirLimite(std::chrono::milliseconds(1000));
    amb.Carregar(IniSemMargem());
    for (TSQLConnection* c : {&amb.dm.SQLConnection2, &amb.dm.SQLConnectionEstacao})
        c->DefinirParametro("DataBase", "127.0.0.1/" + mudo.Porta() + ":dados");
    const std::string erro =
        "O servidor 127.0.0.1 (127.0.0.1:" + mudo.Porta() + ") n\xE3o responde.";
    const auto inicio = std::chrono::steady_clock::now();
    try {
        Ativar();
        ADD_FAILURE() << "the station was read from a silent server";
    } catch (const ErroBanco& e) {
        EXPECT_EQ(e.Classe(), "ErroConexao");
        EXPECT_EQ(std::string(e.what()), erro);
    }
    // One limit and no second one (a bound that tells them apart, not a measure).
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::milliseconds(1900));
    ASSERT_EQ(amb.tela.mensagens.size(), 1u);
    EXPECT_EQ(amb.tela.mensagens[0].texto,
              "Erro ao tentar abrir a tabela Config.\rClasse: ErroConexao\rErro: " + erro);
    EXPECT_EQ(amb.tela.cor, kFace);
    EXPECT_FALSE(Existe("Interfac03/ULTATIV.LLF"));
    EXPECT_FALSE(Existe("DiagOM.txt"));
}

} // namespace
} // namespace tessela
