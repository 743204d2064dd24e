#include "database/firebird_cliente.h"

#include <cstring>
#include <dlfcn.h>
#include <firebird/Interface.h>
#include <utility>

namespace tessela::firebird {

namespace {

using Firebird::CheckStatusWrapper;
using Firebird::FbException;
using Firebird::IMaster;
using Firebird::IMessageMetadata;
using Firebird::IMetadataBuilder;
using Firebird::IResultSet;
using Firebird::IStatement;
using Firebird::IStatus;
using Firebird::ITransaction;
using Firebird::IUtil;
using Firebird::IXpbBuilder;
using Firebird::ThrowStatusWrapper;

constexpr unsigned kCharsetWin1252 = 53;
constexpr unsigned kMaiorVarchar = 32765;
// Room for any number, date or time the server writes as text.
constexpr unsigned kTextoConvertido = 64;

const char* const kRegistroNaoEncontrado = "Record not found or changed by another user";

IMaster* CarregarMaster(const std::string& biblioteca) {
    // Never unloaded: the library keeps threads and exit handlers of its own. dlopen
    // hands out the same handle for a file already loaded, so each file loads once.
    dlerror();
    void* modulo = dlopen(biblioteca.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!modulo) {
        const char* motivo = dlerror();
        throw ErroBanco(kErroConexao, "Unable to load the client library " + biblioteca + ": " +
                                          (motivo ? motivo : "unknown reason"));
    }
    using Entrada = IMaster* (*)();
    auto entrada = reinterpret_cast<Entrada>(dlsym(modulo, "fb_get_master_interface"));
    IMaster* master = entrada ? entrada() : nullptr;
    if (!master)
        throw ErroBanco(kErroConexao,
                        biblioteca +
                            " is not a Firebird client library (no fb_get_master_interface)");
    return master;
}

std::string TextoDoErro(IUtil* util, IStatus* status) {
    char texto[4096] = {};
    util->formatStatus(texto, sizeof texto, status);
    return std::string(texto, strnlen(texto, sizeof texto));
}

// A status for one operation, thrown as FbException on errors.
class Status {
public:
    explicit Status(IMaster* master) : wrapper_(master->getStatus()) {}
    ~Status() { wrapper_.dispose(); }
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;
    ThrowStatusWrapper* operator()() { return &wrapper_; }

private:
    ThrowStatusWrapper wrapper_;
};

// A status that never throws, for the clean-up in destructors.
class StatusSilencioso {
public:
    explicit StatusSilencioso(IMaster* master) : wrapper_(master->getStatus()) {}
    ~StatusSilencioso() { wrapper_.dispose(); }
    StatusSilencioso(const StatusSilencioso&) = delete;
    StatusSilencioso& operator=(const StatusSilencioso&) = delete;
    CheckStatusWrapper* operator()() { return &wrapper_; }
    bool Falhou() const { return (wrapper_.getState() & IStatus::STATE_ERRORS) != 0; }

private:
    CheckStatusWrapper wrapper_;
};

// Reference-counted objects (metadata, builders): released when done.
template <typename T> class Referencia {
public:
    explicit Referencia(T* p = nullptr) : p_(p) {}
    ~Referencia() {
        if (p_)
            p_->release();
    }
    Referencia(const Referencia&) = delete;
    Referencia& operator=(const Referencia&) = delete;
    Referencia(Referencia&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    Referencia& operator=(Referencia&& o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }

private:
    T* p_;
};

// A transaction that rolls back unless confirmed. commit and rollback free the
// object only when they succeed; otherwise it is released.
class Transacao {
public:
    Transacao(IMaster* master, Firebird::IAttachment* anexo, ThrowStatusWrapper* st)
        : master_(master) {
        static const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                                            isc_tpb_rec_version, isc_tpb_wait};
        t_ = anexo->startTransaction(st, sizeof tpb, tpb);
    }
    ~Transacao() {
        if (!t_)
            return;
        StatusSilencioso st(master_);
        t_->rollback(st());
        if (st.Falhou())
            t_->release();
    }
    Transacao(const Transacao&) = delete;
    Transacao& operator=(const Transacao&) = delete;
    ITransaction* get() const { return t_; }
    void Confirmar(ThrowStatusWrapper* st) {
        t_->commit(st);
        t_ = nullptr;
    }

private:
    IMaster* master_;
    ITransaction* t_ = nullptr;
};

class Declaracao {
public:
    Declaracao(IMaster* master, IStatement* s) : master_(master), s_(s) {}
    ~Declaracao() {
        if (!s_)
            return;
        StatusSilencioso st(master_);
        s_->free(st());
        if (st.Falhou())
            s_->release();
    }
    Declaracao(const Declaracao&) = delete;
    Declaracao& operator=(const Declaracao&) = delete;
    IStatement* operator->() const { return s_; }
    void Liberar(ThrowStatusWrapper* st) {
        s_->free(st);
        s_ = nullptr;
    }

private:
    IMaster* master_;
    IStatement* s_;
};

class Cursor {
public:
    Cursor(IMaster* master, IResultSet* r) : master_(master), r_(r) {}
    ~Cursor() {
        if (!r_)
            return;
        StatusSilencioso st(master_);
        r_->close(st());
        if (st.Falhou())
            r_->release();
    }
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;
    IResultSet* operator->() const { return r_; }
    void Fechar(ThrowStatusWrapper* st) {
        r_->close(st);
        r_ = nullptr;
    }

private:
    IMaster* master_;
    IResultSet* r_;
};

// A message buffer with its layout.
struct Mensagem {
    Referencia<IMessageMetadata> meta;
    std::vector<unsigned char> dados;
    unsigned char* Buffer() { return dados.empty() ? nullptr : dados.data(); }
};

void DefinirNulo(unsigned char* buffer, unsigned deslocamento, bool nulo) {
    const ISC_SHORT indicador = nulo ? -1 : 0;
    std::memcpy(buffer + deslocamento, &indicador, sizeof indicador);
}

// Our own input layout: texts as VARCHAR in WIN1252 (a CHAR described by the server
// would be padded with blanks), integers as BIGINT, every value nullable.
Mensagem MontarEntrada(IMaster* master, ThrowStatusWrapper* st, const std::vector<Valor>& valores) {
    Mensagem m;
    if (valores.empty())
        return m;
    const auto n = static_cast<unsigned>(valores.size());
    Referencia<IMetadataBuilder> construtor(master->getMetadataBuilder(st, n));
    for (unsigned i = 0; i < n; ++i) {
        if (std::holds_alternative<std::int64_t>(valores[i])) {
            construtor->setType(st, i, SQL_INT64 + 1);
            construtor->setLength(st, i, sizeof(ISC_INT64));
            construtor->setScale(st, i, 0);
            continue;
        }
        const auto* texto = std::get_if<std::string>(&valores[i]);
        const std::size_t tamanho = texto ? texto->size() : 0;
        if (tamanho > kMaiorVarchar)
            throw ErroBanco(kErroSQL, "A bound text of " + std::to_string(tamanho) +
                                          " bytes is longer than " + std::to_string(kMaiorVarchar));
        construtor->setType(st, i, SQL_VARYING + 1);
        construtor->setLength(st, i, tamanho == 0 ? 1 : static_cast<unsigned>(tamanho));
        construtor->setCharSet(st, i, kCharsetWin1252);
    }
    m.meta = Referencia<IMessageMetadata>(construtor->getMetadata(st));
    m.dados.assign(m.meta->getMessageLength(st), 0);
    for (unsigned i = 0; i < n; ++i) {
        unsigned char* base = m.dados.data();
        const unsigned deslocamento = m.meta->getOffset(st, i);
        DefinirNulo(base, m.meta->getNullOffset(st, i),
                    std::holds_alternative<std::monostate>(valores[i]));
        if (const auto* inteiro = std::get_if<std::int64_t>(&valores[i])) {
            const ISC_INT64 v = *inteiro;
            std::memcpy(base + deslocamento, &v, sizeof v);
        } else if (const auto* texto = std::get_if<std::string>(&valores[i])) {
            const auto tamanho = static_cast<ISC_USHORT>(texto->size());
            std::memcpy(base + deslocamento, &tamanho, sizeof tamanho);
            std::memcpy(base + deslocamento + sizeof tamanho, texto->data(), texto->size());
        }
    }
    return m;
}

struct Saida {
    Mensagem mensagem;
    struct Campo {
        unsigned tipo;
        unsigned tamanho;
        unsigned deslocamento;
        unsigned deslocamentoNulo;
    };
    std::vector<Campo> campos;
    std::vector<ColunaLida> colunas;

    LinhaLida Ler() const {
        const unsigned char* base = mensagem.dados.data();
        LinhaLida linha;
        linha.reserve(campos.size());
        for (const Campo& c : campos) {
            ISC_SHORT nulo = 0;
            std::memcpy(&nulo, base + c.deslocamentoNulo, sizeof nulo);
            if (nulo) {
                linha.emplace_back();
                continue;
            }
            const unsigned char* p = base + c.deslocamento;
            if (c.tipo == SQL_INT64) {
                ISC_INT64 v = 0;
                std::memcpy(&v, p, sizeof v);
                linha.emplace_back(std::to_string(v));
            } else if (c.tipo == SQL_TEXT) {
                linha.emplace_back(std::string(reinterpret_cast<const char*>(p), c.tamanho));
            } else {
                ISC_USHORT tamanho = 0;
                std::memcpy(&tamanho, p, sizeof tamanho);
                linha.emplace_back(
                    std::string(reinterpret_cast<const char*>(p + sizeof tamanho), tamanho));
            }
        }
        return linha;
    }
};

// The output layout: CHAR and VARCHAR as they are, whole numbers as BIGINT, anything
// else converted by the server to text.
Saida MontarSaida(ThrowStatusWrapper* st, IStatement* declaracao) {
    Saida s;
    Referencia<IMessageMetadata> descrita(declaracao->getOutputMetadata(st));
    const unsigned n = descrita->getCount(st);
    if (n == 0)
        throw ErroBanco(kErroSQL, "Cursor not returned from Query");
    Referencia<IMetadataBuilder> construtor(descrita->getBuilder(st));
    for (unsigned i = 0; i < n; ++i) {
        ColunaLida coluna;
        coluna.nome = descrita->getAlias(st, i);
        if (coluna.nome.empty())
            coluna.nome = descrita->getField(st, i);
        if (*descrita->getRelation(st, i) != '\0')
            coluna.campo = descrita->getField(st, i);
        const unsigned tipo = descrita->getType(st, i) & ~1u;
        const bool inteiro = (tipo == SQL_SHORT || tipo == SQL_LONG || tipo == SQL_INT64) &&
                             descrita->getScale(st, i) == 0;
        if (inteiro) {
            construtor->setType(st, i, SQL_INT64 + 1);
            construtor->setLength(st, i, sizeof(ISC_INT64));
            coluna.inteiro = true;
        } else if (tipo == SQL_TEXT || tipo == SQL_VARYING) {
            construtor->setType(st, i, tipo + 1);
        } else {
            construtor->setType(st, i, SQL_VARYING + 1);
            construtor->setScale(st, i, 0);
            construtor->setLength(st, i, tipo == SQL_BLOB ? kMaiorVarchar : kTextoConvertido);
        }
        s.colunas.push_back(std::move(coluna));
    }
    s.mensagem.meta = Referencia<IMessageMetadata>(construtor->getMetadata(st));
    s.mensagem.dados.assign(s.mensagem.meta->getMessageLength(st), 0);
    for (unsigned i = 0; i < n; ++i) {
        s.campos.push_back({s.mensagem.meta->getType(st, i) & ~1u,
                            s.mensagem.meta->getLength(st, i), s.mensagem.meta->getOffset(st, i),
                            s.mensagem.meta->getNullOffset(st, i)});
    }
    return s;
}

} // namespace

Anexo::Anexo(const std::string& biblioteca, const DadosConexao& dados)
    : master_(CarregarMaster(biblioteca)), util_(master_->getUtilInterface()),
      dialeto_(static_cast<unsigned>(dados.dialeto)) {
    Status st(master_);
    try {
        IXpbBuilder* dpb = util_->getXpbBuilder(st(), IXpbBuilder::DPB, nullptr, 0);
        struct Descartar {
            IXpbBuilder* p;
            ~Descartar() { p->dispose(); }
        } descartar{dpb};
        dpb->insertString(st(), isc_dpb_user_name, dados.usuario.c_str());
        dpb->insertString(st(), isc_dpb_password, dados.senha.c_str());
        if (!dados.papel.empty())
            dpb->insertString(st(), isc_dpb_sql_role_name, dados.papel.c_str());
        dpb->insertInt(st(), isc_dpb_sql_dialect, dados.dialeto);
        if (!dados.conjuntoCaracteres.empty())
            dpb->insertString(st(), isc_dpb_lc_ctype, dados.conjuntoCaracteres.c_str());
        provedor_ = master_->getDispatcher();
        anexo_ = provedor_->attachDatabase(st(), dados.local.c_str(), dpb->getBufferLength(st()),
                                           dpb->getBuffer(st()));
    } catch (const FbException& e) {
        if (provedor_)
            provedor_->release();
        throw ErroBanco(kErroConexao, TextoDoErro(util_, e.getStatus()));
    }
}

Anexo::~Anexo() {
    if (anexo_) {
        StatusSilencioso st(master_);
        anexo_->detach(st());
        if (st.Falhou())
            anexo_->release();
    }
    if (provedor_)
        provedor_->release();
}

void Anexo::Desanexar() {
    if (!anexo_)
        return;
    Status st(master_);
    std::string erro;
    try {
        anexo_->detach(st());
    } catch (const FbException& e) {
        erro = TextoDoErro(util_, e.getStatus());
        anexo_->release();
    }
    anexo_ = nullptr;
    provedor_->release();
    provedor_ = nullptr;
    if (!erro.empty())
        throw ErroBanco(kErroConexao, erro);
}

Resultado Anexo::Consultar(std::string_view sql, const std::vector<Valor>& valores) {
    Status st(master_);
    try {
        Transacao transacao(master_, anexo_, st());
        Declaracao declaracao(
            master_, anexo_->prepare(st(), transacao.get(), static_cast<unsigned>(sql.size()),
                                     sql.data(), dialeto_, IStatement::PREPARE_PREFETCH_METADATA));
        Mensagem entrada = MontarEntrada(master_, st(), valores);
        Saida saida = MontarSaida(st(), declaracao.operator->());
        Resultado r;
        {
            Cursor cursor(master_,
                          declaracao->openCursor(st(), transacao.get(), entrada.meta.get(),
                                                 entrada.Buffer(), saida.mensagem.meta.get(), 0));
            while (cursor->fetchNext(st(), saida.mensagem.Buffer()) == IStatus::RESULT_OK)
                r.linhas.push_back(saida.Ler());
            cursor.Fechar(st());
        }
        declaracao.Liberar(st());
        transacao.Confirmar(st());
        r.colunas = std::move(saida.colunas);
        return r;
    } catch (const FbException& e) {
        throw ErroBanco(kErroSQL, TextoDoErro(util_, e.getStatus()));
    }
}

std::vector<std::uint64_t> Anexo::Executar(const std::vector<Comando>& comandos) {
    Status st(master_);
    try {
        Transacao transacao(master_, anexo_, st());
        std::vector<std::uint64_t> contagens;
        for (const Comando& c : comandos) {
            Declaracao declaracao(master_, anexo_->prepare(st(), transacao.get(),
                                                           static_cast<unsigned>(c.sql.size()),
                                                           c.sql.data(), dialeto_, 0));
            Mensagem entrada = MontarEntrada(master_, st(), c.valores);
            declaracao->execute(st(), transacao.get(), entrada.meta.get(), entrada.Buffer(),
                                nullptr, nullptr);
            const std::uint64_t linhas = declaracao->getAffectedRecords(st());
            declaracao.Liberar(st());
            if (c.linhasEsperadas && linhas != *c.linhasEsperadas) {
                // The transaction rolls back as it goes out of scope.
                throw ErroBanco(kErroAtualizacao,
                                linhas == 0
                                    ? std::string(kRegistroNaoEncontrado)
                                    : "The update would change " + std::to_string(linhas) +
                                          " rows instead of " + std::to_string(*c.linhasEsperadas) +
                                          "; nothing was changed");
            }
            contagens.push_back(linhas);
        }
        transacao.Confirmar(st());
        return contagens;
    } catch (const FbException& e) {
        throw ErroBanco(kErroSQL, TextoDoErro(util_, e.getStatus()));
    }
}

} // namespace tessela::firebird
