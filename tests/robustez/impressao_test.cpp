// An unreachable print system: CUPS_SERVER names a closed port (set by CTest). Both
// print paths tell the user or raise the print system's error with its text; nothing
// crashes or hangs.

#include "printing/comando.h"
#include "printing/sistema_impressao.h"
#include "report/laudo.h"
#include "report/tela_registro.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

namespace tessela {
namespace {

// The text the user gets: the messages shown, or the error that reaches the general
// handler.
std::string Imprimir(const std::string& tipo) {
    TParametros p;
    p.TipoImpressora = tipo;
    p.LinhasPorPagina = "66";
    TSessao s;
    s.ImpressoraRelatorios = "Bruta";
    teste::TelaRegistro tela;
    EntradaLaudo e;
    e.Ensaios = {{"ASPECTO", "PO BRANCO"}};
    for (const auto& linha : ComporLaudo(e))
        tela.AcrescentarLinhaRelatorio(linha);
    std::string texto;
    try {
        TImpressorasInstaladas impressoras;
        BotImprPedidoClick(p, s, impressoras, tela, nullptr);
    } catch (const Erro& erro) {
        texto = erro.Classe() + ": " + erro.what();
    }
    for (const auto& m : tela.mensagens)
        texto += m.texto + "\n";
    return texto;
}

// Both paths ask the print system first (raw printing whether the printer exists,
// graphic printing for its printers): the error says which print server does not
// answer (the one CTest names in CUPS_SERVER), and why, never that a printer was not
// found.
TEST(ImpressaoInalcancavel, OsDoisCaminhosDizemQualServidorNaoResponde) {
    for (const char* tipo : {"", "Grafica"}) {
        const auto texto = Imprimir(tipo);
        EXPECT_EQ(texto, "ErroImpressao: O servidor de impress\xE3o 127.0.0.1:1 n\xE3o responde: "
                         "Connection refused")
            << "TipoImpressora [" << tipo << "]";
    }
}

} // namespace
} // namespace tessela

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
