#include "printing/cups_teste.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cups/cups.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace tessela::teste {

namespace fs = std::filesystem;

namespace {

// Removes the process's own HOME at exit.
struct CasaTemporaria {
    fs::path caminho;
    ~CasaTemporaria() {
        std::error_code ec;
        if (!caminho.empty())
            fs::remove_all(caminho, ec);
    }
};
CasaTemporaria casa;

template <class Condicao> bool Aguardar(Condicao condicao) {
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condicao()) {
        if (std::chrono::steady_clock::now() > limite)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

} // namespace

void PrepararAmbienteCups() {
    setenv("CUPS_SERVER", "127.0.0.1:" TESSELA_CUPS_PORTA, 1);
    unsetenv("LPDEST");
    unsetenv("PRINTER");
    std::string modelo = (fs::temp_directory_path() / "tessela-cups-casa.XXXXXX").string();
    if (!mkdtemp(modelo.data()))
        throw std::runtime_error("mkdtemp failed");
    casa.caminho = modelo;
    setenv("HOME", modelo.c_str(), 1);
}

fs::path RaizCups() {
    return TESSELA_CUPS_RAIZ;
}

bool ServidorCupsPronto() {
    return fs::exists(RaizCups() / "pronto");
}

void EsquecerOpcoesDoUsuario() {
    std::error_code ec;
    fs::remove(fs::path(std::getenv("HOME")) / ".cups" / "lpoptions", ec);
}

std::string OpcoesDoUsuario() {
    const fs::path arquivo = fs::path(std::getenv("HOME")) / ".cups" / "lpoptions";
    return fs::exists(arquivo) ? LerArquivo(arquivo) : std::string();
}

int UltimoTrabalho() {
    cups_job_t* trabalhos = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &trabalhos, nullptr, 0, CUPS_WHICHJOBS_ALL);
    int maior = 0;
    for (int i = 0; i < n; ++i)
        maior = std::max(maior, trabalhos[i].id);
    cupsFreeJobs(n, trabalhos);
    return maior;
}

std::vector<TrabalhoCups> TrabalhosConcluidosDepois(int id) {
    std::vector<TrabalhoCups> resultado;
    const bool concluidos = Aguardar([&] {
        resultado.clear();
        cups_job_t* trabalhos = nullptr;
        const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &trabalhos, nullptr, 0, CUPS_WHICHJOBS_ALL);
        bool pendente = false;
        for (int i = 0; i < n; ++i) {
            if (trabalhos[i].id <= id)
                continue;
            pendente = pendente || trabalhos[i].state < IPP_JSTATE_STOPPED;
            resultado.push_back({trabalhos[i].id, trabalhos[i].dest, trabalhos[i].title});
        }
        cupsFreeJobs(n, trabalhos);
        return !pendente;
    });
    if (!concluidos)
        throw std::runtime_error("print jobs still pending after a minute");
    std::sort(resultado.begin(), resultado.end(),
              [](const TrabalhoCups& a, const TrabalhoCups& b) { return a.id < b.id; });
    return resultado;
}

std::vector<fs::path> CapturasBrutas() {
    std::vector<fs::path> arquivos;
    for (const auto& e : fs::directory_iterator(RaizCups() / "bruta"))
        if (e.path().extension() == ".bin")
            arquivos.push_back(e.path());
    std::sort(arquivos.begin(), arquivos.end());
    return arquivos;
}

std::vector<fs::path> AguardarCapturas(std::size_t n) {
    std::vector<fs::path> arquivos;
    Aguardar([&] {
        arquivos = CapturasBrutas();
        return arquivos.size() >= n;
    });
    return arquivos;
}

fs::path PastaPdfVazia() {
    const fs::path pasta = RaizCups() / "pdf";
    for (const auto& e : fs::directory_iterator(pasta))
        fs::remove_all(e.path());
    return pasta;
}

std::string LerArquivo(const fs::path& arquivo) {
    std::ifstream f(arquivo, std::ios::binary);
    if (!f)
        throw std::runtime_error("cannot read " + arquivo.string());
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void ComCups::SetUp() {
    if (!ServidorCupsPronto())
        GTEST_SKIP() << "no private cupsd: the CupsServer fixture needs root and unshare";
    EsquecerOpcoesDoUsuario();
}

} // namespace tessela::teste
