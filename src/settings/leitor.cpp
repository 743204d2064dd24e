#include "settings/leitor.h"

#include "common/arquivo_texto.h"
#include "settings/catalogo.h"

#include <filesystem>

namespace tessela {

namespace {

// Lines end with CR LF or a lone LF (files edited on Linux). A lone CR and the
// end-of-file character 0x1A are ordinary characters of a line, and the lines after
// them are read: the suite writes CR LF files, so these only come from damaged files,
// where they end up in a value or in a label that matches no key.
void LerArquivo(ArquivoDeConfiguracao qual, TParametros& p, const std::string& arquivo,
                char separador) {
    for (const auto& linha : LerLinhasTexto(arquivo))
        AplicarLinha(qual, p, linha, separador);
}

// Anything present counts, so that a folder in the file's place is an input/output
// error when read, not a missing file.
bool Existe(const std::string& arquivo) {
    std::error_code ec;
    return std::filesystem::status(arquivo, ec).type() != std::filesystem::file_type::not_found;
}

void PrepararLeitura(TParametros& p) {
    p.IPServidor.clear();
    p.NomeBancoCentral.clear();
    p.DirSalvarOMTxt.clear();
    p.TempoEntreOMs = "3000";
    p.LinhasPorPagina = "0";
}

void ReservaDoBanco(TParametros& p) {
    if (p.NomeBancoCentral.empty())
        p.NomeBancoCentral = "MAGNOLIA.BD";
}

std::string ComBarraFinal(std::string_view pasta) {
    std::string r(pasta);
    if (r.empty() || r.back() != '/')
        r += '/';
    return r;
}

void LerOsDoisArquivos(TParametros& p, const std::string& pasta, char separador) {
    const auto configBd = pasta + "CONFIGBD.INI";
    if (Existe(configBd))
        LerArquivo(ArquivoDeConfiguracao::ConfigBd, p, configBd, separador);
    const auto magnolia = pasta + "MAGNOLIA.INI";
    if (!Existe(magnolia))
        throw ErroMagnoliaIniAusente();
    LerArquivo(ArquivoDeConfiguracao::Magnolia, p, magnolia, separador);
}

} // namespace

void LerParametros(TParametros& p, TSessao& s, std::string_view pastaExecutavel,
                   char separadorDecimal) {
    PrepararLeitura(p);
    s.DirPrograma = ComBarraFinal(pastaExecutavel);
    try {
        LerOsDoisArquivos(p, s.DirPrograma, separadorDecimal);
    } catch (...) {
        // The database name gets its fallback however the reading ended.
        ReservaDoBanco(p);
        throw;
    }
    ReservaDoBanco(p);
}

} // namespace tessela
