#include "common/rede.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace tessela {

int ErroAoConectar(int familia, const sockaddr* endereco, socklen_t tamanho, int ms) {
    const int fd = socket(familia, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return errno;
    int erro = connect(fd, endereco, tamanho) == 0 ? 0 : errno;
    if (erro == EINPROGRESS) {
        pollfd observado{fd, POLLOUT, 0};
        socklen_t t = sizeof erro;
        if (poll(&observado, 1, ms) != 1 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &erro, &t) != 0)
            erro = ETIMEDOUT;
    }
    close(fd);
    return erro;
}

} // namespace tessela
