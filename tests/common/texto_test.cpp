#include "common/texto.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace tessela {
namespace {

TEST(TiraBrancos, SoBrancosDasPontas) {
    const std::vector<std::pair<std::string, std::string>> casos = {
        {"", ""},
        {"     ", ""},
        {"a", "a"},
        {"  a b  ", "a b"},
        {"\ta\t", "\ta\t"},
        {" \t a \t ", "\t a \t"},
        {"\r\n", "\r\n"},
        {std::string(" \0 ", 3), std::string("\0", 1)},
        {" \xA0x\xA0 ", "\xA0x\xA0"}, // a no-break space is not a blank
    };
    for (const auto& [entrada, esperado] : casos)
        EXPECT_EQ(TiraBrancos(entrada), esperado) << "'" << entrada << "'";
}

TEST(MaiusculasAZ, SoDeAaZ) {
    EXPECT_EQ(MaiusculasAZ("industria"), "INDUSTRIA");
    EXPECT_EQ(MaiusculasAZ("Mi x 09 {|}`@[_"), "MI X 09 {|}`@[_");
    // "ação é ÿ œ š" in code page 1252: accented letters stay as they are.
    EXPECT_EQ(MaiusculasAZ("a\xE7\xE3o \xE9 \xFF \x9C \x9A"), "A\xE7\xE3O \xE9 \xFF \x9C \x9A");
}

TEST(MaiusculasAZ, CadaUmDosByteValores) {
    for (int b = 0; b < 256; ++b) {
        const std::string entrada(1, static_cast<char>(b));
        const bool letra = b >= 'a' && b <= 'z';
        const std::string esperado(1, static_cast<char>(letra ? b - 32 : b));
        EXPECT_EQ(MaiusculasAZ(entrada), esperado) << "byte " << b;
    }
}

TEST(Cortar, PrimeirosBytes) {
    EXPECT_EQ(Cortar("abc", 2), "ab");
    EXPECT_EQ(Cortar("abc", 3), "abc");
    EXPECT_EQ(Cortar("abc", 10), "abc");
    EXPECT_EQ(Cortar("abc", 0), "");
    EXPECT_EQ(Cortar("", 5), "");
}

TEST(Cp1252, TodosOsBytesIdaEVolta) {
    std::string todos;
    for (int b = 0; b < 256; ++b)
        todos += static_cast<char>(b);
    const auto utf8 = Cp1252ParaUtf8(todos);
    EXPECT_EQ(Utf8ParaCp1252(utf8), todos);
    for (int b = 0; b < 256; ++b) {
        const std::string um(1, static_cast<char>(b));
        EXPECT_EQ(Utf8ParaCp1252(Cp1252ParaUtf8(um)), um) << "byte " << b;
    }
}

TEST(Cp1252, TabelaDe80a9FELatin1) {
    const std::vector<std::pair<std::string, std::string>> casos = {
        {"A", "A"},
        {"\x80", "\xE2\x82\xAC"}, // €
        {"\x82", "\xE2\x80\x9A"}, // ‚
        {"\x85", "\xE2\x80\xA6"}, // …
        {"\x8A", "\xC5\xA0"},     // Š
        {"\x91", "\xE2\x80\x98"}, // ‘
        {"\x93", "\xE2\x80\x9C"}, // “
        {"\x94", "\xE2\x80\x9D"}, // ”
        {"\x96", "\xE2\x80\x93"}, // –
        {"\x99", "\xE2\x84\xA2"}, // ™
        {"\x9F", "\xC5\xB8"},     // Ÿ
        {"\x81", "\xC2\x81"},     // undefined in 1252: kept as the C1 control
        {"\x9D", "\xC2\x9D"},
        {"\xA0", "\xC2\xA0"},
        {"\xE3", "\xC3\xA3"}, // ã
        {"\xFF", "\xC3\xBF"}, // ÿ
        {"N\xE3o \x93"
         "aspas\x94",
         "N\xC3\xA3o \xE2\x80\x9C"
         "aspas\xE2\x80\x9D"},
    };
    for (const auto& [cp1252, utf8] : casos) {
        EXPECT_EQ(Cp1252ParaUtf8(cp1252), utf8);
        EXPECT_EQ(Utf8ParaCp1252(utf8), cp1252);
    }
}

TEST(Cp1252, CaracteresForaDaPaginaViramInterrogacao) {
    EXPECT_EQ(Utf8ParaCp1252("\xE2\x82\xB9"), "?"); // ₹
    EXPECT_EQ(Utf8ParaCp1252("a\xF0\x9F\x98\x80"
                             "b"),
              "a?b");                           // an emoji
    EXPECT_EQ(Utf8ParaCp1252("\xC2\x85"), "?"); // a C1 control 1252 uses for …
    EXPECT_EQ(Utf8ParaCp1252("x\xC3"), "x?");   // cut sequence
    EXPECT_EQ(Utf8ParaCp1252("\xFF"), "?");
}

TEST(InteiroDecimal, SinalOpcionalEDigitos) {
    EXPECT_EQ(InteiroDecimal<std::int32_t>("30"), 30);
    EXPECT_EQ(InteiroDecimal<std::int32_t>("-1"), -1);
    EXPECT_EQ(InteiroDecimal<std::int32_t>("+7"), 7);
    EXPECT_EQ(InteiroDecimal<std::int32_t>("0"), 0);
    EXPECT_EQ(InteiroDecimal<std::int32_t>("2147483647"), 2147483647);
    for (const char* ruim :
         {"", "+", "-", "+-5", "--5", " 5", "5 ", "5a", "1.0", "$1F", "0x10", "2147483648", "\t5"})
        EXPECT_EQ(InteiroDecimal<std::int32_t>(ruim), std::nullopt) << '"' << ruim << '"';
}

} // namespace
} // namespace tessela
