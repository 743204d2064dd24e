#pragma once

// The Firebird client library, loaded at run time and used through its object API.
// Internal to the database layer: the rest of the program sees conexao.h only.

#include "database/conexao.h"

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
} // namespace Firebird

namespace tessela::firebird {

// Kinds of ErroBanco raised here.
inline constexpr const char* kErroConexao = "ErroConexao"; // library, attach, detach
inline constexpr const char* kErroSQL = "ErroSQL";         // statements, transactions
// An applied change that found no row, or more than one, to change.
inline constexpr const char* kErroAtualizacao = "ErroAtualizacao";

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
    // When set, a statement that changes any other number of rows undoes the whole
    // transaction and is an error.
    std::optional<std::uint64_t> linhasEsperadas;
};

// One attachment to a database. Every operation runs in its own read-committed
// transaction, committed before it returns.
class Anexo {
public:
    // Loads the client library at that path (the system's search when it has no '/')
    // and attaches. Throws ErroBanco (kErroConexao).
    Anexo(const std::string& biblioteca, const DadosConexao& dados);
    // Detaches; when that fails the handle is only released.
    ~Anexo();
    Anexo(const Anexo&) = delete;
    Anexo& operator=(const Anexo&) = delete;

    // Detaches, reporting a failure; the handle is gone either way.
    void Desanexar();

    // All rows of a query. Integers (of scale 0) come as decimal text; CHAR keeps its
    // blanks; other types come as the server's text for them; NULL is nullopt.
    Resultado Consultar(std::string_view sql, const std::vector<Valor>& valores);

    // The statements in one transaction; the number of rows each changed.
    std::vector<std::uint64_t> Executar(const std::vector<Comando>& comandos);

private:
    Firebird::IMaster* master_ = nullptr;
    Firebird::IUtil* util_ = nullptr;
    Firebird::IProvider* provedor_ = nullptr;
    Firebird::IAttachment* anexo_ = nullptr;
    unsigned dialeto_ = 3;
};

} // namespace tessela::firebird
