// The main window driven as a user would: controls, font buttons, report text,
// leaving, the start-up at the first activation, message boxes and colours.

#include "common/arquivo_texto.h"
#include "common/texto.h"
#include "common/texto_qt.h"
#include "screen/aplicacao.h"
#include "screen/apoio_tela.h"
#include "screen/exibicao.h"
#include "screen/formom.h"
#include "screen/inicio.h"
#include "screen/mensagens.h"
#include "support/apoio.h"

#include <QFontInfo>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QWindow>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tessela;

namespace {

const QColor kMarinho(0, 0, 128);

std::vector<QString> TextosDosBlocos(const QPlainTextEdit* texto) {
    std::vector<QString> blocos;
    for (QTextBlock b = texto->document()->begin(); b.isValid(); b = b.next())
        blocos.push_back(b.text());
    return blocos;
}

// Every byte from 0x20 to 0xFF, in lines of 32.
std::vector<std::string> LinhasComTodosOsBytes() {
    std::vector<std::string> linhas;
    for (int inicio = 0x20; inicio <= 0xE0; inicio += 32) {
        std::string linha;
        for (int b = inicio; b < inicio + 32; ++b)
            linha += static_cast<char>(b);
        linhas.push_back(linha);
    }
    return linhas;
}

} // namespace

class TesteFormOM : public QObject {
    Q_OBJECT

    TParametros parametros;
    std::unique_ptr<TFormOM> janela;

    void Mostrar() {
        janela->show();
        QVERIFY(QTest::qWaitForWindowExposed(janela.get()));
    }

private slots:
    void init() {
        parametros = TParametros{};
        janela = std::make_unique<TFormOM>(parametros);
        janela->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    void cleanup() { janela.reset(); }

    // Other programs (and readers through AT-SPI) find the controls by these names.
    void controlesAchadosPeloNome() {
        QCOMPARE(janela->objectName(), QStringLiteral("FormOM"));
        for (const char* nome :
             {"PainelFichaPro", "PainelTermFicha", "Label3", "PainelImprime", "Memo1", "Memo2",
              "EstacaoSel", "NPedidoInicial", "NPedidoFinal", "NFormula", "LabelOM", "BitBtn25",
              "Tamanho", "BitBtn26", "BotImprPedido", "BitBtn22", "RelPed"})
            QVERIFY2(janela->findChild<QWidget*>(QString::fromLatin1(nome)) != nullptr, nome);
    }

    void formCreateTamanhoCentroEPredefinicoes() {
        QCOMPARE(janela->size(), QSize(960, 610));
        const QRect tela = janela->screen()->availableGeometry();
        QVERIFY(qAbs(janela->geometry().center().x() - tela.center().x()) <= 1);
        QVERIFY(qAbs(janela->geometry().center().y() - tela.center().y()) <= 1);
        QCOMPARE(parametros.EntrelinhamentoLaudo, 16);
        QCOMPARE(parametros.MargemEsquerdaLaudo, std::string("5"));
        QCOMPARE(parametros.FonteLaudo, std::string("Consolas"));
        QCOMPARE(parametros.TamanhoFonteLaudo, 8);
        QCOMPARE(janela->windowTitle(), QString::fromUtf8("MAGNOLIA - Laudo de Análise"));
    }

    void posicoesFontesECores() {
        QCOMPARE(janela->BitBtn25->geometry(), QRect(411, 11, 34, 28));
        QCOMPARE(janela->Tamanho->geometry(), QRect(439, 16, 37, 20));
        QCOMPARE(janela->BitBtn26->geometry(), QRect(471, 11, 31, 27));
        QCOMPARE(janela->BotImprPedido->geometry(), QRect(580, 9, 149, 34));
        QCOMPARE(janela->BitBtn22->geometry(), QRect(797, 9, 139, 34));
        QCOMPARE(janela->LabelOM->pos(), QPoint(18, 16));
        QCOMPARE(janela->RelPed->geometry(), QRect(2, 64, 942, 519));
        QCOMPARE(janela->PainelImprime->geometry(), QRect(2, 2, 946, 512));
        QCOMPARE(janela->Memo1->size(), QSize(397, 84));
        QCOMPARE(janela->Memo2->size(), QSize(181, 57));

        auto fonte = [](QWidget* w, const char* familia, int pixels, bool negrito) {
            QCOMPARE(w->font().family(), QString::fromLatin1(familia));
            QCOMPARE(w->font().pixelSize(), pixels);
            QCOMPARE(w->font().bold(), negrito);
        };
        fonte(janela->Label3, "Arial Black", 27, true);
        fonte(janela->LabelOM, "Arial", 16, false);
        fonte(janela->Tamanho, "Arial", 13, false);
        fonte(janela->BotImprPedido, "Arial", 16, true);
        fonte(janela->BitBtn22, "Arial", 16, true);
        fonte(janela->Memo1, "Courier", 13, false);
        fonte(janela->Memo2, "Courier", 13, false);

        QCOMPARE(janela->Label3->palette().color(QPalette::WindowText), kMarinho);
        QCOMPARE(janela->LabelOM->palette().color(QPalette::WindowText), QColor(0, 128, 0));
        QCOMPARE(janela->Tamanho->palette().color(QPalette::WindowText), QColor(Qt::black));
        QCOMPARE(janela->BotImprPedido->palette().color(QPalette::ButtonText), kMarinho);
        QCOMPARE(janela->BitBtn22->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
        QCOMPARE(janela->PainelTermFicha->palette().color(QPalette::Window), QColor(255, 251, 240));
        QCOMPARE(janela->PainelTermFicha->frameShadow(), QFrame::Sunken);
        QCOMPARE(janela->PainelImprime->frameShadow(), QFrame::Sunken);
        QCOMPARE(janela->PainelFichaPro->frameShape(), QFrame::NoFrame);
    }

    void textosAtalhosEGlifos() {
        QCOMPARE(janela->LabelOM->text(),
                 QString::fromUtf8("Laudo de Análise do Controle de Qualidade"));
        QCOMPARE(janela->Tamanho->text(), QStringLiteral("10"));
        QCOMPARE(janela->Tamanho->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
        QCOMPARE(janela->BotImprPedido->text(), QStringLiteral("I&mprimir"));
        QCOMPARE(janela->BitBtn22->text(), QStringLiteral("&Voltar"));
        QCOMPARE(janela->BotImprPedido->shortcut(), QKeySequence(Qt::ALT | Qt::Key_M));
        QCOMPARE(janela->BitBtn22->shortcut(), QKeySequence(Qt::ALT | Qt::Key_V));
        QVERIFY(janela->BitBtn25->text().isEmpty());
        QVERIFY(janela->BitBtn26->text().isEmpty());
        for (QPushButton* b :
             {janela->BitBtn25, janela->BitBtn26, janela->BotImprPedido, janela->BitBtn22}) {
            QVERIFY2(!b->icon().isNull(), qPrintable(b->objectName()));
            QVERIFY(!b->icon().pixmap(b->iconSize()).isNull());
        }
        // The left arrow points left: its red mass lies on the left half's tip.
        const QImage esquerda = janela->BitBtn25->icon().pixmap(32, 32).toImage();
        const QImage direita = janela->BitBtn26->icon().pixmap(32, 32).toImage();
        QVERIFY(qRed(esquerda.pixel(4, 16)) > 150 && qAlpha(esquerda.pixel(27, 16)) > 0);
        QCOMPARE(qAlpha(esquerda.pixel(4, 5)), 0);
        QVERIFY(qRed(direita.pixel(27, 16)) > 150);
        QCOMPARE(qAlpha(direita.pixel(27, 5)), 0);
    }

    void ocultosEVisibilidadeInicial() {
        Mostrar();
        QVERIFY(!janela->PainelTermFicha->isVisible());
        QVERIFY(!janela->PainelImprime->isVisible());
        QVERIFY(janela->PainelFichaPro->isVisible());
        QCOMPARE(janela->PainelFichaPro->geometry(), janela->rect());
        for (QWidget* w :
             {static_cast<QWidget*>(janela->Memo1), static_cast<QWidget*>(janela->Memo2),
              static_cast<QWidget*>(janela->EstacaoSel),
              static_cast<QWidget*>(janela->NPedidoInicial),
              static_cast<QWidget*>(janela->NPedidoFinal), static_cast<QWidget*>(janela->NFormula)})
            QVERIFY(!w->isVisible());
        QVERIFY(janela->EstacaoSel->text().isEmpty());
        // Placed outside the window.
        QVERIFY(!janela->rect().intersects(janela->EstacaoSel->geometry()));
    }

    void relPedSomenteLeituraFixoSemQuebra() {
        QPlainTextEdit* r = janela->RelPed;
        QVERIFY(r->isReadOnly());
        QCOMPARE(r->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(r->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(r->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(QFontInfo(r->font()).fixedPitch());
        QCOMPARE(r->font().pointSize(), 10);
        QCOMPARE(r->palette().color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(r->palette().color(QPalette::Text), kMarinho);
        // Typing changes nothing.
        janela->AcrescentarLinhaRelatorio("abc");
        QTest::keyClicks(r, "xyz");
        QCOMPARE(janela->LinhasRelatorio(), std::vector<std::string>{"abc"});
    }

    void ordemDeTabulacao() {
        Mostrar();
        janela->MostrarRelatorio();
        QApplication::setActiveWindow(janela.get());
        QVERIFY(QTest::qWaitForWindowActive(janela.get()));
        janela->BotImprPedido->setFocus();
        const std::vector<QWidget*> ordem = {janela->BitBtn22, janela->RelPed, janela->BitBtn25,
                                             janela->BitBtn26};
        for (QWidget* proximo : ordem) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), proximo);
        }
    }

    void botoesDeFonteSemLimites() {
        Mostrar();
        janela->MostrarRelatorio();
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(janela->BitBtn26, Qt::LeftButton);
        QCOMPARE(janela->Tamanho->text(), QStringLiteral("13"));
        QCOMPARE(janela->RelPed->font().pointSize(), 13);
        QCOMPARE(janela->TamanhoFonte(), 13);

        for (int i = 0; i < 13; ++i)
            QTest::mouseClick(janela->BitBtn25, Qt::LeftButton);
        QCOMPARE(janela->Tamanho->text(), QStringLiteral("0"));
        QCOMPARE(janela->RelPed->font().pointSize(), 1); // still drawable
        QTest::mouseClick(janela->BitBtn25, Qt::LeftButton);
        QTest::mouseClick(janela->BitBtn25, Qt::LeftButton);
        QCOMPARE(janela->Tamanho->text(), QStringLiteral("-2"));
        QCOMPARE(janela->TamanhoFonte(), -2);
        QCOMPARE(janela->RelPed->font().pointSize(), 1);
        for (int i = 0; i < 4; ++i)
            QTest::mouseClick(janela->BitBtn26, Qt::LeftButton);
        QCOMPARE(janela->Tamanho->text(), QStringLiteral("2"));
        QCOMPARE(janela->RelPed->font().pointSize(), 2);
        QVERIFY(QFontInfo(janela->RelPed->font()).fixedPitch());
    }

    void dezCliquesAEsquerdaMostramZero() {
        for (int i = 0; i < 10; ++i)
            janela->BitBtn25->click();
        QCOMPARE(janela->Tamanho->text(), QStringLiteral("0"));
        janela->BitBtn25->click();
        QCOMPARE(janela->Tamanho->text(), QStringLiteral("-1"));
    }

    void linhasDoRelatorioExatas() {
        std::vector<std::string> linhas = LinhasComTodosOsBytes();
        linhas.insert(linhas.begin(), ""); // a first empty line is a line too
        linhas.push_back("");
        linhas.push_back(
            "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94\x95\x96\x97\x98"
            "\x99\x9A\x9B\x9C\x9E\x9F");
        linhas.push_back("\x81\x8D\x8F\x90\x9D"); // undefined in 1252, kept all the same
        linhas.push_back("a\rb\nc\tnbsp:\xA0.");  // breaks inside a line stay inside it
        linhas.push_back(" ");
        for (const auto& l : linhas)
            janela->AcrescentarLinhaRelatorio(l);
        QCOMPARE(janela->LinhasRelatorio(), linhas);
        QCOMPARE(janela->RelPed->document()->blockCount(), static_cast<int>(linhas.size()));
        // What the user sees: the characters themselves.
        janela->LimparRelatorio();
        QVERIFY(janela->LinhasRelatorio().empty());
        janela->AcrescentarLinhaRelatorio("\xE7 \xE3 \xE9 \x80 \x93 \x94 \x85");
        QCOMPARE(TextosDosBlocos(janela->RelPed),
                 std::vector<QString>{QString::fromUtf8("ç ã é € “ ” …")});
    }

    void relatorioExemploMostradoComoEsta() {
        const auto exemplo =
            LerLinhasTexto(std::string(TESSELA_FONTE_TESTES) + "/report/golden/exemplo.txt");
        QVERIFY(exemplo.size() > 10);
        janela->LimparRelatorio();
        for (const auto& l : exemplo)
            janela->AcrescentarLinhaRelatorio(l);
        janela->RelatorioAoInicio();
        janela->MostrarRelatorio();
        Mostrar();
        QCOMPARE(janela->LinhasRelatorio(), exemplo);
        const auto blocos = TextosDosBlocos(janela->RelPed);
        QCOMPARE(blocos.size(), exemplo.size());
        for (std::size_t i = 0; i < exemplo.size(); ++i)
            QCOMPARE(blocos[i], ParaQt(exemplo[i]));
        QCOMPARE(janela->RelPed->textCursor().position(), 0);
        QCOMPARE(janela->RelPed->verticalScrollBar()->value(), 0);
        // No wrapping: 119 columns make the horizontal bar scroll.
        // Larger text: the lines keep their breaks (no wrapping) and the horizontal bar
        // follows the longest one.
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(janela->BitBtn26, Qt::LeftButton);
        QTRY_VERIFY(janela->RelPed->horizontalScrollBar()->maximum() > 0);
        QCOMPARE(janela->RelPed->document()->blockCount(), static_cast<int>(exemplo.size()));
        auto linhasVisuais = [&] {
            int n = 0;
            for (QTextBlock b = janela->RelPed->document()->begin(); b.isValid(); b = b.next())
                n += b.layout()->lineCount();
            return n;
        };
        QTRY_COMPARE(linhasVisuais(), static_cast<int>(exemplo.size()));
        // A second build starts from an empty text.
        janela->LimparRelatorio();
        janela->AcrescentarLinhaRelatorio(exemplo[1]);
        QCOMPARE(janela->LinhasRelatorio(), std::vector<std::string>{exemplo[1]});
    }

    void telaDoRelatorioPreencheAJanela() {
        Mostrar();
        janela->MostrarRelatorio();
        QVERIFY(janela->PainelImprime->isVisible());
        QVERIFY(janela->BotImprPedido->isVisible());
        QCOMPARE(janela->PainelImprime->geometry(), janela->PainelFichaPro->rect());
        const QRect r = janela->RelPed->geometry();
        QCOMPARE(r.height(), 519);
        QCOMPARE(r.bottom(), janela->PainelImprime->height() - 3);
        QCOMPARE(r.left(), 2);
        QCOMPARE(r.width(), janela->PainelImprime->width() - 4);
        janela->resize(1200, 700);
        QTRY_COMPARE(janela->PainelImprime->width(), 1200);
        QCOMPARE(janela->RelPed->width(), 1196);
        QCOMPARE(janela->RelPed->height(), 519);
        QCOMPARE(janela->RelPed->geometry().bottom(), 700 - 3);
        // Too low for the whole height: the text area stays below the buttons.
        janela->resize(700, 400);
        QTRY_COMPARE(janela->PainelImprime->height(), 400);
        QCOMPARE(janela->RelPed->y(), 64);
        QCOMPARE(janela->RelPed->geometry().bottom(), 400 - 3);
    }

    void esperaCorTituloEEdicoes() {
        Mostrar();
        janela->MostrarEspera();
        janela->TextoEspera("       Aguarde por favor...");
        QVERIFY(janela->PainelTermFicha->isVisible());
        QCOMPARE(janela->PainelTermFicha->geometry(), QRect(203, 115, 554, 179));
        QCOMPARE(janela->Label3->text(), QStringLiteral("       Aguarde por favor..."));
        QCOMPARE(janela->Label3->x(), 50);
        janela->EsconderEspera();
        QVERIFY(!janela->PainelTermFicha->isVisible());

        janela->DefinirCor(0x00804020);
        QCOMPARE(janela->palette().color(QPalette::Window), QColor(0x20, 0x40, 0x80));
        QCOMPARE(janela->PainelFichaPro->palette().color(QPalette::Window),
                 QColor(0x20, 0x40, 0x80));
        janela->DefinirCor(static_cast<std::int32_t>(0xFF00000Fu));
        QCOMPARE(janela->PainelFichaPro->palette().color(QPalette::Window),
                 QApplication::palette().color(QPalette::Button));

        janela->DefinirTitulo("  MAGNOLIA          Usu\xE1rio: \"maria\"   Esta\xE7\xE3o: 03");
        QCOMPARE(janela->windowTitle(),
                 QString::fromUtf8("  MAGNOLIA          Usuário: \"maria\"   Estação: 03"));

        janela->EstacaoSel->show();
        janela->EsconderEdicoes();
        QVERIFY(!janela->EstacaoSel->isVisible());
    }

    void voltarFechaSemPedidosQuandoVazios() {
        int pedidos = 0;
        janela->AoFecharPedidos = [&](const CamposPedido&) { ++pedidos; };
        Mostrar();
        janela->MostrarRelatorio();
        QTest::mouseClick(janela->BitBtn22, Qt::LeftButton);
        QVERIFY(!janela->isVisible());
        QVERIFY(janela->PainelImprime->isHidden());
        QCOMPARE(pedidos, 0);
    }

    void voltarEFecharExecutamOFechamento_data() {
        QTest::addColumn<int>("como");
        QTest::newRow("Voltar") << 0;
        QTest::newRow("Alt+V") << 1;
        QTest::newRow("botao fechar da janela") << 2;
        QTest::newRow("sequencia") << 3;
    }
    void voltarEFecharExecutamOFechamento() {
        QFETCH(int, como);
        std::vector<CamposPedido> chamadas;
        janela->AoFecharPedidos = [&](const CamposPedido& c) { chamadas.push_back(c); };
        Mostrar();
        janela->MostrarRelatorio();
        janela->EstacaoSel->setText(QStringLiteral("03"));
        janela->NPedidoInicial->setText(QStringLiteral("10"));
        janela->NPedidoFinal->setText(QStringLiteral("20"));
        switch (como) {
        case 0:
            QTest::mouseClick(janela->BitBtn22, Qt::LeftButton);
            break;
        case 1:
            QApplication::setActiveWindow(janela.get());
            QVERIFY(QTest::qWaitForWindowActive(janela.get()));
            QTest::keyClick(janela.get(), Qt::Key_V, Qt::AltModifier);
            break;
        case 2:
            janela->windowHandle()->close(); // what the title bar's button asks for
            break;
        default:
            janela->FecharJanela();
        }
        QTRY_VERIFY(!janela->isVisible());
        QCOMPARE(chamadas.size(), std::size_t{1});
        QCOMPARE(chamadas[0].estacao, std::string("03"));
        QCOMPARE(chamadas[0].pedidoInicial, std::string("10"));
        QCOMPARE(chamadas[0].pedidoFinal, std::string("20"));
    }

    void pedidosSoComOsTresCampos() {
        int pedidos = 0;
        janela->AoFecharPedidos = [&](const CamposPedido&) { ++pedidos; };
        janela->EstacaoSel->setText(QStringLiteral("03"));
        janela->NPedidoFinal->setText(QStringLiteral("20"));
        janela->FormClose();
        QCOMPARE(pedidos, 0);
        janela->NPedidoInicial->setText(QStringLiteral("1"));
        janela->FormClose();
        QCOMPARE(pedidos, 1);
    }

    void imprimirChamaOComando() {
        int impressoes = 0;
        janela->AoImprimir = [&] { ++impressoes; };
        Mostrar();
        janela->MostrarRelatorio();
        QTest::mouseClick(janela->BotImprPedido, Qt::LeftButton);
        QCOMPARE(impressoes, 1);
        QApplication::setActiveWindow(janela.get());
        QVERIFY(QTest::qWaitForWindowActive(janela.get()));
        QTest::keyClick(janela.get(), Qt::Key_M, Qt::AltModifier);
        QTRY_COMPARE(impressoes, 2); // an accelerator clicks after a short animation
    }

    void inicioUmaSoVez() {
        int inicios = 0;
        janela->AoAtivar = [&] {
            ++inicios;
            // A box of the sequence: closing it activates the window again.
            teste::ResponderCaixa(nullptr);
            janela->Mensagem("durante o in\xED"
                             "cio",
                             TipoMensagem::Simples);
        };
        QCOMPARE(inicios, 0); // not at creation
        Mostrar();
        QTRY_COMPARE(inicios, 1);
        QApplication::setActiveWindow(janela.get());
        QTest::qWait(20);
        QEvent ativacao(QEvent::WindowActivate);
        QApplication::sendEvent(janela.get(), &ativacao);
        janela->hide();
        janela->show();
        QTest::qWait(50);
        QCOMPARE(inicios, 1);
    }

    void inicioComAtivacaoAntesDeMostrar() {
        int inicios = 0;
        janela->AoAtivar = [&] { ++inicios; };
        QEvent ativacao(QEvent::WindowActivate);
        QApplication::sendEvent(janela.get(), &ativacao);
        Mostrar();
        QTRY_COMPARE(inicios, 1);
        QTest::qWait(30);
        QCOMPARE(inicios, 1);
    }

    void caixasDeMensagem_data() {
        QTest::addColumn<int>("tipo");
        QTest::addColumn<QString>("titulo");
        QTest::addColumn<int>("icone");
        QTest::newRow("simples") << int(TipoMensagem::Simples)
                                 << QString::fromUtf8("MAGNOLIA - Laudo de Análise")
                                 << int(QMessageBox::NoIcon);
        QTest::newRow("aviso") << int(TipoMensagem::Aviso) << QStringLiteral("Aviso")
                               << int(QMessageBox::Question);
        QTest::newRow("erro") << int(TipoMensagem::Erro)
                              << QString::fromUtf8("MAGNOLIA - Laudo de Análise")
                              << int(QMessageBox::Critical);
    }
    void caixasDeMensagem() {
        QFETCH(int, tipo);
        QFETCH(QString, titulo);
        QFETCH(int, icone);
        const std::string texto =
            "Erro ao tentar abrir a tabela Config.\rClasse: ErroSQL\rErro: n\xE3o <b>h\xE1</b>";
        auto caixa = CriarCaixaMensagem(texto, static_cast<TipoMensagem>(tipo));
        QCOMPARE(caixa->windowTitle(), titulo);
        QCOMPARE(int(caixa->icon()), icone);
        QCOMPARE(
            caixa->text(),
            QString::fromUtf8(
                "Erro ao tentar abrir a tabela Config.\nClasse: ErroSQL\nErro: não <b>há</b>"));
        QCOMPARE(caixa->textFormat(), Qt::PlainText);
        QCOMPARE(caixa->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(caixa->buttons().size(), 1);

        // Shown for real through the window: modal until OK.
        QString visto;
        QString tituloVisto;
        bool modal = false;
        teste::ResponderCaixa([&](QMessageBox* c) {
            visto = c->text();
            tituloVisto = c->windowTitle();
            modal = c->isModal();
        });
        janela->Mensagem(texto, static_cast<TipoMensagem>(tipo));
        QCOMPARE(visto, caixa->text());
        QCOMPARE(tituloVisto, titulo);
        QVERIFY(modal);
    }

    void argumentos() {
        const char* argv[] = {"tessela", "000123", "",     "DISTRIBUIDORA CENTRAL",
                              "12/2027", "maria",  "extra"};
        const Argumentos a = ArgumentosDe(7, argv);
        QCOMPARE(a.codigo, std::string("000123"));
        QCOMPARE(a.lote, std::string(""));
        QCOMPARE(a.fornecedor, std::string("DISTRIBUIDORA CENTRAL"));
        QCOMPARE(a.validade, std::string("12/2027"));
        QCOMPARE(a.usuario, std::string("maria"));
        const Argumentos b = ArgumentosDe(3, argv);
        QCOMPARE(b.codigo, std::string("000123"));
        QVERIFY(b.fornecedor.empty() && b.validade.empty() && b.usuario.empty());
    }

    // Qt aborts the process when no display it tries answers: the run looks first, and
    // knows its connection to the one that answers.
    void exibicaoQueNaoResponde() {
        QVERIFY(!EscolherExibicao({}).problema.empty());
        QVERIFY(!EscolherExibicao({"", "", "", ""}).problema.empty());
        QVERIFY(EscolherExibicao({"offscreen", ":59997", nullptr, nullptr}).problema.empty());
        // No X server behind the number, as a stale DISPLAY over ssh.
        QCOMPARE(EscolherExibicao({nullptr, ":59997", nullptr, nullptr}).problema,
                 std::string("tessela: nenhuma tela gr\xE1"
                             "fica dispon\xEDvel: DISPLAY=:59997 n\xE3o responde."));

        // A compositor's socket that answers, beside the dead X server: Qt is sent there.
        teste::PastaTemporaria pasta;
        const std::string caminho = (pasta.Caminho() / "wayland-9").string();
        const int servidor = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un endereco{};
        endereco.sun_family = AF_UNIX;
        caminho.copy(endereco.sun_path, sizeof endereco.sun_path - 1);
        QVERIFY(bind(servidor, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco) == 0);
        QVERIFY(listen(servidor, 4) == 0);
        const std::string runtime = pasta.Caminho().string();
        const AmbienteDeExibicao ambiente{nullptr, ":59997", "wayland-9", runtime.c_str()};
        const EscolhaDeExibicao escolha = EscolherExibicao(ambiente);
        QVERIFY(escolha.problema.empty());
        QCOMPARE(escolha.plataforma, std::string("wayland"));

        const int cliente = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QVERIFY(::connect(cliente, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco) == 0);
        QCOMPARE(ConexoesComATela(ambiente), std::vector<int>{cliente});
        close(cliente);
        close(servidor);
        QCOMPARE(EscolherExibicao(ambiente).problema,
                 std::string("tessela: nenhuma tela gr\xE1"
                             "fica dispon\xEDvel: DISPLAY=:59997 e WAYLAND_DISPLAY=wayland-9 "
                             "n\xE3o respondem."));
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TesteFormOM teste;
    return QTest::qExec(&teste, argc, argv);
}

#include "formom_test.moc"
