#include "common/programa.h"

#include <filesystem>

#include "common/erros.h"

namespace tessela {

std::string PastaDoExecutavel() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        throw ErroEntradaSaida("Não foi possível determinar a pasta do programa: " + ec.message());
    auto pasta = exe.parent_path().string();
    if (pasta.empty() || pasta.back() != '/')
        pasta += '/';
    return pasta;
}

} // namespace tessela
