// The least a start of the program has to do, to compare its start-up with: start Qt
// with a window, attach twice to the stored local location and detach (as the data
// module's load does), attach to the three databases, run the four queries of a run (the
// user's station, the window colour, the component, its tests), show the rows, end.
//   linha_de_base [HOST [USER [CODE]]]   defaults SERVIDOR maria 000123
// Prints, each line as soon as it is true, the milliseconds from main to the window
// shown and to the rows shown; the rows' line also gives that moment on the
// steady_clock (CLOCK_MONOTONIC) in nanoseconds, for cutting the slow-link proxy's
// event log there.

#include "common/texto.h"
#include "database/conexao.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Relogio = std::chrono::steady_clock;

tessela::ListaParametros Parametros(const std::string& local) {
    return {{"Database", local},          {"User_Name", "sysdba"}, {"Password", "tealcobra"},
            {"ServerCharSet", "win1252"}, {"SQLDialect", "3"},     {"WaitOnLocks", "True"}};
}

double Ms(Relogio::time_point desde) {
    return std::chrono::duration<double, std::milli>(Relogio::now() - desde).count();
}

void Mostrar(QPlainTextEdit& texto, tessela::TSQLQuery& q, const char* campo) {
    for (q.Abrir(); !q.Fim(); q.Proximo())
        texto.appendPlainText(QString::fromStdString(tessela::Cp1252ParaUtf8(q.Texto(campo))));
    q.Fechar();
}

} // namespace

int main(int argc, char** argv) {
    const auto inicio = Relogio::now();
    const std::string host = argc > 1 ? argv[1] : "SERVIDOR";
    const std::string usuario = argc > 2 ? argv[2] : "maria";
    const std::string codigo = argc > 3 ? argv[3] : "000123";

    int argcQt = 1;
    QApplication app(argcQt, argv);
    QPlainTextEdit janela;
    janela.resize(950, 520);
    janela.show();
    while (!janela.windowHandle() || !janela.windowHandle()->isExposed())
        app.processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("janela %.1f ms\n", Ms(inicio));
    std::fflush(stdout);

    for (int i = 0; i < 2; ++i) {
        tessela::TSQLConnection local("local",
                                      Parametros("127.0.0.1:C:\\MAGNOLIA\\DADOS\\MAGNOLIA.BD"));
        local.Conectar();
        local.Desconectar();
    }
    tessela::TSQLConnection dados("dados", Parametros(host + ":C:\\magnolia\\dados\\MAGNOLIA.BD"));
    tessela::TSQLConnection interfac("interfac",
                                     Parametros(host + ":C:\\magnolia\\interfac\\MAGNOLIA.BD"));
    tessela::TSQLConnection estacao("estacao",
                                    Parametros(host + ":C:\\magnolia\\Interfac03\\MAGNOLIA.BD"));
    dados.Conectar();
    interfac.Conectar();
    estacao.Conectar();

    tessela::TSQLQuery q(dados);
    q.SQL = "select ESTACAO, DATBASNAM, USUARIO from ESTACOES where upper(USUARIO) = ?";
    q.Valores = {tessela::MaiusculasAZ(usuario)};
    Mostrar(janela, q, "ESTACAO");
    q.SQL = "select CORFUNDO from CONFIG";
    q.Valores = {};
    Mostrar(janela, q, "CORFUNDO");
    q.SQL = "select CODIGO, COMPONENTE from componen where CODIGO = cast(? as varchar(32765))";
    q.Valores = {codigo};
    Mostrar(janela, q, "COMPONENTE");
    q.SQL = "select A.CODIGOCOMP, A.CODIGOESPEC, B.ENSAIO, B.ESPECIFICACAO from ENSAIOS A, "
            "ESPECIFICACOES B WHERE (A.CODIGOCOMP = cast(? as varchar(32765))) AND "
            "(A.CODIGOESPEC=B.CODIGOESPEC) ORDER BY B.ENSAIO";
    Mostrar(janela, q, "ESPECIFICACAO");
    janela.repaint();
    const auto agora = Relogio::now();
    std::printf("linhas %.1f ms, steady_clock %lld ns\n",
                std::chrono::duration<double, std::milli>(agora - inicio).count(),
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::nanoseconds>(agora.time_since_epoch())
                        .count()));
    std::fflush(stdout); // the measurement reads this line as it comes
    return 0;
}
