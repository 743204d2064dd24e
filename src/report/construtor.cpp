#include "report/construtor.h"

#include "common/arquivo_texto.h"
#include "common/texto.h"
#include "report/arquivos.h"
#include "report/laudo.h"

#include <exception>
#include <optional>

namespace tessela {

namespace {

std::optional<std::string> LerProduto(TSQLQuery& q, const std::string& codigo) {
    q.Fechar();
    q.SQL = kSqlComponente;
    q.Valores = {codigo};
    q.Abrir();
    if (q.Texto("CODIGO") != codigo)
        return std::nullopt;
    return q.Texto("COMPONENTE");
}

std::vector<EnsaioLaudo> LerEnsaios(TClientDataSet& ensaios, const std::string& codigo) {
    ensaios.Fechar();
    ensaios.SQL = kSqlEnsaios;
    ensaios.Valores = {codigo};
    ensaios.Abrir();
    std::vector<EnsaioLaudo> lista;
    for (; !ensaios.Fim(); ensaios.Proximo())
        lista.push_back({ensaios.Texto("ENSAIO"), ensaios.Texto("ESPECIFICACAO")});
    return lista;
}

// The report lines of a found component, and its Laudo file with the column rule,
// without the margin, as its only line. Nothing when the run is ending.
std::vector<std::string> LinhasDoComponente(const ContextoLaudo& c, const DataHora& hoje,
                                            const std::string& produto,
                                            std::vector<EnsaioLaudo> ensaios) {
    const auto& a = c.argumentos;
    EntradaLaudo e;
    e.Produto = produto;
    e.Lote = Cortar(a.lote, 60);
    e.Fornecedor = Cortar(a.fornecedor, 60);
    e.Validade = Cortar(a.validade, 10);
    e.TituloCentralLaudo = c.parametros.TituloCentralLaudo;
    e.TextoData = TextoDataLaudo(hoje);
    e.MargemLaudo = c.sessao.MargemLaudo;
    e.Ensaios = std::move(ensaios);
    std::vector<std::string> linhas = ComporLaudo(e);
    GravarArquivoTexto(CaminhoArquivoLaudo(c.parametros, c.sessao, NomeArquivoProduto(produto)),
                       {std::string(kLinhaColunas)});
    return linhas;
}

} // namespace

ComponenteLido LerComponente(TDM& dm, const std::string& codigo) {
    ComponenteLido lido;
    lido.produto = LerProduto(dm.SQLQuery1, codigo);
    if (lido.produto)
        lido.ensaios = LerEnsaios(dm.Ensaios, codigo);
    // The last one closed detaches.
    dm.SQLQuery1.Fechar();
    dm.Ensaios.Fechar();
    return lido;
}

// The build stops where the run's end finds it: no file is begun once it was asked for.
void MontarLaudo(const ContextoLaudo& c, const DataHora& hoje) {
    if (c.tela.Encerrando())
        return;
    std::vector<std::string> linhasLaudo;
    CriarArquivoTexto(CaminhoDiagOM(c.parametros));
    RegistrarDiag(c.parametros, kTextoInicioDiag);
    c.tela.MostrarEspera();
    c.tela.LimparRelatorio();

    ComponenteLido lido = c.Componente ? c.Componente() : LerComponente(c.dm, c.argumentos.codigo);
    if (lido.produto && !c.tela.Encerrando())
        linhasLaudo = LinhasDoComponente(c, hoje, *lido.produto, std::move(lido.ensaios));

    const bool gravado = !linhasLaudo.empty() && !c.tela.Encerrando();
    if (gravado)
        GravarLaudo(c.parametros, c.sessao, c.tela, linhasLaudo, 1);
    c.tela.EsconderEspera();
    if (gravado)
        c.tela.MostrarRelatorio();
}

void PrepararLaudo(const ContextoLaudo& c, const DataHora& hoje) {
    c.tela.EsconderEdicoes();
    try {
        // Every row of the work table, of all stations.
        if (c.EsvaziarFichaPro)
            c.EsvaziarFichaPro();
        else
            c.dm.SQLConnection3.Executar(kSqlEsvaziarFichaPro);
        c.tela.LimparRelatorio();
    } catch (const std::exception&) {
        c.tela.Mensagem("Erro tentando executar \"delete from fichapro\" em " +
                            c.dm.SQLConnection3.Parametro("DataBase"),
                        TipoMensagem::Simples);
    }
    MontarLaudo(c, hoje);
}

} // namespace tessela
