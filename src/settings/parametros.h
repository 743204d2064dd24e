#pragma once

// The values read from the settings files, one instance for the run, read-only after
// start-up.

#include <cstdint>
#include <string>

namespace tessela {

struct TParametros {
    std::string IPServidor;       // at most 50
    std::string NomeBancoCentral; // fallback "MAGNOLIA.BD"
    std::string TipoUsuario;      // at most 15, upper
    std::string MostrarValidade;  // at most 15, upper
    std::string FormaValidade;    // at most 60, upper
    std::string TempoEntreOMs;    // at most 15, fallback "3000"
    std::string DirSalvarOMTxt;
    std::string IPEstacaoUsuario; // at most 40
    std::string PastaMagnolia;
    std::int32_t CorFundo = 0;
    std::string LogAtividades; // at most 3
    std::string LarguraOM;     // at most 60
    std::string MargemEsquerdaLaudo; // at most 60
    std::string AlturaPaginaOM;      // fixed "66"
    std::string MargemSuperiorLaudo; // fixed "0"
    std::string SaltoFinalOM;        // at most 60
    std::string ModeloOM;            // fixed "A5"
    std::string TipoImpressora;      // fixed "Grafica"
    std::string FecharDialogoAposImpressao; // at most 60
    std::string TracoFinalOM;               // at most 60
    std::string UsaParamCQ;                 // at most 60
    std::string FazerLaudoAnalise;          // at most 60
    std::string TituloCentralLaudo;         // at most 48
    std::string LinhasPorPagina;            // whole number kept as text, fallback "66"
    std::string NaoGerarTxtOM;              // at most 3
    std::int32_t CorFonte = 0;
    std::int32_t MargemEsquerdaGeral = 0;
    std::string TipoDAV;   // at most 20
    std::string ModeloDAV; // at most 20
    double CoeficienteVertical = 0.0;
    std::int32_t QdeCopias = 0; // fixed 1
    std::string FonteCabecalho; // at most 30
    std::int32_t TamanhoFonteCabecalho = 0;
    std::int32_t MargemSuperiorCabecalho = 0;
    std::int32_t MargemEsquerdaCabecalho = 0;
    std::int32_t EntrelinhamentoCabecalho = 0;
    std::int32_t MargemSupSegundoCabecalho = 0;
    std::string FonteCorpo; // at most 30
    std::int32_t TamanhoFonteCorpo = 0;
    std::int32_t MargemSuperiorCorpo = 0;
    std::int32_t EntrelinhamentoCorpo = 0;
    std::string Logomarca;
    std::int32_t MargemEsquerdaLogomarca = 0;
    std::int32_t MargemSuperiorLogomarca = 0;
    std::int32_t MargemSuperiorSegundaLogomarca = 0;
    std::string FonteLaudo; // at most 30
    std::int32_t TamanhoFonteLaudo = 0;
    std::int32_t EntrelinhamentoLaudo = 0;
};

// The presets made when the main window is created, before the settings are read.
inline void AplicarPredefinicoes(TParametros& p) {
    p.EntrelinhamentoLaudo = 16;
    p.MargemEsquerdaLaudo = "5";
    p.FonteLaudo = "Consolas";
    p.TamanhoFonteLaudo = 8;
}

} // namespace tessela
