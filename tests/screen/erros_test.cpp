// The general error handling: an exception escaping a handler reaches the error box
// and the log and the program goes on; a fatal signal leaves a crash report.

#include "common/erros.h"
#include "common/registro.h"
#include "screen/aplicacao.h"
#include "screen/apoio_tela.h"
#include "screen/falhas.h"
#include "screen/formom.h"
#include "screen/mensagens.h"
#include "support/apoio.h"

#include <QProcess>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unistd.h>

using namespace tessela;

namespace {

TApplication& App() {
    return *static_cast<TApplication*>(qApp);
}

std::vector<std::string> Linhas(const std::string& bytes) {
    std::vector<std::string> linhas;
    std::size_t inicio = 0, fim;
    while ((fim = bytes.find("\r\n", inicio)) != std::string::npos) {
        linhas.push_back(bytes.substr(inicio, fim - inicio));
        inicio = fim + 2;
    }
    if (inicio < bytes.size())
        linhas.push_back(bytes.substr(inicio));
    return linhas;
}

// A store through a null pointer that the compiler cannot see coming. The sanitizer
// build must let the fault itself happen, not report the store and exit.
__attribute__((noinline, no_sanitize("null"))) void EscreverEmNulo(const char* zero) {
    auto* p = reinterpret_cast<volatile int*>(std::strtoul(zero, nullptr, 10));
    *p = 42;
}

// The crashing child: installs the handlers and fails in the way asked for.
int Falhar(const char* pasta, const char* modo, const char* zero) {
    InstalarRelatorioDeFalhas(pasta);
    if (std::strcmp(modo, "segv") == 0) {
        EscreverEmNulo(zero);
    } else if (std::strcmp(modo, "abort") == 0) {
        std::abort();
    } else if (std::strcmp(modo, "pilha") == 0) {
        // Unbounded recursion: the report is written from the alternate stack.
        struct Recursao {
            static int Descer(int n, long limite) {
                volatile char quadro[1024];
                quadro[0] = static_cast<char>(n);
                return n < limite ? Descer(n + 1, limite) + quadro[0] : 0;
            }
        };
        return Recursao::Descer(0, std::strtol(zero, nullptr, 10) + 100000000L);
    } else if (std::strcmp(modo, "fpe") == 0) {
        std::raise(SIGFPE);
    }
    return 0;
}

} // namespace

class TesteErros : public QObject {
    Q_OBJECT

    std::unique_ptr<teste::PastaTemporaria> pasta;
    std::vector<std::string> mostrados;

    std::string Registro() {
        return teste::LerBytes(ArquivoDeRegistro(pasta->ComoPasta() + "LOG/", "erros"));
    }

private slots:
    void init() {
        pasta = std::make_unique<teste::PastaTemporaria>();
        App().DefinirPastaPrograma(pasta->ComoPasta());
        mostrados.clear();
        App().MostrarErro = [this](const std::string& texto) { mostrados.push_back(texto); };
    }
    void cleanup() { pasta.reset(); }

    void excecaoNumBotaoVaiACaixaEAoRegistro() {
        TParametros p;
        TFormOM janela(p);
        janela.AoImprimir = [] {
            throw ErroEntradaSaida("N\xE3o foi poss\xEDvel gravar\r\\\\SERVIDOR\\X");
        };
        janela.show();
        QVERIFY(QTest::qWaitForWindowExposed(&janela));
        janela.MostrarRelatorio();

        QTest::mouseClick(janela.BotImprPedido, Qt::LeftButton);
        QCOMPARE(mostrados,
                 std::vector<std::string>{"N\xE3o foi poss\xEDvel gravar\r\\\\SERVIDOR\\X"});
        const auto linhas = Linhas(Registro());
        QCOMPARE(linhas.size(), std::size_t{1});
        QVERIFY(Registro().ends_with("\r\n"));
        // "dd/mm/yyyy hh:nn:ss Kind: text", the text's break kept on the line.
        QCOMPARE(linhas[0].substr(2, 1), std::string("/"));
        QCOMPARE(linhas[0].substr(13, 1), std::string(":"));
        QCOMPARE(linhas[0].substr(20),
                 std::string("ErroEntradaSaida: N\xE3o foi poss\xEDvel gravar | \\\\SERVIDOR\\X"));

        // The program goes on: the window still answers, and a second error is added.
        QTest::mouseClick(janela.BitBtn26, Qt::LeftButton);
        QCOMPARE(janela.Tamanho->text(), QStringLiteral("11"));
        janela.AoImprimir = [] { throw std::out_of_range("fora"); };
        QTest::mouseClick(janela.BotImprPedido, Qt::LeftButton);
        QCOMPARE(mostrados.size(), std::size_t{2});
        QCOMPARE(mostrados[1], std::string("fora"));
        const auto depois = Linhas(Registro());
        QCOMPARE(depois.size(), std::size_t{2});
        QVERIFY(depois[1].substr(20) == "std::out_of_range: fora");
        QVERIFY(janela.isVisible());
    }

    void excecaoNoInicioNaoParaOLaco() {
        TParametros p;
        TFormOM janela(p);
        janela.AoAtivar = [] { throw Erro("ErroSQL", "tabela desconhecida"); };
        janela.show();
        QTRY_COMPARE(mostrados.size(), std::size_t{1});
        QCOMPARE(mostrados[0], std::string("tabela desconhecida"));
        QVERIFY(Registro().find("ErroSQL: tabela desconhecida\r\n") != std::string::npos);
        // A timer still fires: the loop goes on.
        bool disparou = false;
        QTimer::singleShot(0, [&] { disparou = true; });
        QTRY_VERIFY(disparou);
    }

    void caixaDeErroReal() {
        App().MostrarErro = [](const std::string& texto) {
            MostrarMensagem(texto, TipoMensagem::Erro, nullptr);
        };
        QString texto, titulo;
        int icone = -1;
        teste::ResponderCaixa([&](QMessageBox* c) {
            texto = c->text();
            titulo = c->windowTitle();
            icone = c->icon();
        });
        QTimer::singleShot(0, [] { throw std::runtime_error("falhou no temporizador"); });
        QTRY_COMPARE(texto, QStringLiteral("falhou no temporizador"));
        QCOMPARE(titulo, QString::fromUtf8("MAGNOLIA - Laudo de Análise"));
        QCOMPARE(icone, int(QMessageBox::Critical));
        QVERIFY(Registro().find("std::runtime_error: falhou no temporizador") != std::string::npos);
    }

    void registroInacessivelAindaMostraOErro() {
        // A program folder that is a file: LOG cannot be made there.
        teste::EscreverBytes(pasta->Caminho() / "arquivo", "x");
        App().DefinirPastaPrograma((pasta->Caminho() / "arquivo").string() + "/");
        App().TratarErro("Erro", "ainda mostrado");
        QCOMPARE(mostrados, std::vector<std::string>{"ainda mostrado"});
    }

    void registroPostoPorOutroNaoEUsado() {
        // In a LOG folder every user may write, another user can put a link, or a file
        // of their own, where this user's log goes: neither is written through.
        const auto alvo = pasta->Caminho() / "alheio.txt";
        teste::EscreverBytes(alvo, "intacto");
        const std::string log = ArquivoDeRegistro(pasta->ComoPasta() + "LOG/", "erros");
        std::filesystem::create_directories(pasta->Caminho() / "LOG");
        std::filesystem::create_symlink(alvo, log);
        App().TratarErro("Erro", "pelo link");
        QCOMPARE(teste::LerBytes(alvo), std::string("intacto"));
        QVERIFY(std::filesystem::is_symlink(log));

        std::filesystem::remove(log);
        teste::EscreverBytes(log, "do outro");
        if (geteuid() == 0 && chown(log.c_str(), 65534, 65534) == 0) {
            App().TratarErro("Erro", "no arquivo do outro");
            QCOMPARE(teste::LerBytes(log), std::string("do outro"));
        }
        QCOMPARE(mostrados.front(), std::string("pelo link")); // still shown
    }

    void linhaDoRegistro() {
        const DataHora quando{8, 12, 2026, 14, 5, 9};
        QCOMPARE(LinhaDoRegistroDeErros(quando, "ErroBanco", "a\rb\r\nc\nd"),
                 std::string("08/12/2026 14:05:09 ErroBanco: a | b | c | d"));
        QCOMPARE(ClasseDaExcecao(ErroConversao("x")), std::string("ErroConversao"));
        QCOMPARE(ClasseDaExcecao(std::invalid_argument("x")), std::string("std::invalid_argument"));
    }

    void sinalFatalDeixaRelatorio_data() {
        QTest::addColumn<QString>("modo");
        QTest::addColumn<int>("sinal");
        QTest::addColumn<QString>("nome");
        QTest::newRow("acesso a nulo") << "segv" << int(SIGSEGV) << "SIGSEGV";
        QTest::newRow("estouro de pilha") << "pilha" << int(SIGSEGV) << "SIGSEGV";
        QTest::newRow("abort") << "abort" << int(SIGABRT) << "SIGABRT";
        QTest::newRow("aritmetico") << "fpe" << int(SIGFPE) << "SIGFPE";
    }
    void sinalFatalDeixaRelatorio() {
        QFETCH(QString, modo);
        QFETCH(int, sinal);
        QFETCH(QString, nome);
        const QString pastaLog = QString::fromStdString(pasta->ComoPasta() + "LOG/");
        for (int vez = 0; vez < 2; ++vez) {
            QProcess filho;
            filho.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--falhar"), pastaLog, modo, QStringLiteral("0")});
            QVERIFY(filho.waitForFinished(30000));
            QCOMPARE(filho.exitStatus(), QProcess::CrashExit);
            QCOMPARE(filho.exitCode(), sinal); // ended by the signal itself
        }
        const std::string relatorio =
            teste::LerBytes(ArquivoDeRegistro(pastaLog.toStdString(), "falhas"));
        const std::string marca = "Falha fatal: " + nome.toStdString();
        const auto primeira = relatorio.find(marca);
        QVERIFY2(primeira != std::string::npos, relatorio.c_str());
        QVERIFY(relatorio.find(marca, primeira + 1) != std::string::npos); // appended
        QVERIFY(relatorio.find("Pilha de chamadas:\r\n") != std::string::npos);
        // Frames name the executable, each line ended by CR LF only.
        QVERIFY(relatorio.find("erros_test") != std::string::npos);
        for (std::size_t i = 0; i < relatorio.size(); ++i)
            if (relatorio[i] == '\n')
                QVERIFY(i > 0 && relatorio[i - 1] == '\r');
    }
};

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--falhar") == 0)
        return Falhar(argv[2], argv[3], argv[4]);
    TApplication app(argc, argv);
    TesteErros teste;
    return QTest::qExec(&teste, argc, argv);
}

#include "erros_test.moc"
