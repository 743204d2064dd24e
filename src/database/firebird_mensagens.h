#pragma once

// Internal to the database layer: the status and reference wrappers of the Firebird
// object API, and the message buffers of statements with their layouts.

#include "database/firebird_cliente.h"

#include <firebird/Interface.h>
#include <string>
#include <utility>
#include <vector>

namespace tessela::firebird {

// A status for one operation, thrown as FbException on errors.
class Status {
public:
    explicit Status(Firebird::IMaster* master) : wrapper_(master->getStatus()) {}
    ~Status() { wrapper_.dispose(); }
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;
    Firebird::ThrowStatusWrapper* operator()() { return &wrapper_; }

private:
    Firebird::ThrowStatusWrapper wrapper_;
};

// A status that never throws, for the clean-up in destructors.
class StatusSilencioso {
public:
    explicit StatusSilencioso(Firebird::IMaster* master) : wrapper_(master->getStatus()) {}
    ~StatusSilencioso() { wrapper_.dispose(); }
    StatusSilencioso(const StatusSilencioso&) = delete;
    StatusSilencioso& operator=(const StatusSilencioso&) = delete;
    Firebird::CheckStatusWrapper* operator()() { return &wrapper_; }
    bool Falhou() const { return (wrapper_.getState() & Firebird::IStatus::STATE_ERRORS) != 0; }

private:
    Firebird::CheckStatusWrapper wrapper_;
};

// The server's text of an error status.
std::string TextoDoErro(Firebird::IUtil* util, Firebird::IStatus* status);

// Detaches, or only releases the handle when that fails. The server's error text,
// empty when it detached (clean-up ignores it).
std::string DesanexarEmSilencio(Firebird::IMaster* master, Firebird::IAttachment* anexo);

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

// A message buffer with its layout.
struct Mensagem {
    Referencia<Firebird::IMessageMetadata> meta;
    std::vector<unsigned char> dados;
    unsigned char* Buffer() { return dados.empty() ? nullptr : dados.data(); }
};

// Our own input layout: texts as VARCHAR in WIN1252 (a CHAR described by the server
// would be padded with blanks), integers as BIGINT, every value nullable.
Mensagem MontarEntrada(Firebird::IMaster* master, Firebird::ThrowStatusWrapper* st,
                       const std::vector<Valor>& valores);

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

    // The current row of the buffer, as the dataset holds it.
    LinhaLida Ler() const;
};

// The output layout: CHAR and VARCHAR as they are, whole numbers as BIGINT, anything
// else converted by the server to text.
Saida MontarSaida(Firebird::ThrowStatusWrapper* st, Firebird::IStatement* declaracao);

} // namespace tessela::firebird
