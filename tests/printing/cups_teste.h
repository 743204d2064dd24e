#pragma once

// The tests' side of the private cupsd started by the CupsServer fixture
// (scripts/cups-servidor.sh): its address, its folders and its jobs.

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tessela::teste {

// Points the process at the private cupsd (CUPS_SERVER), gives it a HOME of its own for
// lpoptions and drops LPDEST and PRINTER. Must run before the first CUPS call.
void PrepararAmbienteCups();

// The server's folder; ROOT/pronto exists while it runs.
std::filesystem::path RaizCups();
bool ServidorCupsPronto();

// The user's lpoptions: forgetting them leaves no default printer (the server has none).
void EsquecerOpcoesDoUsuario();
std::string OpcoesDoUsuario();

struct TrabalhoCups {
    int id = 0;
    std::string fila;
    std::string titulo;
};

// Highest job id the server has ever given, 0 for none.
int UltimoTrabalho();
// Jobs after the given id, in id order, once none of them is pending or printing any more
// (waits up to a minute).
std::vector<TrabalhoCups> TrabalhosConcluidosDepois(int id);

// Captured raw jobs (ROOT/bruta), in order of arrival.
std::vector<std::filesystem::path> CapturasBrutas();
// Waits until at least n captures exist; returns them all.
std::vector<std::filesystem::path> AguardarCapturas(std::size_t n);

// The PDF folder of the cups-pdf queue, emptied.
std::filesystem::path PastaPdfVazia();

std::string LerArquivo(const std::filesystem::path& arquivo);

// Skips the test when the fixture could not start a server (not root, no unshare).
class ComCups : public ::testing::Test {
protected:
    void SetUp() override;
};

} // namespace tessela::teste
