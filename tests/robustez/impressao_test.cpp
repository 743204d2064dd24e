// An unreachable print system: CUPS_SERVER names a closed port (set by CTest). Both
// print paths tell the user or raise the print system's error with its text; nothing
// crashes or hangs.

#include "printing/comando.h"
#include "printing/sistema_impressao.h"
#include "report/laudo.h"
#include "report/tela_registro.h"

#include <QGuiApplication>
#include <cstdlib>
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
        BotImprPedidoClick(p, s, impressoras, tela);
    } catch (const Erro& erro) {
        texto = erro.Classe() + ": " + erro.what();
    }
    for (const auto& m : tela.mensagens)
        texto += m.texto + "\n";
    return texto;
}

TEST(ImpressaoInalcancavel, VariavelDeAmbiente) {
    ASSERT_STREQ(std::getenv("CUPS_SERVER"), "127.0.0.1:1");
}

// Raw printing opens the printer by name; a print system that cannot be reached knows
// no printer, and the user is told that this one was not found.
TEST(ImpressaoInalcancavel, TextoBrutoDizPorQue) {
    const auto texto = Imprimir("");
    EXPECT_NE(texto.find("Impressora \"Bruta\" n\xE3o encontrada."), std::string::npos) << texto;
}

// Graphic printing asks the print system for its printers first: the error must say
// which print server could not be reached, not only the system call's text.
TEST(ImpressaoInalcancavel, GraficoDizPorQue) {
    const auto texto = Imprimir("Grafica");
    EXPECT_TRUE(texto.starts_with("ErroImpressao: ")) << texto;
    EXPECT_NE(texto.find("127.0.0.1:1"), std::string::npos) << texto;
}

} // namespace
} // namespace tessela

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
