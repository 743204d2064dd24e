#include "database/dm.h"

#include "common/arquivo_texto.h"
#include "common/compartilhamento.h"
#include "common/tela.h"
#include "common/texto.h"
#include "settings/leitor.h"

namespace tessela {

namespace {

// The parameters stored with every connection, in their stored order; the driver's
// own entries are kept as data even where Firebird has no use for them.
ListaParametros ParametrosArmazenados(std::string local, std::string conjuntoCaracteres) {
    return {
        {"DriverName", "Interbase"},
        {"Database", std::move(local)},
        {"RoleName", "RoleName"},
        {"User_Name", "sysdba"},
        {"Password", "tealcobra"},
        {"ServerCharSet", std::move(conjuntoCaracteres)},
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

const char* const kLocalInterface = "c:\\magnolia\\dados\\magnolia.bd";
const char* const kLocalDados = "127.0.0.1:C:\\MAGNOLIA\\DADOS\\MAGNOLIA.BD";
constexpr std::size_t kMaximoCaminhoGds = 100;

// The first line of CaminhoGDS.txt, at most 100 characters, as it is; empty when the
// file is missing or empty. Throws when it exists but cannot be read.
std::string PastaDaBiblioteca(const TParametros& p) {
    const std::string arquivo =
        RaizDoCompartilhamento(p.IPServidor, p.PastaMagnolia) + "\\CaminhoGDS.txt";
    if (!ArquivoExiste(arquivo))
        return {};
    const std::vector<std::string> linhas = LerLinhasTexto(arquivo);
    return linhas.empty() ? std::string() : Cortar(linhas.front(), kMaximoCaminhoGds);
}

// The folder of CaminhoGDS.txt on this machine: one on a share (\\host\share\...)
// through the mount table, like every other share path; a local one as it is. On a share
// that is not mounted the text stays as it is: as with any wrong folder, loading the
// library then fails at the connection's first use, naming it.
std::string PastaNestaMaquina(const std::string& pasta) {
    try {
        return CaminhoLocal(pasta).string();
    } catch (const ErroEntradaSaida&) {
        return pasta;
    }
}

} // namespace

std::string BibliotecaNaPasta(std::string_view pasta) {
    std::string caminho(pasta);
    if (!caminho.empty() && caminho.back() != '\\' && caminho.back() != '/')
        caminho += '/';
    return caminho + kBibliotecaCliente;
}

TDM::TDM(Interrupcao* interrupcao)
    : SQLConnection1("Magnolia", ParametrosArmazenados(kLocalInterface, "")),
      SQLConnection2("MagnDados", ParametrosArmazenados(kLocalDados, "win1252")),
      SQLConnection3("MagnDados", ParametrosArmazenados(kLocalDados, "win1252")),
      SQLConnectionEstacao("MagnDados", ParametrosArmazenados(kLocalDados, "win1252")),
      Estacoes(SQLConnectionEstacao, "ESTACOES", ModoAtualizacao::SoChave, {"ESTACAO"}),
      Config(SQLConnection2, "CONFIG", ModoAtualizacao::TodasColunas),
      Ensaios(SQLConnection2, "ENSAIOS", ModoAtualizacao::TodasColunas), SQLQuery1(SQLConnection2),
      SQLQuery2(SQLConnection1), interrupcao_(interrupcao) {
    for (TSQLConnection* c :
         {&SQLConnection1, &SQLConnection2, &SQLConnection3, &SQLConnectionEstacao}) {
        c->DefinirInterrupcao(interrupcao);
        c->DefinirServidores(&Servidores);
    }
    Estacoes.SQL = kSqlEstacoes;
    Config.SQL = kSqlConfig;
    // The stored query, for a sample code; the report sets its own code.
    Ensaios.SQL = kSqlEnsaios;
    Ensaios.Valores = {std::string("000001")};
    SQLQuery1.SQL = kSqlComponente;
}

void TDM::Carregar() {
    SQLConnection2.Conectar();
    SQLConnection3.Conectar();
}

void TDM::DataModuleCreate(TParametros& p, TSessao& s, Tela& tela, std::string_view pastaExecutavel,
                           char separadorDecimal) {
    std::string pasta;
    try {
        LerParametros(p, s, pastaExecutavel, separadorDecimal);
        pasta = PastaDaBiblioteca(p);
    } catch (const ErroMagnoliaIniAusente&) {
        throw;
    } catch (const Erro& e) {
        tela.Mensagem(e.what(), TipoMensagem::Erro);
        return;
    }
    if (!pasta.empty()) {
        const std::string biblioteca = BibliotecaNaPasta(PastaNestaMaquina(pasta));
        SQLConnection1.DefinirBibliotecaCliente(biblioteca);
        SQLConnection2.DefinirBibliotecaCliente(biblioteca);
        SQLConnectionEstacao.DefinirBibliotecaCliente(biblioteca);
    }
    SQLConnection2.Desconectar();
    SQLConnection2.DefinirParametro("DataBase",
                                    p.IPServidor + ":C:\\magnolia\\dados\\" + p.NomeBancoCentral);
    SQLConnectionEstacao.DefinirParametro("DataBase", SQLConnection2.Parametro("DataBase"));
    SQLConnection1.Desconectar();
    SQLConnection1.DefinirParametro("DataBase", p.IPServidor + ":C:\\magnolia\\interfac\\" +
                                                    p.NomeBancoCentral);
}

} // namespace tessela
