#pragma once

// Composition of the analysis report: 119 columns after the margin, a header box, one
// table block per test and the approval footer. Pure: the database and the files are
// the builder's (construtor.h).

#include "common/datas.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessela {

inline constexpr std::size_t kLarguraLaudo = 119;
inline constexpr std::size_t kLarguraEnsaio = 22;
inline constexpr std::size_t kLarguraEspecificacao = 49;

// The fixed part of the title line, set when the main window is created.
inline constexpr const char* kTituloFixoLaudo = "LAUDO DE ANALISE - CONTROLE DE QUALIDADE";

// The column rule: line 10 of the header, the separator between tests, and the only
// line of the Laudo file.
inline constexpr const char* kLinhaColunas =
    "|------------------------|--------------------------------------------------|"
    "------------|--------------|-------------|";

struct EnsaioLaudo {
    std::string ENSAIO;        // test name, up to 100
    std::string ESPECIFICACAO; // up to 250
};

struct EntradaLaudo {
    std::string Produto;    // COMPONENTE of the found component
    std::string Lote;       // cut to 60 when composed
    std::string Fornecedor; // cut to 60 when composed
    std::string Validade;   // cut to 10 when composed
    std::string TituloFixoLaudo = kTituloFixoLaudo;
    std::string TituloCentralLaudo; // at most 48
    std::string TextoData;          // 23 characters, TextoDataLaudo
    std::string MargemLaudo;        // put in front of every line
    std::vector<EnsaioLaudo> Ensaios;
};

// "Data: dd/mm/yyyy" with blanks in front up to 23 characters.
std::string TextoDataLaudo(const DataHora& hoje);

// The ten header lines, without the margin.
std::vector<std::string> CabecalhoLaudo(const EntradaLaudo& e);

// The rows of one test, without the margin: as many as the longer wrapped text.
std::vector<std::string> BlocoEnsaio(const EnsaioLaudo& ensaio);

// The two footer lines, without the margin.
std::vector<std::string> RodapeLaudo();

// LinhasLaudo: every line of the report, each with MargemLaudo in front.
std::vector<std::string> ComporLaudo(const EntradaLaudo& e);

// The product name as the Laudo file names it: cut to 100, every character a file
// name on a Windows share cannot hold ('/', '\', ':', '*', '?', '"', '<', '>', '|'
// and the control characters) replaced by '_', then cut to 70.
std::string NomeArquivoProduto(std::string_view produto);

} // namespace tessela
