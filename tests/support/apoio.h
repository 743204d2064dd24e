#pragma once

// Helpers shared by the tests: temporary folders, settings lines, the test share.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tessela::teste {

// A fresh folder under the system's temporary folder, removed with its contents.
class PastaTemporaria {
public:
    PastaTemporaria();
    ~PastaTemporaria();
    PastaTemporaria(const PastaTemporaria&) = delete;
    PastaTemporaria& operator=(const PastaTemporaria&) = delete;

    const std::filesystem::path& Caminho() const { return caminho_; }
    // The folder as a program folder: with a trailing '/'.
    std::string ComoPasta() const { return caminho_.string() + "/"; }

private:
    std::filesystem::path caminho_;
};

// A TCP port on 127.0.0.1 whose connections the kernel completes and nobody ever reads
// or answers, as a server behind a VPN that dropped. Closing it resets them.
class ServidorMudo {
public:
    ServidorMudo();
    ~ServidorMudo();
    ServidorMudo(const ServidorMudo&) = delete;
    ServidorMudo& operator=(const ServidorMudo&) = delete;
    const std::string& Porta() const { return porta_; }

private:
    int fd_ = -1;
    std::string porta_;
};

// A settings line: the 48-character label, the separator blank, the value.
std::string LinhaIni(std::string_view rotulo, std::string_view valor);

// The settings the integration tests use: server SERVIDOR, share MAGNOLIA, the given
// extra lines appended.
std::vector<std::string> IniDeTeste(const std::vector<std::string>& extras = {});

// Writes bytes exactly as given.
void EscreverBytes(const std::filesystem::path& arquivo, std::string_view bytes);
std::string LerBytes(const std::filesystem::path& arquivo);

// The mount point of the test share, from TESSELA_COMPARTILHAMENTO; empty when the
// test does not run inside tests/support/com-compartilhamento.sh.
std::filesystem::path PastaDoCompartilhamento();

} // namespace tessela::teste
