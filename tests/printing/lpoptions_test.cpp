// The default line of the user's lpoptions, changed by the program itself: every other
// setting of the user must come through unchanged.

#include "printing/lpoptions.h"

#include <gtest/gtest.h>

namespace tessela {
namespace {

TEST(ComPadrao, SoALinhaDoPadraoMuda) {
    // The new default keeps its options; the old one keeps its own, as a Dest line.
    EXPECT_EQ(ComPadrao("Default Bruta sides=one-sided\nDest PDF_Laudo media=A4\n", "PDF_Laudo"),
              "Dest Bruta sides=one-sided\nDefault PDF_Laudo media=A4\n");
    // A Default line with nothing else to say goes; the new one is added at the end.
    EXPECT_EQ(ComPadrao("Default Bruta\nDest Laudo media=A4\n", "PDF_Laudo"),
              "Dest Laudo media=A4\nDefault PDF_Laudo\n");
    // No file yet, or one without an end at its last line.
    EXPECT_EQ(ComPadrao("", "Laudo"), "Default Laudo\n");
    EXPECT_EQ(ComPadrao("Dest Laudo copies=2", "Laudo"), "Default Laudo copies=2\n");
}

TEST(ComPadrao, InstanciasELinhasAlheiasFicamComoEstao) {
    // An instance is another destination; names match as CUPS matches them (a to z).
    EXPECT_EQ(ComPadrao("Default laudo/rascunho\n# nota\ndest LAUDO media=A4\n", "Laudo"),
              "Dest laudo/rascunho\n# nota\nDefault LAUDO media=A4\n");
}

} // namespace
} // namespace tessela
