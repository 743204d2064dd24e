// The Qt boundary the window and the painter share: message texts broken into lines, and
// the colour each settings value names.

#include "common/cores.h"
#include "common/texto_qt.h"

#include <QObject>
#include <QTest>

using namespace tessela;

class TesteFronteiraQt : public QObject {
    Q_OBJECT

private slots:
    void quebrasDeLinhaDasMensagens() {
        QCOMPARE(TextoDeMensagem("a\rb\r\nc\nd\r\re"), QStringLiteral("a\nb\nc\nd\n\ne"));
        QCOMPARE(TextoDeMensagem("Verifique\r\"X\" \rque"),
                 QStringLiteral("Verifique\n\"X\" \nque"));
    }

    void mapaDeCores() {
        QPalette paleta;
        paleta.setColor(QPalette::Button, QColor(1, 2, 3));
        paleta.setColor(QPalette::Base, QColor(4, 5, 6));
        paleta.setColor(QPalette::Highlight, QColor(7, 8, 9));
        paleta.setColor(QPalette::Text, QColor(10, 11, 12));
        paleta.setColor(QPalette::Dark, QColor(13, 14, 15));
        paleta.setColor(QPalette::ToolTipBase, QColor(16, 17, 18));
        QCOMPARE(CorDoValor(0x000000FF, paleta), QColor(255, 0, 0));
        QCOMPARE(CorDoValor(0x0000FF00, paleta), QColor(0, 255, 0));
        QCOMPARE(CorDoValor(0x00FF0000, paleta), QColor(0, 0, 255));
        QCOMPARE(CorDoValor(0x00F0FBFF, paleta), QColor(255, 251, 240));
        QCOMPARE(CorDoValor(static_cast<std::int32_t>(0xFF00000Fu), paleta), QColor(1, 2, 3));
        QCOMPARE(CorDoValor(static_cast<std::int32_t>(0xFF000005u), paleta), QColor(4, 5, 6));
        QCOMPARE(CorDoValor(static_cast<std::int32_t>(0xFF00000Du), paleta), QColor(7, 8, 9));
        QCOMPARE(CorDoValor(static_cast<std::int32_t>(0xFF000008u), paleta), QColor(10, 11, 12));
        QCOMPARE(CorDoValor(static_cast<std::int32_t>(0xFF000010u), paleta), QColor(13, 14, 15));
        QCOMPARE(CorDoValor(static_cast<std::int32_t>(0xFF000018u), paleta), QColor(16, 17, 18));
        // An index with no counterpart: the button face.
        QCOMPARE(CorDoValor(static_cast<std::int32_t>(0xFF0000FEu), paleta), QColor(1, 2, 3));
        // Only the top byte 0xFF names a system colour.
        QCOMPARE(CorDoValor(0x0100000F, paleta), QColor(15, 0, 0));
    }
};

QTEST_MAIN(TesteFronteiraQt)
#include "qt_test.moc"
