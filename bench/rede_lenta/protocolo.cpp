#include "protocolo.h"

namespace tessela::rede {

namespace {

// Longer than any path a client sends; past it the bytes are not an op_connect.
constexpr std::uint32_t kMaiorCaminho = 4096;

// XDR: every number is 4 bytes, big-endian, also where the field is a short.
std::uint32_t Palavra(std::string_view b, std::size_t pos) {
    auto byte = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(b[pos + i]));
    };
    return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

} // namespace

PedidoDeConexao LerPedidoDeConexao(std::string_view inicio) {
    // op_connect: operation, p_cnct_operation, p_cnct_cversion, p_cnct_client, then
    // p_cnct_file as a counted string (length, bytes, padding to 4).
    constexpr std::size_t kCabecalho = 5 * 4;
    PedidoDeConexao p;
    if (inicio.size() >= 4 && Palavra(inicio, 0) != kOpConnect) {
        p.estado = EstadoPedido::Outro;
        return p;
    }
    if (inicio.size() < kCabecalho)
        return p;
    const std::uint32_t tamanho = Palavra(inicio, 16);
    if (tamanho > kMaiorCaminho) {
        p.estado = EstadoPedido::Outro;
        return p;
    }
    if (inicio.size() < kCabecalho + tamanho)
        return p;
    p.estado = EstadoPedido::Conexao;
    p.operacao = Palavra(inicio, 4);
    p.arquivo = std::string(inicio.substr(kCabecalho, tamanho));
    return p;
}

} // namespace tessela::rede
