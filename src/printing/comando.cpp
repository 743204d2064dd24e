#include "printing/comando.h"

#include "common/texto.h"
#include "printing/grafico.h"
#include "printing/impressao.h"
#include "printing/paginas.h"
#include "printing/raw.h"
#include "printing/sistema_cups.h"

namespace tessela {

namespace {

constexpr const char* kLinhasPorPaginaZero =
    "O par\xE2metro \"QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:\" n\xE3o foi informado "
    "corretamente no MAGNOLIA.INI!\rFavor corrigir antes de continuar.";

} // namespace

void ImprimirLaudo(const TParametros& p, TSessao& s, TImpressorasInstaladas& instaladas, Tela& tela,
                   SistemaImpressao& sistema, std::chrono::milliseconds espera,
                   Interrupcao* interrupcao) {
    if (MaiusculasAZ(p.TipoImpressora) == "GRAFICA")
        ImprimirGrafico(p, s, instaladas, tela, sistema, espera, interrupcao);
    else
        ImprimirRaw(p, tela, sistema, s.ImpressoraRelatorios);
}

void BotImprPedidoClick(const TParametros& p, TSessao& s, TImpressorasInstaladas& instaladas,
                        Tela& tela, SistemaImpressao& sistema, std::chrono::milliseconds espera,
                        Interrupcao* interrupcao) {
    tela.ProcessarMensagens();
    if (ValorLinhasPorPagina(p.LinhasPorPagina) == 0) {
        tela.Mensagem(kLinhasPorPaginaZero, TipoMensagem::Aviso);
        tela.ProcessarMensagens();
    } else {
        ImprimirLaudo(p, s, instaladas, tela, sistema, espera, interrupcao);
    }
    tela.RelatorioAoInicio();
}

void BotImprPedidoClick(const TParametros& p, TSessao& s, TImpressorasInstaladas& instaladas,
                        Tela& tela, Interrupcao* interrupcao) {
    SistemaCups cups(interrupcao);
    BotImprPedidoClick(p, s, instaladas, tela, cups, kEsperaEntrePaginas, interrupcao);
}

} // namespace tessela
