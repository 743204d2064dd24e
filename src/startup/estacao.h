#pragma once

// The station of the user who started the program: found in ESTACOES, stamped as in
// use, and the third connection pointed at the station's own database.

#include "common/datas.h"
#include "startup/sequencia.h"

#include <string>
#include <string_view>

namespace tessela {

// Fills UsuarioSistema (the fifth argument cut to 60), EstLocal and
// ImpressoraRelatorios, stamps the row and re-points SQLConnection3, through the reads
// the sequence began (c.Inicio). Returns the station's DATBASNAM, or the empty text when
// no station was identified (after a message when a user name was given but no row
// matches it).
std::string SelecionarEstacao(ContextoExecucao& c);

// "Ultima atividade: dd/mm/yy hh:nn:ss"
std::string TextoUltimaAtividade(const DataHora& agora);

// EMUSO "S" and the activity text in the current row, applied to the row found by its
// ESTACAO.
void CarimbarEstacao(TClientDataSet& estacoes, const DataHora& agora);

// IPServidor + ":C:\magnolia\Interfac" + EstLocal + "\" + NomeBancoCentral.
std::string LocalBancoDaEstacao(std::string_view ipServidor, std::string_view estLocal,
                                std::string_view nomeBancoCentral);

// The seven lines shown when no row of ESTACOES matches the user, as entered.
std::string MensagemEstacaoNaoSelecionada(std::string_view usuario);

} // namespace tessela
