#pragma once

// Runs the settings reader on real files written into a temporary program folder.

#include "settings/leitor.h"
#include "support/apoio.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tessela::teste {

inline std::string Juntar(const std::vector<std::string>& linhas, const char* fim = "\r\n") {
    std::string r;
    for (const auto& l : linhas)
        r += l + fim;
    return r;
}

// The record as the main window leaves it before the settings are read.
inline TParametros Predefinidos() {
    TParametros p;
    AplicarPredefinicoes(p);
    return p;
}

class Leitura : public ::testing::Test {
protected:
    void Magnolia(const std::vector<std::string>& linhas, const char* fim = "\r\n") {
        EscreverBytes(pasta_.Caminho() / "MAGNOLIA.INI", Juntar(linhas, fim));
    }
    void ConfigBd(const std::vector<std::string>& linhas) {
        EscreverBytes(pasta_.Caminho() / "CONFIGBD.INI", Juntar(linhas));
    }

    // Reads into p (the presets unless given), keeping what the reader left even when
    // it throws; the error, if any, goes to the caller.
    void Ler(TParametros& p, char separador = '.') {
        LerParametros(p, sessao_, pasta_.ComoPasta(), separador);
    }
    TParametros Ler(char separador = '.') {
        auto p = Predefinidos();
        Ler(p, separador);
        return p;
    }

    PastaTemporaria pasta_;
    TSessao sessao_;
};

// The text of the error E that f raises; a failure when it raises none.
template <class E, class F> std::string TextoDoErro(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    ADD_FAILURE() << "no error raised";
    return {};
}

} // namespace tessela::teste
