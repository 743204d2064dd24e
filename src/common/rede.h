#pragma once

// Network helpers the layers above share.

#include <sys/socket.h>

namespace tessela {

// The errno of one plain connect to the address, given up after ms milliseconds
// (ETIMEDOUT); 0 when it succeeds. The socket is closed either way: this only asks
// whether something answers there.
int ErroAoConectar(int familia, const sockaddr* endereco, socklen_t tamanho, int ms);

} // namespace tessela
