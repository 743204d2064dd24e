#include "database/firebird_interrupcao.h"

#include "database/firebird_cliente.h"
#include "database/firebird_mensagens.h"

#include <arpa/inet.h>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <optional>
#include <string_view>
#include <system_error>
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

// What the attaching or detaching thread hands over; whoever comes last frees it.
struct Anexacao {
    std::mutex mutex;
    std::condition_variable pronta;
    bool concluida = false;
    bool cortada = false;    // the end of the run came first
    bool silenciosa = false; // another wait found the server silent
    IAttachment* anexo = nullptr;
    std::string erro;

    void Desistir(bool Anexacao::*motivo) {
        {
            std::lock_guard trava(mutex);
            if (!concluida)
                this->*motivo = true;
        }
        pronta.notify_all();
    }
    bool Abandonada() const { return cortada || silenciosa; }
};

// Runs in the attaching thread; holds its own reference to the provider.
void AnexarNaThread(std::shared_ptr<Anexacao> estado, IMaster* master, IProvider* provedor,
                    std::string local, std::vector<unsigned char> dpb,
                    std::shared_ptr<Interrupcao::TarefaSolta> solta) {
    StatusSilencioso st(master);
    IAttachment* anexo = provedor->attachDatabase(st(), local.c_str(),
                                                  static_cast<unsigned>(dpb.size()), dpb.data());
    const std::string erro =
        st.Falhou() ? TextoDoErro(master->getUtilInterface(), st()) : std::string();
    bool abandonada = false;
    {
        std::lock_guard trava(estado->mutex);
        abandonada = estado->Abandonada();
        if (!abandonada) {
            estado->anexo = anexo;
            estado->erro = erro;
            estado->concluida = true;
        }
        estado->pronta.notify_all();
    }
    if (abandonada && anexo)
        DesanexarEmSilencio(master, anexo); // nobody waits for it any more
    provedor->release();
    solta.reset();
}

std::string DesanexarDireto(IMaster* master, IProvider* provedor, IAttachment* anexo) {
    std::string erro = DesanexarEmSilencio(master, anexo);
    provedor->release();
    return erro;
}

// The server of a location: "host:path", "host/port:path", "inet://host[:port]/path",
// "[IPv6]:path". Empty host for a local path.
struct ServidorDoLocal {
    std::string host;
    std::string porta = "3050";
};

ServidorDoLocal Servidor(std::string_view local) {
    ServidorDoLocal s;
    if (local.starts_with("inet://") || local.starts_with("inet4://") ||
        local.starts_with("inet6://")) {
        local.remove_prefix(local.find("//") + 2);
        local = local.substr(0, local.find('/'));
        const auto doisPontos = local.rfind(':');
        if (doisPontos != std::string_view::npos && local.find(']', doisPontos) == local.npos) {
            s.porta = std::string(local.substr(doisPontos + 1));
            local = local.substr(0, doisPontos);
        }
        s.host = std::string(local);
        return s;
    }
    const auto fim = local.starts_with('[') ? local.find("]:") + 1 : local.find(':');
    if (fim == 0 || fim == std::string_view::npos)
        return s;
    std::string_view host = local.substr(0, fim);
    if (const auto barra = host.rfind('/');
        barra != std::string_view::npos && host.find(']', barra) == host.npos) {
        s.porta = std::string(host.substr(barra + 1));
        host = host.substr(0, barra);
    }
    s.host = std::string(host);
    return s;
}

// "IP:port" of the server as the system resolves its name, when it does so within half a
// second; the name alone otherwise.
std::string Endereco(const ServidorDoLocal& s) {
    struct Resolucao {
        std::mutex mutex;
        std::condition_variable pronta;
        std::optional<std::string> texto;
    };
    auto r = std::make_shared<Resolucao>();
    std::thread([r, host = s.host, porta = s.porta] {
        std::string nome = host;
        if (nome.size() > 2 && nome.front() == '[' && nome.back() == ']')
            nome = nome.substr(1, nome.size() - 2);
        addrinfo pedido{};
        pedido.ai_socktype = SOCK_STREAM;
        addrinfo* enderecos = nullptr;
        std::string texto;
        if (getaddrinfo(nome.c_str(), porta.c_str(), &pedido, &enderecos) == 0) {
            char ip[INET6_ADDRSTRLEN] = {};
            const sockaddr* a = enderecos->ai_addr;
            const bool v6 = a->sa_family == AF_INET6;
            const void* bytes =
                v6 ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(a)->sin6_addr)
                   : &reinterpret_cast<const sockaddr_in*>(a)->sin_addr;
            if (inet_ntop(a->sa_family, bytes, ip, sizeof ip))
                texto = v6 ? "[" + std::string(ip) + "]:" + porta : std::string(ip) + ":" + porta;
            freeaddrinfo(enderecos);
        }
        std::lock_guard trava(r->mutex);
        r->texto = texto;
        r->pronta.notify_all();
    }).detach();
    std::unique_lock trava(r->mutex);
    r->pronta.wait_for(trava, std::chrono::milliseconds(500), [&] { return r->texto.has_value(); });
    return r->texto.value_or("");
}

std::string NaoResponde(const ServidorDoLocal& s) {
    const std::string endereco = Endereco(s);
    return "O servidor " + s.host + (endereco.empty() ? "" : " (" + endereco + ")") +
           " n\xE3o responde.";
}

IAttachment* AnexarDireto(IMaster* master, IProvider* provedor, const std::string& local,
                          const std::vector<unsigned char>& dpb) {
    Status st(master);
    try {
        return provedor->attachDatabase(st(), local.c_str(), static_cast<unsigned>(dpb.size()),
                                        dpb.data());
    } catch (const Firebird::FbException& e) {
        throw ErroBanco(kErroConexao, TextoDoErro(master->getUtilInterface(), e.getStatus()));
    }
}

} // namespace

IAttachment* Anexar(const Esperas& esperas, IMaster* master, IProvider* provedor,
                    const std::string& local, std::vector<unsigned char> dpb) {
    const ServidorDoLocal servidor = Servidor(local);
    // A local database is on this machine: nothing to give up on but the end of the run.
    ServidoresSilenciosos* servidores = servidor.host.empty() ? nullptr : esperas.servidores;
    if (!esperas.interrupcao && !servidores)
        return AnexarDireto(master, provedor, local, dpb);
    const std::string chave =
        servidores ? ServidoresSilenciosos::Chave(servidor.host, servidor.porta) : std::string();
    if (servidores)
        if (const auto erro = servidores->Erro(chave))
            throw ErroBanco(kErroConexao, *erro);

    auto estado = std::make_shared<Anexacao>();
    provedor->addRef();
    std::thread anexador(AnexarNaThread, estado, master, provedor, local, std::move(dpb),
                         std::make_shared<Interrupcao::TarefaSolta>(esperas.interrupcao));
    const Interrupcao::ThreadDaChamada juntar(anexador, estado->mutex, estado->concluida);
    bool semResposta = false;
    bool concluida = false;
    {
        Interrupcao::Chamada chamada(esperas.interrupcao,
                                     [estado] { estado->Desistir(&Anexacao::cortada); });
        ServidoresSilenciosos::Espera espera(servidores, chave,
                                             [estado] { estado->Desistir(&Anexacao::silenciosa); });
        std::unique_lock trava(estado->mutex);
        const auto fim = [&] { return estado->concluida || estado->Abandonada(); };
        if (servidores)
            semResposta = !estado->pronta.wait_for(trava, servidores->Limite(), fim);
        else
            estado->pronta.wait(trava, fim);
        if (semResposta)
            estado->silenciosa = true; // the thread detaches whatever it still gets
        concluida = estado->concluida;
    }
    if (!concluida && estado->cortada)
        FalharInterrompida();
    if (semResposta) {
        const std::string erro = NaoResponde(servidor);
        servidores->Silenciar(chave, erro);
        throw ErroBanco(kErroConexao, erro);
    }
    if (estado->silenciosa)
        throw ErroBanco(kErroConexao, servidores->Erro(chave).value_or(""));
    if (!estado->anexo)
        throw ErroBanco(kErroConexao, estado->erro);
    return estado->anexo;
}

std::string DesanexarAParte(Interrupcao* interrupcao, IMaster* master, IProvider* provedor,
                            IAttachment* anexo) {
    if (!interrupcao)
        return DesanexarDireto(master, provedor, anexo);
    auto estado = std::make_shared<Anexacao>();
    std::thread desanexador;
    try {
        desanexador =
            std::thread([estado, master, provedor, anexo,
                         solta = std::make_shared<Interrupcao::TarefaSolta>(interrupcao)] {
                std::string erro = DesanexarDireto(master, provedor, anexo);
                std::lock_guard trava(estado->mutex);
                estado->erro = std::move(erro);
                estado->concluida = true;
                estado->pronta.notify_all();
            });
    } catch (const std::system_error&) {
        return DesanexarDireto(master, provedor, anexo); // no thread to be had: here, then
    }
    const Interrupcao::ThreadDaChamada juntar(desanexador, estado->mutex, estado->concluida);
    Interrupcao::Chamada chamada(interrupcao, [estado] { estado->Desistir(&Anexacao::cortada); });
    std::unique_lock trava(estado->mutex);
    estado->pronta.wait(trava, [&] { return estado->concluida || estado->cortada; });
    if (!estado->concluida)
        FalharInterrompida();
    return estado->erro;
}

} // namespace tessela::firebird
