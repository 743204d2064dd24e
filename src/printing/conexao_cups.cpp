#include "printing/conexao_cups.h"

#include "common/erros.h"
#include "common/rede.h"
#include "common/texto.h"
#include "printing/sistema_impressao.h"

#include <cstring>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/un.h>

namespace tessela {

namespace {

std::string NaoResponde(const std::string& motivo) {
    return "O servidor de impress\xE3o " + EnderecoDoServidor() + " n\xE3o responde: " + motivo;
}

// Why the server cannot be reached, as the system tells it: libcups reports whatever
// errno its own clean-up left ("Host is down" for a refused port).
std::string MotivoSemConexao() {
    const std::string servidor = cupsServer();
    int erro = 0;
    if (!servidor.empty() && servidor.front() == '/') {
        sockaddr_un endereco{};
        endereco.sun_family = AF_UNIX;
        servidor.copy(endereco.sun_path, sizeof endereco.sun_path - 1);
        erro =
            ErroAoConectar(AF_UNIX, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco, 2000);
    } else {
        addrinfo pedido{};
        pedido.ai_socktype = SOCK_STREAM;
        addrinfo* enderecos = nullptr;
        const int r =
            getaddrinfo(servidor.c_str(), std::to_string(ippPort()).c_str(), &pedido, &enderecos);
        if (r != 0)
            return gai_strerror(r);
        erro =
            ErroAoConectar(enderecos->ai_family, enderecos->ai_addr, enderecos->ai_addrlen, 2000);
        freeaddrinfo(enderecos);
    }
    return erro == 0 ? "sem resposta" : std::strerror(erro);
}

// A status that came in the server's own answer, not one libcups made up when no answer
// came (it takes an internal error or "service unavailable" for those, with whatever
// errno said).
bool RespostaDoServidor(ipp_status_t estado) {
    return estado >= IPP_STATUS_ERROR_BAD_REQUEST &&
           estado < IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED &&
           estado != IPP_STATUS_ERROR_INTERNAL && estado != IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
}

[[noreturn]] void FalharInterrompida() {
    throw ErroInterrompido("Impress\xE3o interrompida: o programa est\xE1 sendo encerrado.");
}

} // namespace

std::string EnderecoDoServidor() {
    const std::string servidor = cupsServer();
    if (!servidor.empty() && servidor.front() == '/')
        return servidor;
    return servidor + ":" + std::to_string(ippPort());
}

std::string ServidorNaoResponde() {
    return "O servidor de impress\xE3o " + EnderecoDoServidor() + " n\xE3o responde.";
}

ConexaoCups::ConexaoCups(std::shared_ptr<CorteDoPedido> corte, std::chrono::milliseconds espera)
    : corte_(std::move(corte)), espera_(espera) {
    // With room for the connect of its own that tells why there is no connection.
    http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                         static_cast<int>((espera - std::chrono::seconds(2)).count()),
                         corte_->Bandeira());
    if (corte_->Cortado()) {
        httpClose(http_);
        FalharInterrompida();
    }
    if (http_ == nullptr)
        throw ErroImpressao(NaoResponde(MotivoSemConexao()));
    httpSetTimeout(http_, 1.0, &ConexaoCups::AoEsperar, this);
}

ConexaoCups::~ConexaoCups() {
    httpClose(http_);
}

int ConexaoCups::AoEsperar(http_t*, void* dados) {
    auto& c = *static_cast<ConexaoCups*>(dados);
    if (c.corte_->Cortado() || c.esgotada_)
        return 0;
    // Called once a second while one wait lasts; a longer gap is another wait.
    const auto agora = std::chrono::steady_clock::now();
    c.silencio_ = agora - c.ultimaEspera_ < std::chrono::milliseconds(1500)
                      ? c.silencio_ + std::chrono::seconds(1)
                      : std::chrono::milliseconds(std::chrono::seconds(1));
    c.ultimaEspera_ = agora;
    // A request may wait more than once (libcups retries on a connection of its own):
    // the first wait gives up with room for the next ones to, within the limit.
    c.esgotada_ = c.silencio_ >= c.espera_ - std::chrono::seconds(2);
    if (c.esgotada_)
        c.corte_->Esgotar();
    return c.esgotada_ ? 0 : 1;
}

std::exception_ptr ConexaoCups::Falha(const std::string& impressora) const {
    const ipp_status_t estado = cupsLastError();
    const std::string texto = Utf8ParaCp1252(cupsLastErrorString());
    if (corte_->Cortado()) {
        try {
            FalharInterrompida();
        } catch (...) {
            return std::current_exception();
        }
    }
    if (esgotada_)
        return std::make_exception_ptr(ErroImpressao(ServidorNaoResponde()));
    if (RespostaDoServidor(estado)) {
        if (estado == IPP_STATUS_ERROR_NOT_FOUND && !impressora.empty())
            return std::make_exception_ptr(ErroTrabalhoRecusado(
                "A impressora \"" + Utf8ParaCp1252(impressora) +
                "\" n\xE3o existe no servidor de impress\xE3o " + EnderecoDoServidor() + "."));
        return std::make_exception_ptr(ErroTrabalhoRecusado(texto));
    }
    // No answer: a server that is gone refuses a new connection, and that error says so.
    try {
        ConexaoCups nova(corte_, std::chrono::milliseconds(5000));
    } catch (...) {
        return std::current_exception();
    }
    return std::make_exception_ptr(
        ErroImpressao("A comunica\xE7\xE3o com o servidor de impress\xE3o " + EnderecoDoServidor() +
                      " foi interrompida."));
}

void EsperarPeloPedido(Interrupcao* interrupcao, EstadoDoPedido& estado) {
    bool cortado = false; // under estado.mutex
    bool concluido = false;
    {
        Interrupcao::Chamada chamada(interrupcao, [&estado, &cortado] {
            std::lock_guard trava(estado.mutex);
            cortado = true;
            estado.pronto.notify_all();
        });
        // Released before the Chamada goes, which waits for a cut in progress.
        std::unique_lock trava(estado.mutex);
        const auto limite = std::chrono::steady_clock::now() + kLimiteDoPedido;
        // The silence is told by the request's own waits: looked at every quarter second.
        while (!estado.concluido && !cortado && !estado.corte->Esgotado() &&
               std::chrono::steady_clock::now() < limite)
            estado.pronto.wait_for(trava, std::chrono::milliseconds(250));
        concluido = estado.concluido;
    }
    if (!concluido) {
        estado.corte->Cortar(); // the request ends by itself, unwaited for
        if (cortado)
            FalharInterrompida();
        throw ErroImpressao(ServidorNaoResponde());
    }
    if (estado.erro)
        std::rethrow_exception(estado.erro);
}

} // namespace tessela
