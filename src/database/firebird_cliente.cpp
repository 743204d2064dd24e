#include "database/firebird_cliente.h"

#include "database/firebird_interrupcao.h"
#include "database/firebird_mensagens.h"

#include <dlfcn.h>
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

// Read committed, waiting on locks. Reads use a read-only transaction: Firebird
// commits such a transaction as it starts ("precommitted"), so keeping it open holds
// no lock and keeps no record version from garbage collection.
const unsigned char kTpbEscrita[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                                     isc_tpb_rec_version, isc_tpb_wait};
const unsigned char kTpbLeitura[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed,
                                     isc_tpb_rec_version, isc_tpb_wait};

// commit and rollback free the object only when they succeed; otherwise it is
// released. Either way the pointer is left empty.
void Confirmar(ITransaction*& t, ThrowStatusWrapper* st) {
    ITransaction* aberta = std::exchange(t, nullptr);
    try {
        aberta->commit(st);
    } catch (...) {
        aberta->release();
        throw;
    }
}

void Desfazer(IMaster* master, ITransaction*& t) noexcept {
    if (!t)
        return;
    ITransaction* aberta = std::exchange(t, nullptr);
    StatusSilencioso st(master);
    aberta->rollback(st());
    if (st.Falhou())
        aberta->release();
}

// The transaction of one change: rolled back unless confirmed.
class Transacao {
public:
    Transacao(IMaster* master, ITransaction* t) : master_(master), t_(t) {}
    ~Transacao() { Desfazer(master_, t_); }
    Transacao(const Transacao&) = delete;
    Transacao& operator=(const Transacao&) = delete;
    ITransaction* get() const { return t_; }
    void Confirmar(ThrowStatusWrapper* st) { firebird::Confirmar(t_, st); }

private:
    IMaster* master_;
    ITransaction* t_;
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

} // namespace

Anexo::Anexo(const std::string& biblioteca, const DadosConexao& dados, const Esperas& esperas)
    : master_(CarregarMaster(biblioteca)), util_(master_->getUtilInterface()),
      dialeto_(static_cast<unsigned>(dados.dialeto)), interrupcao_(esperas.interrupcao) {
    std::vector<unsigned char> dpb;
    Status st(master_);
    try {
        IXpbBuilder* construtor = util_->getXpbBuilder(st(), IXpbBuilder::DPB, nullptr, 0);
        struct Descartar {
            IXpbBuilder* p;
            ~Descartar() { p->dispose(); }
        } descartar{construtor};
        construtor->insertString(st(), isc_dpb_user_name, dados.usuario.c_str());
        construtor->insertString(st(), isc_dpb_password, dados.senha.c_str());
        if (!dados.papel.empty())
            construtor->insertString(st(), isc_dpb_sql_role_name, dados.papel.c_str());
        construtor->insertInt(st(), isc_dpb_sql_dialect, dados.dialeto);
        if (!dados.conjuntoCaracteres.empty())
            construtor->insertString(st(), isc_dpb_lc_ctype, dados.conjuntoCaracteres.c_str());
        const unsigned char* bytes = construtor->getBuffer(st());
        dpb.assign(bytes, bytes + construtor->getBufferLength(st()));
    } catch (const FbException& e) {
        throw ErroBanco(kErroConexao, TextoDoErro(util_, e.getStatus()));
    }
    provedor_ = master_->getDispatcher();
    try {
        anexo_ = Anexar(esperas, master_, provedor_, dados.local, std::move(dpb));
    } catch (...) {
        provedor_->release();
        throw;
    }
}

Anexo::~Anexo() {
    {
        ChamadaAoServidor chamada(interrupcao_, master_, anexo_);
        Desfazer(master_, etapa_);
        Desfazer(master_, leitura_);
    }
    if (!anexo_)
        return;
    try {
        DesanexarAParte(interrupcao_, master_, provedor_, anexo_);
    } catch (const ErroInterrompido&) {
        // a clean-up reports nothing; the detach ends by itself
    }
}

ITransaction* Anexo::Iniciar(ThrowStatusWrapper* st, bool escrita) {
    return escrita ? anexo_->startTransaction(st, sizeof kTpbEscrita, kTpbEscrita)
                   : anexo_->startTransaction(st, sizeof kTpbLeitura, kTpbLeitura);
}

ITransaction* Anexo::ParaAlterar(ThrowStatusWrapper* st) {
    // The step's reads are committed with the change that follows them.
    if (etapa_)
        return std::exchange(etapa_, nullptr);
    return Iniciar(st, true);
}

void Anexo::Desanexar() {
    if (!anexo_)
        return;
    std::string erro;
    bool cortada = false;
    {
        ChamadaAoServidor chamada(interrupcao_, master_, anexo_);
        erro = ConfirmarTudo();
        cortada = chamada.Cortada();
    }
    const std::string erroAoDesanexar = DesanexarAParte(
        interrupcao_, master_, std::exchange(provedor_, nullptr), std::exchange(anexo_, nullptr));
    if (cortada)
        FalharInterrompida();
    if (erro.empty())
        erro = erroAoDesanexar;
    if (!erro.empty())
        throw ErroBanco(kErroConexao, erro);
}

std::string Anexo::ConfirmarTudo() {
    std::string erro;
    Status st(master_);
    // Detaching needs every transaction ended; what they read is all they hold.
    for (ITransaction** t : {&etapa_, &leitura_}) {
        try {
            if (*t)
                Confirmar(*t, st());
        } catch (const FbException& e) {
            if (erro.empty())
                erro = TextoDoErro(util_, e.getStatus());
        }
    }
    return erro;
}

void Anexo::ConcluirEtapa() {
    if (!etapa_)
        return;
    ChamadaAoServidor chamada(interrupcao_, master_, anexo_);
    Status st(master_);
    try {
        Confirmar(etapa_, st());
    } catch (const FbException& e) {
        chamada.Falhar(util_, e.getStatus(), kErroSQL);
    }
}

void Anexo::AbrirEtapa() {
    if (etapa_)
        return;
    ChamadaAoServidor chamada(interrupcao_, master_, anexo_);
    Status st(master_);
    try {
        etapa_ = Iniciar(st(), true);
    } catch (const FbException& e) {
        chamada.Falhar(util_, e.getStatus(), kErroSQL);
    }
}

void Anexo::AbandonarEtapa() noexcept {
    if (!etapa_)
        return;
    ChamadaAoServidor chamada(interrupcao_, master_, anexo_);
    Desfazer(master_, etapa_);
}

Resultado Anexo::Consultar(std::string_view sql, const std::vector<Valor>& valores) {
    return Ler(sql, valores, leitura_, false);
}

Resultado Anexo::ConsultarNaEtapa(std::string_view sql, const std::vector<Valor>& valores) {
    return Ler(sql, valores, etapa_, true);
}

Resultado Anexo::Ler(std::string_view sql, const std::vector<Valor>& valores, ITransaction*& aberta,
                     bool escrita) {
    ChamadaAoServidor chamada(interrupcao_, master_, anexo_);
    Status st(master_);
    try {
        if (!aberta)
            aberta = Iniciar(st(), escrita);
        ITransaction* transacao = aberta;
        Declaracao declaracao(
            master_, anexo_->prepare(st(), transacao, static_cast<unsigned>(sql.size()), sql.data(),
                                     dialeto_, IStatement::PREPARE_PREFETCH_METADATA));
        Mensagem entrada = MontarEntrada(master_, st(), valores);
        Saida saida = MontarSaida(st(), declaracao.operator->());
        Resultado r;
        {
            Cursor cursor(master_,
                          declaracao->openCursor(st(), transacao, entrada.meta.get(),
                                                 entrada.Buffer(), saida.mensagem.meta.get(), 0));
            while (cursor->fetchNext(st(), saida.mensagem.Buffer()) == IStatus::RESULT_OK)
                r.linhas.push_back(saida.Ler());
            cursor.Fechar(st());
        }
        declaracao.Liberar(st());
        r.colunas = std::move(saida.colunas);
        return r;
    } catch (const FbException& e) {
        chamada.Falhar(util_, e.getStatus(), kErroSQL);
    }
}

void Anexo::AplicarAlteracoes(const std::vector<Comando>& comandos) {
    ChamadaAoServidor chamada(interrupcao_, master_, anexo_);
    Status st(master_);
    try {
        Transacao transacao(master_, ParaAlterar(st()));
        for (const Comando& c : comandos) {
            Declaracao declaracao(master_, anexo_->prepare(st(), transacao.get(),
                                                           static_cast<unsigned>(c.sql.size()),
                                                           c.sql.data(), dialeto_, 0));
            Mensagem entrada = MontarEntrada(master_, st(), c.valores);
            declaracao->execute(st(), transacao.get(), entrada.meta.get(), entrada.Buffer(),
                                nullptr, nullptr);
            const std::uint64_t linhas = declaracao->getAffectedRecords(st());
            declaracao.Liberar(st());
            if (linhas != 1) {
                // The transaction rolls back as it goes out of scope.
                throw ErroBanco(kErroAtualizacao,
                                linhas == 0 ? std::string(kRegistroNaoEncontrado)
                                            : "The update would change " + std::to_string(linhas) +
                                                  " rows instead of 1; nothing was changed");
            }
        }
        transacao.Confirmar(st());
    } catch (const FbException& e) {
        chamada.Falhar(util_, e.getStatus(), kErroSQL);
    }
}

void Anexo::Executar(std::string_view sql, const std::vector<Valor>& valores) {
    ChamadaAoServidor chamada(interrupcao_, master_, anexo_);
    Status st(master_);
    try {
        Transacao transacao(master_, ParaAlterar(st()));
        Mensagem entrada = MontarEntrada(master_, st(), valores);
        // Prepared, executed and released by the server in one request.
        anexo_->execute(st(), transacao.get(), static_cast<unsigned>(sql.size()), sql.data(),
                        dialeto_, entrada.meta.get(), entrada.Buffer(), nullptr, nullptr);
        transacao.Confirmar(st());
    } catch (const FbException& e) {
        chamada.Falhar(util_, e.getStatus(), kErroSQL);
    }
}

} // namespace tessela::firebird
