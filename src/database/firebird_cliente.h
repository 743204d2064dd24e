#pragma once

// The Firebird client library, loaded at run time and used through its object API.
// Internal to the database layer: the rest of the program sees conexao.h only.

#include "common/interrupcao.h"
#include "database/conexao.h"
#include "database/servidores.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Firebird {
class IMaster;
class IUtil;
class IProvider;
class IAttachment;
class ITransaction;
class ThrowStatusWrapper;
} // namespace Firebird

namespace tessela::firebird {

// Kinds of ErroBanco raised here.
inline constexpr const char* kErroConexao = "ErroConexao"; // library, attach, detach
inline constexpr const char* kErroSQL = "ErroSQL";         // statements, transactions
// An applied change that found no row, or more than one, to change.
inline constexpr const char* kErroAtualizacao = "ErroAtualizacao";

// What a call to the server may stop waiting for: the end of the run, and a server that
// does not answer (neither: the call waits as long as the client library does).
struct Esperas {
    Interrupcao* interrupcao = nullptr;
    ServidoresSilenciosos* servidores = nullptr;
};

struct DadosConexao {
    std::string local; // "host:path"
    std::string usuario;
    std::string senha;
    std::string papel;
    std::string conjuntoCaracteres; // lc_ctype; empty for none
    int dialeto = 3;
};

struct ColunaLida {
    std::string nome;  // the column's alias, as the query names it
    std::string campo; // the table's column; empty for an expression
    bool inteiro = false;
};

using LinhaLida = std::vector<std::optional<std::string>>;

struct Resultado {
    std::vector<ColunaLida> colunas;
    std::vector<LinhaLida> linhas;
};

struct Comando {
    std::string sql;
    std::vector<Valor> valores;
};

// One attachment to a database. Reads run in the attachment's read-only read-committed
// transaction, started by the first of them and committed when the attachment detaches:
// each read after the first saves the start and the commit of a transaction of its own,
// two round trips to the server, and holding it costs the server nothing (see
// kTpbLeitura). A change runs in a read-write read-committed transaction committed
// before it returns. The reads of a step run in a read-write transaction that the
// step's change then commits with them.
class Anexo {
public:
    // Loads the client library at that path (the system's search when it has no '/')
    // and attaches. Throws ErroBanco (kErroConexao), also when the server does not
    // answer the attach (esperas.servidores). Every call to the server, the attach
    // included, is cut short by an end of the run asked for through esperas.interrupcao
    // (none: nothing is cut) and then throws ErroInterrompido.
    Anexo(const std::string& biblioteca, const DadosConexao& dados, const Esperas& esperas);
    // Rolls back what is open and detaches; when that fails the handle is only released.
    ~Anexo();
    Anexo(const Anexo&) = delete;
    Anexo& operator=(const Anexo&) = delete;

    // Commits what is open and detaches, reporting a failure; the handle is gone either
    // way.
    void Desanexar();

    // What cuts the calls from now on; only while none is in progress.
    void DefinirInterrupcao(Interrupcao* interrupcao) { interrupcao_ = interrupcao; }

    // The end of a step that reads rows and then changes them: ConcluirEtapa commits what
    // its reads left open (nothing when a change followed them), AbandonarEtapa rolls it
    // back.
    void ConcluirEtapa();
    void AbandonarEtapa() noexcept;
    // Starts the step's transaction now, ahead of its first use, when there is a wait to
    // fill before it.
    void AbrirEtapa();

    // All rows of a query, read in the attachment's read-only transaction. Integers (of
    // scale 0) come as decimal text; CHAR keeps its blanks; other types come as the
    // server's text for them; NULL is nullopt.
    Resultado Consultar(std::string_view sql, const std::vector<Valor>& valores);
    // The same, read in the transaction of a step, which its change commits.
    Resultado ConsultarNaEtapa(std::string_view sql, const std::vector<Valor>& valores);

    // The changes of a dataset: the statements in one transaction, committed at once,
    // each one required to change exactly one row; any other count undoes them all and
    // is an error.
    void AplicarAlteracoes(const std::vector<Comando>& comandos);

    // One statement, committed at once, in a single request to the server.
    void Executar(std::string_view sql, const std::vector<Valor>& valores);

private:
    Firebird::ITransaction* Iniciar(Firebird::ThrowStatusWrapper* st, bool escrita);
    // Commits what is open; the first error's text, empty when none.
    std::string ConfirmarTudo();
    Firebird::ITransaction* ParaAlterar(Firebird::ThrowStatusWrapper* st);
    // Runs the query in that transaction, which it starts when there is none yet.
    Resultado Ler(std::string_view sql, const std::vector<Valor>& valores,
                  Firebird::ITransaction*& transacao, bool escrita);

    Firebird::IMaster* master_ = nullptr;
    Firebird::IUtil* util_ = nullptr;
    Firebird::IProvider* provedor_ = nullptr;
    Firebird::IAttachment* anexo_ = nullptr;
    Firebird::ITransaction* leitura_ = nullptr; // the reads' read-only transaction
    Firebird::ITransaction* etapa_ = nullptr;   // a step's read-write one, until its change
    unsigned dialeto_ = 3;
    Interrupcao* interrupcao_ = nullptr;
};

} // namespace tessela::firebird
