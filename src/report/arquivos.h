#pragma once

// The files a report build leaves on the central share: the diagnostic file at the
// root of the share, and the Laudo and report files in the station's interface folder.
// Code page 1252, CR LF after every line, no byte-order mark.

#include "common/sessao.h"
#include "common/tela.h"
#include "settings/parametros.h"

#include <string>
#include <string_view>
#include <vector>

namespace tessela {

// "\\IPServidor\PastaMagnolia\DiagOM.txt": one file for all stations.
std::string CaminhoDiagOM(const TParametros& p);

// PastaInterfac + "\Laudo" + the file-name form of the product + ".txt".
std::string CaminhoArquivoLaudo(const TParametros& p, const TSessao& s,
                                std::string_view nomeArquivoProduto);

// PastaInterfac + "\Fichapes" + numero + ".txt".
std::string CaminhoRelatorio(const TParametros& p, const TSessao& s, int numero);

// Appends the text as one line to DiagOM.txt, which must exist.
void RegistrarDiag(const TParametros& p, std::string_view texto);

// Writes the report lines to Fichapes<numero>.txt followed by four empty lines, and
// into RelPed followed by four lines of one blank; then RelPed shows its first line.
void GravarLaudo(const TParametros& p, const TSessao& s, Tela& tela,
                 const std::vector<std::string>& linhasLaudo, int numero);

} // namespace tessela
