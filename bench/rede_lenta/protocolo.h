// The one packet of the Firebird remote protocol that the slow-link proxy reads: the
// client's op_connect, the first packet of every connection, which names the database
// in clear text before any wire encryption starts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessela::rede {

constexpr std::uint32_t kOpConnect = 1;
constexpr std::uint32_t kOpAttach = 19;

enum class EstadoPedido {
    Incompleto, // the bytes so far end before the database path does
    Conexao,    // an op_connect, read up to its database path
    Outro,      // not an op_connect, or a path no client sends
};

struct PedidoDeConexao {
    EstadoPedido estado = EstadoPedido::Incompleto;
    std::uint32_t operacao = 0; // what the connection is for: op_attach, op_create, ...
    std::string arquivo;        // the database path as the client sent it, no host
};

// Reads the op_connect at the start of the first bytes of a connection. Whatever
// follows the path (user data, protocol list, an op_attach sent with it) is ignored.
PedidoDeConexao LerPedidoDeConexao(std::string_view inicio);

} // namespace tessela::rede
