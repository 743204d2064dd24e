#pragma once

#include <stdexcept>
#include <string>

namespace tessela {

// Every error of the program carries the name of its kind, shown to the user as
// "Classe: ..." where a message asks for it.
class Erro : public std::runtime_error {
public:
    Erro(std::string classe, const std::string& texto)
        : std::runtime_error(texto), classe_(std::move(classe)) {}
    const std::string& Classe() const noexcept { return classe_; }

private:
    std::string classe_;
};

// A settings value that a conversion rejects.
class ErroConversao : public Erro {
public:
    explicit ErroConversao(const std::string& texto) : Erro("ErroConversao", texto) {}
};

// A file or share that cannot be reached, created, read or written.
class ErroEntradaSaida : public Erro {
public:
    explicit ErroEntradaSaida(const std::string& texto) : Erro("ErroEntradaSaida", texto) {}
};

// A call cut short because the run is ending (Interrupcao): not a failure to report,
// only the way back to where the run ends.
class ErroInterrompido : public Erro {
public:
    explicit ErroInterrompido(const std::string& texto) : Erro("ErroInterrompido", texto) {}
};

} // namespace tessela
