// The whole program in one process against the private Firebird server and the test
// share: the window opens, the start-up sequence builds the example report, the report
// screen shows it, "&Voltar" ends the run. Runs inside com-compartilhamento.sh.
//
// With TESSELA_CAPTURA_TELA set to a file name, the report screen is also saved there
// as a picture of the real screen (run under Xvfb with QT_QPA_PLATFORM=xcb).

#include "common/arquivo_texto.h"
#include "common/registro.h"
#include "common/texto.h"
#include "common/texto_qt.h"
#include "database/dm.h"
#include "screen/aplicacao.h"
#include "screen/formom.h"
#include "settings/leitor.h"
#include "startup/programa.h"
#include "support/apoio.h"

#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <memory>

using namespace tessela;

namespace {

TApplication& App() {
    return *static_cast<TApplication*>(qApp);
}

TFormOM* JanelaPrincipal() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* janela = dynamic_cast<TFormOM*>(w))
            return janela;
    return nullptr;
}

// What a user watching the run saw; boxes are answered with OK, the report screen is
// left with "&Voltar".
struct Observacao {
    std::vector<std::string> caixas;
    bool janelaVisivelNaCaixa = false;
    std::vector<std::string> linhas;
    QString titulo;
    QColor fundo;
    bool esperaVisivelNoRelatorio = true;
};

int Executar(const std::string& pasta, const Argumentos& argumentos, Observacao& visto) {
    QTimer relogio;
    bool deixou = false;
    QObject::connect(&relogio, &QTimer::timeout, [&] {
        TFormOM* janela = JanelaPrincipal();
        if (auto* caixa = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (!caixa->isVisible())
                return;
            visto.caixas.push_back(DeQt(caixa->text()));
            visto.janelaVisivelNaCaixa =
                visto.janelaVisivelNaCaixa || (janela && janela->isVisible());
            caixa->button(QMessageBox::Ok)->click();
            return;
        }
        if (!deixou && janela && janela->PainelImprime->isVisible()) {
            deixou = true;
            visto.linhas = janela->LinhasRelatorio();
            visto.titulo = janela->windowTitle();
            visto.fundo = janela->PainelFichaPro->palette().color(QPalette::Window);
            visto.esperaVisivelNoRelatorio = janela->PainelTermFicha->isVisible();
            if (const char* captura = std::getenv("TESSELA_CAPTURA_TELA")) {
                QTest::qWait(500);
                const QRect area = janela->frameGeometry();
                janela->screen()
                    ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                    .save(QString::fromLocal8Bit(captura));
            }
            QTest::mouseClick(janela->BitBtn22, Qt::LeftButton);
        }
    });
    relogio.start(10);
    // A run that hangs fails instead of blocking the suite.
    QTimer limite;
    limite.setSingleShot(true);
    QObject::connect(&limite, &QTimer::timeout, [] {
        QApplication::closeAllWindows();
        QApplication::exit(99);
    });
    limite.start(90000);
    Interrupcao interrupcao;
    return ExecutarTessela(App(), argumentos, pasta, interrupcao);
}

const Argumentos kExemplo{"000123", "L2301", "DISTRIBUIDORA CENTRAL", "12/2027", "maria"};

// The date of the report heading is today's: masked on both sides.
std::string SemData(std::string linha) {
    const auto p = linha.find("Data: ");
    if (p != std::string::npos && p + 16 <= linha.size() && linha[p + 8] == '/')
        linha.replace(p + 6, 10, "dd/mm/aaaa");
    return linha;
}

} // namespace

class TesteProgramaCompleto : public QObject {
    Q_OBJECT

    std::unique_ptr<teste::PastaTemporaria> pasta;
    std::filesystem::path compartilhamento;

private slots:
    void initTestCase() {
        compartilhamento = teste::PastaDoCompartilhamento();
        if (compartilhamento.empty())
            QFAIL("run inside tests/support/com-compartilhamento.sh");
    }
    void init() { pasta = std::make_unique<teste::PastaTemporaria>(); }
    void cleanup() { pasta.reset(); }

    void relatorioDoExemploNaTela() {
        GravarArquivoTexto(pasta->ComoPasta() + "MAGNOLIA.INI", teste::IniDeTeste());
        Observacao visto;
        QCOMPARE(Executar(pasta->ComoPasta(), kExemplo, visto), 0);

        QCOMPARE(visto.caixas, std::vector<std::string>{});
        QCOMPARE(visto.titulo,
                 QString::fromUtf8("  MAGNOLIA          Usuário: \"maria\"   Estação: 03"));
        QVERIFY(!visto.esperaVisivelNoRelatorio);
        QVERIFY(visto.fundo.isValid());

        // The screen holds the report file's lines, and the file's four empty closing
        // lines as lines of one blank.
        const auto arquivo =
            LerLinhasTexto((compartilhamento / "Interfac03" / "Fichapes1.txt").string());
        QVERIFY(arquivo.size() > 4);
        QCOMPARE(visto.linhas.size(), arquivo.size());
        for (std::size_t i = 0; i < arquivo.size(); ++i)
            QCOMPARE(visto.linhas[i], i + 4 >= arquivo.size() ? std::string(" ") : arquivo[i]);

        // And they are the example report, with the two-blank margin of settings
        // without LARGURA DA OM.
        const auto exemplo =
            LerLinhasTexto(std::string(TESSELA_FONTE_TESTES) + "/report/golden/exemplo.txt");
        QCOMPARE(visto.linhas.size(), exemplo.size() + 4);
        for (std::size_t i = 0; i < exemplo.size(); ++i)
            QCOMPARE(SemData(visto.linhas[i]), SemData("  " + exemplo[i]));

        QVERIFY(ArquivoExiste((compartilhamento / "Interfac03" / "ULTATIV.LLF").string()));
        // The LOG folder of the program folder exists, and no error was logged.
        QVERIFY(std::filesystem::is_directory(pasta->Caminho() / "LOG"));
        QVERIFY(!std::filesystem::exists(ArquivoDeRegistro(pasta->ComoPasta() + "LOG/", "erros")));
    }

    void semMagnoliaIniTerminaComStatus1() {
        Observacao visto;
        QCOMPARE(Executar(pasta->ComoPasta(), kExemplo, visto), 1);
        QCOMPARE(visto.caixas, std::vector<std::string>{kMensagemMagnoliaIniAusente});
        QVERIFY(!visto.janelaVisivelNaCaixa);
        QVERIFY(visto.linhas.empty());
    }

    void usuarioSemEstacaoFechaAJanela() {
        GravarArquivoTexto(pasta->ComoPasta() + "MAGNOLIA.INI", teste::IniDeTeste());
        Observacao visto;
        const Argumentos zeca{"000123", "L2301", "DISTRIBUIDORA CENTRAL", "12/2027", "zeca"};
        QCOMPARE(Executar(pasta->ComoPasta(), zeca, visto), 0);
        QVERIFY(!visto.caixas.empty());
        QCOMPARE(
            visto.caixas.back(),
            std::string("N\xE3o foi identificada uma \xE1rea de trabalho para o usu\xE1ro ZECA"));
        QVERIFY(visto.linhas.empty());
    }

    void pedidosLimposNoFechamento() {
        TDM dm;
        TSQLConnection& c = dm.SQLConnection1;
        c.DefinirParametro("DataBase", "127.0.0.1:C:\\magnolia\\interfac\\MAGNOLIA.BD");
        c.Executar("delete from PEDIDOS where ESTACAO = '09'");
        for (int n : {5001, 5002, 5003})
            c.Executar("insert into PEDIDOS (ESTACAO, NPEDIDO, CAIXAQ) values ('09', ?, 'X')",
                       {std::int64_t{n}});
        LimparCaixaPedidos(c, {"09", "5001", "5002"});
        // The statement's errors are ignored: a number the server rejects.
        LimparCaixaPedidos(c, {"09", "nada", "5003"});

        TSQLQuery q(c);
        q.SQL = "select NPEDIDO, CAIXAQ from PEDIDOS where ESTACAO = '09' order by NPEDIDO";
        q.Abrir();
        std::vector<std::pair<std::int64_t, std::string>> linhas;
        for (; !q.Fim(); q.Proximo())
            linhas.emplace_back(q.Inteiro("NPEDIDO"), q.Texto("CAIXAQ"));
        q.Fechar();
        c.Executar("delete from PEDIDOS where ESTACAO = '09'");
        const std::vector<std::pair<std::int64_t, std::string>> esperado = {
            {5001, ""}, {5002, ""}, {5003, "X"}};
        QCOMPARE(linhas, esperado);
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TesteProgramaCompleto teste;
    return QTest::qExec(&teste, argc, argv);
}

#include "programa_test.moc"
