// The choice of the report printer among installed names, and the list text of the
// messages: pure, no print system.

#include "printing/selecao.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tessela {
namespace {

TEST(EscolherImpressora, NomeExatoVenceAContencao) {
    const std::vector<std::string> instaladas = {"Laudo", "Laudo_Sala"};
    const auto escolha = EscolherImpressora("Laudo", instaladas);
    ASSERT_TRUE(escolha);
    EXPECT_EQ(escolha->nome, "Laudo");
    EXPECT_FALSE(escolha->porContencao);
}

TEST(EscolherImpressora, ContencaoSemDistinguirMaiusculas) {
    const std::vector<std::string> instaladas = {"Bruta", "HP LaserJet 1020 Sala", "PDF"};
    const auto escolha = EscolherImpressora("laserjet", instaladas);
    ASSERT_TRUE(escolha);
    EXPECT_EQ(escolha->nome, "HP LaserJet 1020 Sala");
    EXPECT_TRUE(escolha->porContencao);
    // The exact pass distinguishes letter case: "laudo" is found only by containment.
    const auto laudo = EscolherImpressora("laudo", {"Laudo"});
    ASSERT_TRUE(laudo);
    EXPECT_TRUE(laudo->porContencao);
}

TEST(EscolherImpressora, DeVariasAUltimaDaLista) {
    const std::vector<std::string> instaladas = {"LaserJet A", "Outra", "LaserJet B", "X"};
    EXPECT_EQ(EscolherImpressora("LASERJET", instaladas)->nome, "LaserJet B");
    // Two exact names can only come from a list with repeats; the last still wins.
    const auto repetida = EscolherImpressora("X", {"X", "Y", "X"});
    ASSERT_TRUE(repetida);
    EXPECT_FALSE(repetida->porContencao);
}

TEST(EscolherImpressora, SoAsLetrasDeAaZMudamDeCaixa) {
    const std::vector<std::string> instaladas = {"Impress\xE3o Fiscal"};
    // Upper-case A-tilde against a lower-case one: no match.
    EXPECT_FALSE(EscolherImpressora("IMPRESS\xC3O", instaladas));
    EXPECT_EQ(EscolherImpressora("impress\xE3o", instaladas)->nome, "Impress\xE3o Fiscal");
}

TEST(EscolherImpressora, NadaInstaladoOuNadaParecido) {
    EXPECT_FALSE(EscolherImpressora("Laudo", {}));
    EXPECT_FALSE(EscolherImpressora("Matricial", {"Laudo", "PDF"}));
}

TEST(TextoListaImpressoras, CadaNomeSeguidoDeQuebra) {
    EXPECT_EQ(TextoListaImpressoras({}), "");
    EXPECT_EQ(TextoListaImpressoras({"A", "Impress\xE3o B"}), "A\rImpress\xE3o B\r");
}

} // namespace
} // namespace tessela
