#pragma once

// Internal to the CUPS print system: a connection of the program's own to the print
// server for one operation, never libcups's shared default one, so that the end of the
// run (Interrupcao) can cut it short, while it connects too, and so that a failure can be
// told for what it was.

#include "common/interrupcao.h"

#include <atomic>
#include <cups/cups.h>
#include <exception>
#include <optional>
#include <string>

namespace tessela {

// The print server as CUPS reaches it: "HOST:PORT", or the path of its local socket.
std::string EnderecoDoServidor();

class ConexaoCups {
public:
    // Connects, waiting at most espera. Throws ErroImpressao naming the server when it
    // does not answer, ErroInterrompido when the end of the run came first.
    explicit ConexaoCups(Interrupcao* interrupcao, int esperaMs = 30000);
    ~ConexaoCups();
    ConexaoCups(const ConexaoCups&) = delete;
    ConexaoCups& operator=(const ConexaoCups&) = delete;

    http_t* Http() const { return http_; }

    // The error of the request that has just failed on this connection, for the printer
    // named (UTF-8; empty when the request was not about one): ErroInterrompido when it
    // was cut; ErroTrabalhoRecusado when the server answered no, with its reason, or
    // naming the printer when it is not there; ErroImpressao when the server did not
    // answer, naming it. Taken at once: any later request changes what it reads.
    std::exception_ptr Falha(const std::string& impressora) const;

private:
    Interrupcao* interrupcao_;
    int cancelar_ = 0; // libcups's cancel flag of a connect in progress
    std::atomic<int> socket_{-1};
    std::optional<Interrupcao::Chamada> chamada_;
    http_t* http_ = nullptr;
};

} // namespace tessela
