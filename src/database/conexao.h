#pragma once

// Database access over the Firebird client library, loaded at run time. A connection
// holds a stored parameter list and connects by itself at its first use; datasets
// fetch all their rows when opened.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "common/erros.h"

namespace tessela {

// A failed database operation: the server's (or client library's) message text, and
// the name of its kind as Classe().
class ErroBanco : public Erro {
public:
    ErroBanco(std::string classe, const std::string& texto) : Erro(std::move(classe), texto) {}
};

// A value bound to a '?' of a statement; monostate is NULL.
using Valor = std::variant<std::monostate, std::string, std::int64_t>;

using ListaParametros = std::vector<std::pair<std::string, std::string>>;

class TSQLConnection {
public:
    TSQLConnection(std::string nome, ListaParametros parametros);
    ~TSQLConnection();
    TSQLConnection(const TSQLConnection&) = delete;
    TSQLConnection& operator=(const TSQLConnection&) = delete;

    const std::string& Nome() const { return nome_; }

    // Parameter names match without regard to case; a missing one reads as "".
    std::string Parametro(std::string_view nome) const;
    // Replaces the entry of that name (whatever its case) or appends one.
    void DefinirParametro(std::string_view nome, std::string valor);
    const ListaParametros& Parametros() const { return parametros_; }

    // The client library file; default "libfbclient.so.2" from the system's search.
    // A library that cannot be loaded is an error at the next connection.
    void DefinirBibliotecaCliente(std::string caminho);
    const std::string& BibliotecaCliente() const { return biblioteca_; }

    void Conectar();    // no-op when connected
    void Desconectar(); // no-op when not connected; closes nothing the datasets hold
    bool Conectado() const;

    // Runs a statement that returns no rows, committed at once.
    void Executar(std::string_view sql, const std::vector<Valor>& valores = {});

    // Used by the datasets: opening counts up, closing counts down and the last close
    // disconnects.
    void DatasetAberto();
    void DatasetFechado();

    struct Implementacao;
    Implementacao& Impl();

private:
    std::string nome_;
    ListaParametros parametros_;
    std::string biblioteca_ = "libfbclient.so.2";
    int datasetsAbertos_ = 0;
    std::unique_ptr<Implementacao> impl_;
};

// A query whose rows are all fetched on open, the first row current.
class TSQLQuery {
public:
    explicit TSQLQuery(TSQLConnection& conexao);
    virtual ~TSQLQuery();

    std::string SQL;             // statement text with '?' markers
    std::vector<Valor> Valores;  // bound in order

    void Abrir();
    void Fechar(); // no-op when closed
    bool Ativo() const { return ativo_; }

    bool Fim() const; // true at once when there are no rows; true when closed
    void Proximo();

    // Fields of the current row by name, without regard to case. NULL reads as "" or
    // 0; CHAR values keep their trailing blanks; an unknown name is an ErroBanco.
    // Past the last row (or closed) every known field reads as NULL.
    std::string Texto(std::string_view campo) const;
    std::int64_t Inteiro(std::string_view campo) const;

protected:
    struct Coluna {
        std::string nome;
        bool texto = true;
    };
    using Linha = std::vector<std::optional<std::string>>;
    std::size_t IndiceDe(std::string_view campo) const;

    TSQLConnection& conexao_;
    bool ativo_ = false;
    std::vector<Coluna> colunas_;
    std::vector<Linha> linhas_;
    std::size_t atual_ = 0;
};

// A client dataset: a query held in memory whose current row can be edited and
// applied to its table. ChavesOuTodas says how the row is found when applying: by
// the key columns only, or by all its columns as they were read.
enum class ModoAtualizacao { SoChave, TodasColunas };

class TClientDataSet : public TSQLQuery {
public:
    TClientDataSet(TSQLConnection& conexao, std::string tabela, ModoAtualizacao modo,
                   std::vector<std::string> chaves = {});

    void Editar();
    void DefinirTexto(std::string_view campo, std::string valor);
    void Gravar();              // post: changes the row in memory
    void AplicarAtualizacoes(); // writes posted changes to the table, committed at once

private:
    std::string tabela_;
    ModoAtualizacao modo_;
    std::vector<std::string> chaves_;
    // posted changes: row index, original row, changed row
    struct Mudanca {
        std::size_t linha;
        Linha original;
    };
    std::vector<Mudanca> mudancas_;
    bool editando_ = false;
    Linha edicao_;
};

} // namespace tessela
