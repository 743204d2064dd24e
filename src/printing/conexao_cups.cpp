#include "printing/conexao_cups.h"

#include "common/erros.h"
#include "common/texto.h"
#include "printing/sistema_impressao.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tessela {

namespace {

std::string NaoResponde(const std::string& motivo) {
    return "O servidor de impress\xE3o " + EnderecoDoServidor() + " n\xE3o responde: " + motivo;
}

// A status that came in the server's own answer, not one libcups made up when no answer
// came (it takes an internal error or "service unavailable" for those, with whatever
// errno said).
// The error of one plain connect, given up after two seconds.
int ErroAoConectar(int familia, const sockaddr* endereco, socklen_t tamanho) {
    const int fd = socket(familia, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return errno;
    int erro = connect(fd, endereco, tamanho) == 0 ? 0 : errno;
    if (erro == EINPROGRESS) {
        pollfd observado{fd, POLLOUT, 0};
        socklen_t t = sizeof erro;
        if (poll(&observado, 1, 2000) != 1 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &erro, &t) != 0)
            erro = ETIMEDOUT;
    }
    close(fd);
    return erro;
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
        erro = ErroAoConectar(AF_UNIX, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco);
    } else {
        addrinfo pedido{};
        pedido.ai_socktype = SOCK_STREAM;
        addrinfo* enderecos = nullptr;
        const int r =
            getaddrinfo(servidor.c_str(), std::to_string(ippPort()).c_str(), &pedido, &enderecos);
        if (r != 0)
            return gai_strerror(r);
        erro = ErroAoConectar(enderecos->ai_family, enderecos->ai_addr, enderecos->ai_addrlen);
        freeaddrinfo(enderecos);
    }
    return erro == 0 ? "sem resposta" : std::strerror(erro);
}

bool RespostaDoServidor(ipp_status_t estado) {
    return estado >= IPP_STATUS_ERROR_BAD_REQUEST &&
           estado < IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED &&
           estado != IPP_STATUS_ERROR_INTERNAL && estado != IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
}

} // namespace

std::string EnderecoDoServidor() {
    const std::string servidor = cupsServer();
    if (!servidor.empty() && servidor.front() == '/')
        return servidor;
    return servidor + ":" + std::to_string(ippPort());
}

ConexaoCups::ConexaoCups(Interrupcao* interrupcao, int esperaMs) : interrupcao_(interrupcao) {
    chamada_.emplace(interrupcao_, [this] {
        std::atomic_ref<int>(cancelar_).store(1);
        if (const int fd = socket_.load(); fd >= 0)
            ::shutdown(fd, SHUT_RDWR); // the blocked request returns at once
    });
    http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, esperaMs,
                         &cancelar_);
    if (chamada_->Cortada())
        throw ErroInterrompido("Impress\xE3o interrompida: o programa est\xE1 sendo encerrado.");
    if (http_ == nullptr)
        throw ErroImpressao(NaoResponde(MotivoSemConexao()));
    socket_.store(httpGetFd(http_));
}

ConexaoCups::~ConexaoCups() {
    // No cut may reach the socket once it is closed: its number could be another's then.
    chamada_.reset();
    httpClose(http_);
}

std::exception_ptr ConexaoCups::Falha(const std::string& impressora) const {
    const ipp_status_t estado = cupsLastError();
    const std::string texto = Utf8ParaCp1252(cupsLastErrorString());
    if (chamada_->Cortada())
        return std::make_exception_ptr(
            ErroInterrompido("Impress\xE3o interrompida: o programa est\xE1 sendo encerrado."));
    if (RespostaDoServidor(estado)) {
        if (estado == IPP_STATUS_ERROR_NOT_FOUND && !impressora.empty())
            return std::make_exception_ptr(ErroTrabalhoRecusado(
                "A impressora \"" + Utf8ParaCp1252(impressora) +
                "\" n\xE3o existe no servidor de impress\xE3o " + EnderecoDoServidor() + "."));
        return std::make_exception_ptr(ErroTrabalhoRecusado(texto));
    }
    // No answer: a server that is gone refuses a new connection, and that error says so.
    try {
        ConexaoCups nova(interrupcao_, 5000);
    } catch (...) {
        return std::current_exception();
    }
    return std::make_exception_ptr(
        ErroImpressao("A comunica\xE7\xE3o com o servidor de impress\xE3o " + EnderecoDoServidor() +
                      " foi interrompida."));
}

} // namespace tessela
