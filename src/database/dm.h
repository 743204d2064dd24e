#pragma once

// The data module: the three connections and the datasets of the program.

#include "common/sessao.h"
#include "database/conexao.h"
#include "settings/parametros.h"

#include <string>
#include <string_view>

namespace tessela {

class Tela;

// The statements of the program. Values go in the '?' markers, bound in order.
inline constexpr const char* kSqlEstacoes =
    "select ESTACAO, DATBASNAM, TIPO, ATCAIXA, ESVAZIAR, EMUSO, CAMINHOREQUISICAO, CAMINHOOM, "
    "CAMINHOECF, CAMINHOSEQUENCIAL1, CAMINHO2, ROTULO1, ROTULO2, ROTULO3, ROTULO4, ROTULO5, "
    "ROTULO6, USUARIO from ESTACOES order by ESTACAO";
// ? = the user name upper-cased (a to z only).
inline constexpr const char* kSqlEstacoesDoUsuario =
    "Select ESTACAO, DATBASNAM, TIPO, ATCAIXA, ESVAZIAR, EMUSO, CAMINHOREQUISICAO, CAMINHOOM, "
    "CAMINHOECF, CAMINHOSEQUENCIAL1, CAMINHO2, ROTULO1, ROTULO2, ROTULO3, ROTULO4, ROTULO5, "
    "ROTULO6, USUARIO from ESTACOES where upper(USUARIO) = ?";
inline constexpr const char* kSqlConfig =
    "select USARPRECOMOV, CORFUNDO, DIRETORIOPRINCIPAL, ULTIMONPEDIDO, ULTIMOCODCLIENTE, "
    "ULTIMONCUPOM, ECF, PORTASERIAL, ULTIMOCODIGO, ACESSAESTOQUEATUAL, DESCRICAOPM, "
    "CODTRIBUTPM, GAVETA, LOJA, FONTE, ESTILO, TAMANHO, COR, CAIXA, ULTIMOLOTE, FS_CODPESSOAS, "
    "FS_CODPRODUTOS, FS_CODPEDIDOS, FS_CODPEDIDOSIT, CODLIVRO from CONFIG";
// ? = the component code. It is bound as text of any length: a parameter compared
// with a column takes the column's size, and a longer code (from the command line, or
// a component code longer than ENSAIOS.CODIGOCOMP) would be an error instead of
// finding nothing.
inline constexpr const char* kSqlEnsaios =
    "select A.CODIGOCOMP, A.CODIGOESPEC, B.ENSAIO, B.ESPECIFICACAO from ENSAIOS A, "
    "ESPECIFICACOES B WHERE (A.CODIGOCOMP = cast(? as varchar(32765))) AND "
    "(A.CODIGOESPEC=B.CODIGOESPEC) ORDER BY B.ENSAIO";
inline constexpr const char* kSqlComponente =
    "Select CODIGO, COMPONENTE from componen where CODIGO = cast(? as varchar(32765))";
inline constexpr const char* kSqlEsvaziarFichaPro = "delete from fichapro";
// Run when the window closes; ? = the station, the first and the last order number.
inline constexpr const char* kSqlLimparCaixaPedidos =
    "Update PEDIDOS set CAIXAQ = '' where ESTACAO = ? and NPEDIDO >= ? and NPEDIDO <= ?";

// The client library the connections use unless CaminhoGDS.txt names a folder.
inline constexpr const char* kBibliotecaCliente = "libfbclient.so.2";

class TDM {
public:
    // The stored connections and datasets; nothing is connected yet. An end of the run
    // asked for through interrupcao cuts their calls short; a server that does not
    // answer an attach is given up on after Servidores' limit, once in the run.
    explicit TDM(Interrupcao* interrupcao = nullptr);

    // The end of the run given to the connections; none in a run that has none.
    Interrupcao* InterrupcaoDaExecucao() const { return interrupcao_; }

    ServidoresSilenciosos Servidores;

    TSQLConnection SQLConnection1; // Magnolia: interface database
    TSQLConnection SQLConnection2; // MagnDados: main database
    TSQLConnection SQLConnection3; // MagnDados: the station's database
    // MagnDados again, pointed where SQLConnection2 is: the station's row and its stamp
    // on an attachment of their own, so that the start's other reads on SQLConnection2
    // can run beside them.
    TSQLConnection SQLConnectionEstacao;

    TClientDataSet Estacoes; // ESTACOES on SQLConnectionEstacao, applied by key ESTACAO
    TClientDataSet Config;   // CONFIG
    TClientDataSet Ensaios;  // ENSAIOS joined with ESPECIFICACOES
    TSQLQuery SQLQuery1;     // the component, on SQLConnection2
    TSQLQuery SQLQuery2;     // on SQLConnection1, never used

    // Loading the module: connections 2 and 3 are stored as connected, so they connect
    // to their stored local location. Throws ErroBanco when either fails.
    void Carregar();

    // LerParametros, CaminhoGDS.txt, connections 2 (with SQLConnectionEstacao) and 1
    // re-pointed at the central server. A settings error or an unreadable CaminhoGDS.txt is shown
    // on the screen (TipoMensagem::Erro, the error's text) and skips the remaining steps. A missing
    // MAGNOLIA.INI propagates.
    void DataModuleCreate(TParametros& p, TSessao& s, Tela& tela, std::string_view pastaExecutavel,
                          char separadorDecimal);

private:
    Interrupcao* interrupcao_;
};

// The client library in the folder named by the first line of CaminhoGDS.txt: the
// folder with a separator ('\' or '/') added when it ends in neither, then
// kBibliotecaCliente.
std::string BibliotecaNaPasta(std::string_view pasta);

} // namespace tessela
