#include "report/arquivos.h"

#include "common/arquivo_texto.h"

namespace tessela {

namespace {
constexpr int kLinhasFinais = 4;
}

std::string CaminhoDiagOM(const TParametros& p) {
    return RaizDoCompartilhamento(p.IPServidor, p.PastaMagnolia) + "\\DiagOM.txt";
}

std::string CaminhoArquivoLaudo(const TParametros& p, const TSessao& s,
                                std::string_view nomeArquivoProduto) {
    return PastaInterfac(p.IPServidor, p.PastaMagnolia, s.EstLocal) + "\\Laudo" +
           std::string(nomeArquivoProduto) + ".txt";
}

std::string CaminhoRelatorio(const TParametros& p, const TSessao& s, int numero) {
    return PastaInterfac(p.IPServidor, p.PastaMagnolia, s.EstLocal) + "\\Fichapes" +
           std::to_string(numero) + ".txt";
}

void RegistrarDiag(const TParametros& p, std::string_view texto) {
    AcrescentarLinha(CaminhoDiagOM(p), texto);
}

void GravarLaudo(const TParametros& p, const TSessao& s, Tela& tela,
                 const std::vector<std::string>& linhasLaudo, int numero) {
    auto noArquivo = linhasLaudo;
    noArquivo.insert(noArquivo.end(), kLinhasFinais, std::string());
    GravarArquivoTexto(CaminhoRelatorio(p, s, numero), noArquivo);

    for (const auto& linha : linhasLaudo)
        tela.AcrescentarLinhaRelatorio(linha);
    // The screen's trailing lines hold one blank: the printing reads them from there.
    for (int i = 0; i < kLinhasFinais; ++i)
        tela.AcrescentarLinhaRelatorio(" ");
    tela.RelatorioAoInicio();
}

} // namespace tessela
