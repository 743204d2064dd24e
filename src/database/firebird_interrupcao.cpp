#include "database/firebird_interrupcao.h"

#include "database/firebird_cliente.h"
#include "database/firebird_mensagens.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace tessela::firebird {

using Firebird::IAttachment;
using Firebird::IMaster;
using Firebird::IProvider;
using Firebird::IStatus;
using Firebird::IUtil;

void FalharInterrompida() {
    throw ErroInterrompido("Opera\xE7\xE3o no banco de dados interrompida: o programa est\xE1 "
                           "sendo encerrado.");
}

ChamadaAoServidor::ChamadaAoServidor(Interrupcao* interrupcao, IMaster* master, IAttachment* anexo)
    : chamada_(anexo ? interrupcao : nullptr, [master, anexo] {
          StatusSilencioso st(master);
          anexo->cancelOperation(st(), fb_cancel_abort);
      }) {}

void ChamadaAoServidor::Falhar(IUtil* util, IStatus* status, const char* classe) const {
    if (Cortada())
        FalharInterrompida();
    throw ErroBanco(classe, TextoDoErro(util, status));
}

namespace {

// What the attaching thread hands over; whoever comes last frees it.
struct Anexacao {
    std::mutex mutex;
    std::condition_variable pronta;
    bool concluida = false;
    bool abandonada = false;
    IAttachment* anexo = nullptr;
    std::string erro;
};

// Runs in the attaching thread; holds its own reference to the provider.
void AnexarNaThread(std::shared_ptr<Anexacao> estado, IMaster* master, IProvider* provedor,
                    std::string local, std::vector<unsigned char> dpb) {
    StatusSilencioso st(master);
    IAttachment* anexo = provedor->attachDatabase(st(), local.c_str(),
                                                  static_cast<unsigned>(dpb.size()), dpb.data());
    const std::string erro =
        st.Falhou() ? TextoDoErro(master->getUtilInterface(), st()) : std::string();
    bool abandonada = false;
    {
        std::lock_guard trava(estado->mutex);
        abandonada = estado->abandonada;
        if (!abandonada) {
            estado->anexo = anexo;
            estado->erro = erro;
            estado->concluida = true;
        }
    }
    estado->pronta.notify_all();
    if (abandonada && anexo)
        DesanexarEmSilencio(master, anexo); // nobody waits for it any more
    provedor->release();
}

} // namespace

IAttachment* Anexar(Interrupcao* interrupcao, IMaster* master, IProvider* provedor,
                    const std::string& local, std::vector<unsigned char> dpb) {
    if (!interrupcao) {
        Status st(master);
        try {
            return provedor->attachDatabase(st(), local.c_str(), static_cast<unsigned>(dpb.size()),
                                            dpb.data());
        } catch (const Firebird::FbException& e) {
            throw ErroBanco(kErroConexao, TextoDoErro(master->getUtilInterface(), e.getStatus()));
        }
    }
    auto estado = std::make_shared<Anexacao>();
    provedor->addRef();
    std::thread(AnexarNaThread, estado, master, provedor, local, std::move(dpb)).detach();
    {
        Interrupcao::Chamada chamada(interrupcao, [estado] {
            {
                std::lock_guard trava(estado->mutex);
                estado->abandonada = !estado->concluida;
            }
            estado->pronta.notify_all();
        });
        std::unique_lock trava(estado->mutex);
        estado->pronta.wait(trava, [&] { return estado->concluida || estado->abandonada; });
        if (!estado->concluida)
            FalharInterrompida(); // the thread detaches whatever it still gets
    }
    if (!estado->anexo)
        throw ErroBanco(kErroConexao, estado->erro);
    return estado->anexo;
}

} // namespace tessela::firebird
