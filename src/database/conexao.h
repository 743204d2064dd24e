#pragma once

// Database access over the Firebird client library, loaded at run time. A connection
// holds a stored parameter list and connects by itself at its first use; datasets
// fetch all their rows when opened.

#include "common/erros.h"
#include "common/interrupcao.h"
#include "database/servidores.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace tessela {

// A failed database operation: the server's (or client library's) message text, and
// the name of its kind as Classe(): "ErroConexao" (the client library cannot be
// loaded, attaching or detaching fails), "ErroSQL" (a statement or its transaction
// fails), "ErroAtualizacao" (an applied change finds no row, or more than one, to
// change) or "ErroBanco" (the dataset is used wrongly: an unknown field, editing
// without a current row).
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
    // Replaces the entry of that name (whatever its case), which then takes the name
    // as given, or appends one.
    void DefinirParametro(std::string_view nome, std::string valor);
    const ListaParametros& Parametros() const { return parametros_; }

    // The client library file; default "libfbclient.so.2" from the system's search.
    // A library that cannot be loaded is an error at the next connection.
    void DefinirBibliotecaCliente(std::string caminho);
    const std::string& BibliotecaCliente() const { return biblioteca_; }

    // The run's end, which cuts every call of this connection short (ErroInterrompido);
    // none by default. Changed only while no call of the connection is in progress; an
    // attachment already made takes it for its later calls.
    void DefinirInterrupcao(Interrupcao* interrupcao);
    // The run's record of servers that did not answer: an attach to one gives up after
    // its limit, naming the server, and never waits for it again (ErroBanco); none by
    // default, when the attach waits as long as the client library does.
    void DefinirServidores(ServidoresSilenciosos* servidores) { servidores_ = servidores; }

    void Conectar();    // no-op when connected
    void Desconectar(); // no-op when not connected; closes nothing the datasets hold
    bool Conectado() const;

    // Runs a statement that returns no rows, committed at once, in one request to the
    // server.
    void Executar(std::string_view sql, const std::vector<Valor>& valores = {});

    // A step that reads and then changes what it read (TEtapaDeAlteracao).
    void IniciarEtapa();
    void ConcluirEtapa();
    void AbandonarEtapa() noexcept;
    // In a step: connects when needed and starts the step's transaction at once, so that
    // a change that has to wait for its turn takes one round trip less when it comes.
    void AbrirEtapa();

    // Used by the datasets: opening counts up, closing counts down and the last close
    // disconnects.
    void DatasetAberto();
    void DatasetFechado();

private:
    friend class TSQLQuery;
    friend class TClientDataSet;
    struct Implementacao;
    Implementacao& Impl();
    void DesconectarEmSilencio() noexcept;

    std::string nome_;
    ListaParametros parametros_;
    std::string biblioteca_ = "libfbclient.so.2";
    int datasetsAbertos_ = 0;
    bool emEtapa_ = false;
    Interrupcao* interrupcao_ = nullptr;
    ServidoresSilenciosos* servidores_ = nullptr;
    std::unique_ptr<Implementacao> impl_;
};

// A step that reads rows and then changes them, such as the station's stamp: on its
// connection, the step's reads and its change share one read-write transaction, which
// the change commits at once, as every change is. Concluir commits what the reads left
// open when no change followed; a step left without Concluir (an error) rolls it back.
// Outside a step, reads share the connection's read-only transaction.
class TEtapaDeAlteracao {
public:
    explicit TEtapaDeAlteracao(TSQLConnection& conexao) : conexao_(conexao) {
        conexao_.IniciarEtapa();
    }
    ~TEtapaDeAlteracao() {
        if (!concluida_)
            conexao_.AbandonarEtapa();
    }
    TEtapaDeAlteracao(const TEtapaDeAlteracao&) = delete;
    TEtapaDeAlteracao& operator=(const TEtapaDeAlteracao&) = delete;
    void Concluir() {
        concluida_ = true;
        conexao_.ConcluirEtapa();
    }

private:
    TSQLConnection& conexao_;
    bool concluida_ = false;
};

// A query whose rows are all fetched on open, the first row current.
class TSQLQuery {
public:
    explicit TSQLQuery(TSQLConnection& conexao);
    virtual ~TSQLQuery();

    std::string SQL;            // statement text with '?' markers
    std::vector<Valor> Valores; // bound in order

    // Connects the connection when needed and fetches every row. A no-op when open.
    void Abrir();
    void Fechar(); // no-op when closed
    bool Ativo() const { return ativo_; }

    bool Fim() const; // true at once when there are no rows; true when closed
    void Proximo();

    // Fields of the current row by name, without regard to case. NULL reads as "" or
    // 0; CHAR values keep their trailing blanks; an unknown name is an ErroBanco.
    // Past the last row every known field reads as NULL; a closed dataset has no
    // fields and reads NULL for any name. Inteiro of a text that is no whole number
    // is an ErroConversao.
    std::string Texto(std::string_view campo) const;
    std::int64_t Inteiro(std::string_view campo) const;

protected:
    struct Coluna {
        std::string nome;  // as the query names it
        std::string campo; // the table's column; empty for an expression
        bool inteiro = false;
    };
    using Linha = std::vector<std::optional<std::string>>;
    std::size_t IndiceDe(std::string_view campo) const;
    // The row fields are read from; null past the last row.
    virtual const Linha* LinhaCorrente() const;
    // Drops what the dataset holds beyond its rows when it closes.
    virtual void AoFechar() {}
    // Before the current row moves.
    virtual void AntesDeMover() {}

    TSQLConnection& conexao_;
    bool ativo_ = false;
    std::vector<Coluna> colunas_;
    std::vector<Linha> linhas_;
    std::size_t atual_ = 0;
};

// A client dataset: a query held in memory whose current row can be edited and
// applied to its table. ModoAtualizacao says how the row is found when applying: by
// the key columns only, or by all its columns as they were read.
enum class ModoAtualizacao { SoChave, TodasColunas };

class TClientDataSet : public TSQLQuery {
public:
    TClientDataSet(TSQLConnection& conexao, std::string tabela, ModoAtualizacao modo,
                   std::vector<std::string> chaves = {});

    // Edits the current row; an ErroBanco when closed or past the last row.
    void Editar();
    // Sets a field of the row being edited; an integer field takes a whole number or
    // the empty text (NULL).
    void DefinirTexto(std::string_view campo, std::string valor);
    void Gravar(); // post: changes the row in memory
    // Writes posted changes to the table, all in one transaction committed at once: an
    // UPDATE of the changed columns of each row, found by its key columns or by all
    // its columns as read. A change that finds no row, or more than one, undoes them
    // all (ErroAtualizacao) and stays pending.
    void AplicarAtualizacoes();
    std::size_t MudancasPendentes() const { return mudancas_.size(); }

protected:
    const Linha* LinhaCorrente() const override;
    void AoFechar() override;
    void AntesDeMover() override { Gravar(); } // moving posts the edit

private:
    std::string MontarAtualizacao(const Linha& original, const Linha& atual,
                                  std::vector<Valor>& valores) const;
    Valor ValorDe(std::size_t coluna, const std::optional<std::string>& texto) const;

    std::string tabela_;
    ModoAtualizacao modo_;
    std::vector<std::string> chaves_;
    // posted changes: the row and its values as read; the new values are in linhas_
    struct Mudanca {
        std::size_t linha;
        Linha original;
    };
    std::vector<Mudanca> mudancas_;
    bool editando_ = false;
    Linha edicao_;
};

} // namespace tessela
