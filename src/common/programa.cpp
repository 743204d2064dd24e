#include "common/programa.h"

#include "common/erros.h"

#include <filesystem>

namespace tessela {

std::string PastaDoExecutavel() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        throw ErroEntradaSaida("N\xE3o foi poss\xEDvel determinar a pasta do programa: " +
                               ec.message());
    auto pasta = exe.parent_path().string();
    if (pasta.empty() || pasta.back() != '/')
        pasta += '/';
    return pasta;
}

} // namespace tessela
