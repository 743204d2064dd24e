// The texts and rules of the start-up sequence that need no server.
#include "startup/sequencia.h"

#include <gtest/gtest.h>

namespace tessela {
namespace {

TEST(CalcularMargemLaudo, LarguraQueNaoEInteiroDaDoisBrancos) {
    EXPECT_EQ(CalcularMargemLaudo("", "10"), "  ");
    EXPECT_EQ(CalcularMargemLaudo("abc", "10"), "  ");
    EXPECT_EQ(CalcularMargemLaudo("80.5", "0"), "  ");
}

TEST(CalcularMargemLaudo, QualquerLarguraInteiraDeixaAMargemDecidir) {
    for (const char* largura : {"30", "80", "0", "-1"}) {
        EXPECT_EQ(CalcularMargemLaudo(largura, "5"), std::string(5, ' '));
        EXPECT_EQ(CalcularMargemLaudo(largura, "0"), "");
        EXPECT_EQ(CalcularMargemLaudo(largura, "-3"), "");
        EXPECT_EQ(CalcularMargemLaudo(largura, ""), "");
        EXPECT_EQ(CalcularMargemLaudo(largura, "x"), "");
        EXPECT_EQ(CalcularMargemLaudo(largura, "120"), std::string(120, ' '));
        EXPECT_EQ(CalcularMargemLaudo(largura, "500"), std::string(120, ' '));
    }
}

TEST(TituloJanela, IndustriaOuMagnolia) {
    EXPECT_EQ(TituloJanela("", "maria", "03"),
              "  MAGNOLIA          Usu\xE1rio: \"maria\"   Esta\xE7\xE3o: 03");
    EXPECT_EQ(TituloJanela("FARMACIA", "maria", "03"), TituloJanela("", "maria", "03"));
    EXPECT_EQ(TituloJanela("INDUSTRIAL", "maria", "03"), TituloJanela("", "maria", "03"));
    EXPECT_EQ(TituloJanela("INDUSTRIA", "Jos\xE9", "10"),
              "  KOR IND\xDASTRIA         Usu\xE1rio: \"Jos\xE9\"   Esta\xE7\xE3o: 10");
}

} // namespace
} // namespace tessela
