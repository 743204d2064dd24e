#pragma once

// Internal to the database layer: calls to the server that the end of the run cuts short
// (Interrupcao). A call in progress is aborted with the attachment's
// cancelOperation(fb_cancel_abort), which ends even a call waiting on a dead link
// (fb_cancel_raise does not); an attach, which has no attachment yet, and a detach run in
// a thread of their own that the caller stops waiting for.

#include "common/interrupcao.h"
#include "database/firebird_cliente.h"

#include <firebird/Interface.h>
#include <string>
#include <vector>

namespace tessela::firebird {

class ChamadaAoServidor {
public:
    ChamadaAoServidor(Interrupcao* interrupcao, Firebird::IMaster* master,
                      Firebird::IAttachment* anexo);
    // True when the call was cut: its failure is the end of the run.
    bool Cortada() const { return chamada_.Cortada(); }
    // The error of a failed call: ErroInterrompido when cut, else ErroBanco of that kind
    // with the server's text.
    [[noreturn]] void Falhar(Firebird::IUtil* util, Firebird::IStatus* status,
                             const char* classe) const;

private:
    Interrupcao::Chamada chamada_;
};

// attachDatabase of the provider, with the parameter block given, run in a thread of its
// own that the caller stops waiting for. Throws ErroBanco (kErroConexao) with the
// server's text, or naming the server when it did not answer within the limit or was
// found silent before (by this wait or another), or ErroInterrompido when the end of the
// run came first.
Firebird::IAttachment* Anexar(const Esperas& esperas, Firebird::IMaster* master,
                              Firebird::IProvider* provedor, const std::string& local,
                              std::vector<unsigned char> dpb);

// Detaches anexo in a thread of its own, which takes over the caller's references to
// anexo and provedor and ends by itself when the end of the run cuts the wait. No cancel
// ever meets a detach: the Firebird client frees, as a detach ends, what a cancel in
// progress on the attachment is using. Returns the server's error text, empty when it
// detached (the handle is released either way); throws ErroInterrompido when cut.
std::string DesanexarAParte(Interrupcao* interrupcao, Firebird::IMaster* master,
                            Firebird::IProvider* provedor, Firebird::IAttachment* anexo);

// The error of a call cut short.
[[noreturn]] void FalharInterrompida();

} // namespace tessela::firebird
