#include "startup/programa.h"

#include "database/dm.h"
#include "printing/comando.h"
#include "settings/leitor.h"
#include "startup/sequencia.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>

namespace tessela {

void LimparCaixaPedidos(TSQLConnection& conexao, const CamposPedido& campos) {
    try {
        conexao.Executar(kSqlLimparCaixaPedidos,
                         {campos.estacao, campos.pedidoInicial, campos.pedidoFinal});
    } catch (const std::exception&) {
        // Clearing the mark is a courtesy to the suite; leaving never fails on it.
    }
}

void EncerrarJanelas(QWidget& janela) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == &janela || !w->isVisible())
            continue;
        if (auto* caixa = qobject_cast<QDialog*>(w))
            caixa->reject();
        else
            w->close();
    }
    QMetaObject::invokeMethod(
        &janela, [&janela] { janela.close(); }, Qt::QueuedConnection);
}

int ExecutarTessela(TApplication& app, const Argumentos& argumentos,
                    const std::string& pastaExecutavel, Interrupcao& interrupcao) {
    TParametros parametros;
    TSessao sessao;
    TFormOM janela(parametros);
    app.DefinirPastaPrograma(pastaExecutavel);

    // From here on, also while a box is open and before the loop runs. The windows are
    // closed from this loop alone, and only while they exist.
    janela.DefinirInterrupcao(&interrupcao);
    app.DefinirInterrupcao(&interrupcao);
    QSocketNotifier pedido(interrupcao.Descritor(), QSocketNotifier::Read);
    QObject::connect(&pedido, &QSocketNotifier::activated, &janela, [&pedido, &janela] {
        pedido.setEnabled(false); // it stays readable for good
        EncerrarJanelas(janela);
    });

    TDM dm(&interrupcao);
    try {
        dm.Carregar();
    } catch (...) {
        app.TratarExcecao(std::current_exception());
        return 1;
    }
    try {
        dm.DataModuleCreate(parametros, sessao, janela, pastaExecutavel,
                            SeparadorDecimalDoProcesso());
    } catch (const ErroMagnoliaIniAusente& e) {
        janela.Mensagem(e.what(), TipoMensagem::Simples);
        return 1;
    } catch (...) {
        // Like any other error of an event handler: shown and logged, and the run
        // goes on with whatever the data module has.
        app.TratarExcecao(std::current_exception());
    }
    if (!sessao.DirPrograma.empty())
        app.DefinirPastaPrograma(sessao.DirPrograma);

    ContextoExecucao contexto{parametros, sessao, dm, janela, argumentos};
    janela.AoAtivar = [&] { FormActivate(contexto); };
    TImpressorasInstaladas impressoras;
    janela.AoImprimir = [&] {
        BotImprPedidoClick(parametros, sessao, impressoras, janela, &interrupcao);
    };
    janela.AoFecharPedidos = [&](const CamposPedido& campos) {
        if (!argumentos.usuario.empty())
            LimparCaixaPedidos(dm.SQLConnection1, campos);
    };

    janela.show();
    return app.exec();
}

} // namespace tessela
