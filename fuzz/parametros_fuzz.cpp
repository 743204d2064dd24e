// The settings reader on arbitrary MAGNOLIA.INI bytes (and, when the first byte says
// so, the same bytes as CONFIGBD.INI), with either decimal separator: it fills the
// record or stops with the conversion or input/output error, and every field keeps
// its width, case and fixed value.

#include "common/erros.h"
#include "referencia.h"
#include "settings/leitor.h"
#include "verificar.h"

#include <cstddef>
#include <cstdint>

namespace {

using tessela::fuzz::InteiroReferencia;
using tessela::fuzz::Visivel;

const tessela::fuzz::PastaDoPrograma& Pasta() {
    static const tessela::fuzz::PastaDoPrograma pasta;
    return pasta;
}

bool TemMinusculas(const std::string& t) {
    return t.find_first_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos;
}

void VerificarCampos(const tessela::TParametros& p) {
    struct Largura {
        const std::string& campo;
        std::size_t maximo;
        const char* nome;
    };
    for (const auto& l : {Largura{p.IPServidor, 50, "IPServidor"},
                          Largura{p.TipoUsuario, 15, "TipoUsuario"},
                          Largura{p.MostrarValidade, 15, "MostrarValidade"},
                          Largura{p.FormaValidade, 60, "FormaValidade"},
                          Largura{p.TempoEntreOMs, 15, "TempoEntreOMs"},
                          Largura{p.IPEstacaoUsuario, 40, "IPEstacaoUsuario"},
                          Largura{p.LogAtividades, 3, "LogAtividades"},
                          Largura{p.LarguraOM, 60, "LarguraOM"},
                          Largura{p.MargemEsquerdaLaudo, 60, "MargemEsquerdaLaudo"},
                          Largura{p.SaltoFinalOM, 60, "SaltoFinalOM"},
                          Largura{p.FecharDialogoAposImpressao, 60, "FecharDialogoAposImpressao"},
                          Largura{p.TracoFinalOM, 60, "TracoFinalOM"},
                          Largura{p.UsaParamCQ, 60, "UsaParamCQ"},
                          Largura{p.FazerLaudoAnalise, 60, "FazerLaudoAnalise"},
                          Largura{p.TituloCentralLaudo, 48, "TituloCentralLaudo"},
                          Largura{p.NaoGerarTxtOM, 3, "NaoGerarTxtOM"},
                          Largura{p.TipoDAV, 20, "TipoDAV"},
                          Largura{p.ModeloDAV, 20, "ModeloDAV"},
                          Largura{p.FonteCabecalho, 30, "FonteCabecalho"},
                          Largura{p.FonteCorpo, 30, "FonteCorpo"},
                          Largura{p.FonteLaudo, 30, "FonteLaudo"}})
        EXIGIR(l.campo.size() <= l.maximo, std::string(l.nome) + " " + Visivel(l.campo));

    EXIGIR(!TemMinusculas(p.TipoUsuario) && !TemMinusculas(p.MostrarValidade) &&
               !TemMinusculas(p.FormaValidade),
           "an upper-case field holds a..z");
    EXIGIR(p.AlturaPaginaOM.empty() || p.AlturaPaginaOM == "66", Visivel(p.AlturaPaginaOM));
    EXIGIR(p.MargemSuperiorLaudo.empty() || p.MargemSuperiorLaudo == "0", "MargemSuperiorLaudo");
    EXIGIR(p.ModeloOM.empty() || p.ModeloOM == "A5", Visivel(p.ModeloOM));
    EXIGIR(p.TipoImpressora.empty() || p.TipoImpressora == "Grafica", Visivel(p.TipoImpressora));
    EXIGIR(p.QdeCopias == 0 || p.QdeCopias == 1, std::to_string(p.QdeCopias));
    EXIGIR(!p.NomeBancoCentral.empty(), "NomeBancoCentral without its fallback");
    // Kept as text, but always a whole number the rest of the program can read.
    EXIGIR(InteiroReferencia(p.TempoEntreOMs).has_value(), Visivel(p.TempoEntreOMs));
    EXIGIR(p.LinhasPorPagina.find(' ') == std::string::npos &&
               InteiroReferencia(p.LinhasPorPagina).has_value(),
           Visivel(p.LinhasPorPagina));
    EXIGIR(p.DirSalvarOMTxt.empty() ||
               (p.DirSalvarOMTxt.back() != ' ' && p.DirSalvarOMTxt.back() != '\\'),
           Visivel(p.DirSalvarOMTxt));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    if (tamanho < 1)
        return 0;
    const auto& pasta = Pasta();
    const std::string_view arquivo(reinterpret_cast<const char*>(dados) + 1, tamanho - 1);
    pasta.Escrever("MAGNOLIA.INI", arquivo);
    if (dados[0] & 1)
        pasta.Escrever("CONFIGBD.INI", arquivo);
    else
        pasta.Remover("CONFIGBD.INI");
    const char separador = (dados[0] & 2) ? ',' : '.';

    tessela::TParametros p;
    tessela::AplicarPredefinicoes(p);
    tessela::TSessao s;
    try {
        tessela::LerParametros(p, s, pasta.Caminho(), separador);
    } catch (const tessela::ErroConversao& e) {
        // The text quotes the rejected value; what() ends at a NUL byte inside it.
        const std::string_view texto = e.what();
        EXIGIR(texto.starts_with("'"), Visivel(texto));
        EXIGIR(arquivo.find('\0') != std::string_view::npos ||
                   texto.ends_with("' is not a valid integer value") ||
                   texto.ends_with("' is not a valid floating point value"),
               Visivel(texto));
    }
    EXIGIR(s.DirPrograma == pasta.Caminho() + "/", s.DirPrograma);
    VerificarCampos(p);
    return 0;
}
