#include "common/arquivo_texto.h"
#include "common/erros.h"
#include "support/apoio.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tessela::teste {
namespace {

class ArquivoTexto : public ::testing::Test {
protected:
    std::filesystem::path Arquivo(const char* nome) const { return pasta_.Caminho() / nome; }
    PastaTemporaria pasta_;
};

TEST_F(ArquivoTexto, GravaComCrLfSemBom) {
    const auto a = Arquivo("laudo.txt");
    GravarArquivoTexto(a.string(), {"ACIDO ASC\xD3RBICO", "", "fim \x93ok\x94"});
    EXPECT_EQ(LerBytes(a), "ACIDO ASC\xD3RBICO\r\n\r\nfim \x93ok\x94\r\n");
}

TEST_F(ArquivoTexto, GravarSubstituiOConteudo) {
    const auto a = Arquivo("x.txt");
    EscreverBytes(a, "antigo conteudo bem mais longo\r\n");
    GravarArquivoTexto(a.string(), {"novo"});
    EXPECT_EQ(LerBytes(a), "novo\r\n");
}

TEST_F(ArquivoTexto, CriarCriaOuEsvazia) {
    const auto a = Arquivo("vazio.txt");
    CriarArquivoTexto(a.string());
    EXPECT_TRUE(std::filesystem::exists(a));
    EXPECT_EQ(LerBytes(a), "");
    EscreverBytes(a, "algo\r\n");
    CriarArquivoTexto(a.string());
    EXPECT_EQ(LerBytes(a), "");
}

TEST_F(ArquivoTexto, AcrescentarPrecisaDoArquivo) {
    const auto a = Arquivo("diag.txt");
    EXPECT_THROW(AcrescentarLinha(a.string(), "linha"), ErroEntradaSaida);
    EXPECT_FALSE(std::filesystem::exists(a));
    CriarArquivoTexto(a.string());
    AcrescentarLinha(a.string(), "um");
    AcrescentarLinha(a.string(), "dois");
    EXPECT_EQ(LerBytes(a), "um\r\ndois\r\n");
}

TEST_F(ArquivoTexto, GravarNumaPastaQueNaoExisteFalha) {
    const auto a = pasta_.Caminho() / "nao-existe" / "x.txt";
    try {
        GravarArquivoTexto(a.string(), {"x"});
        FAIL() << "no error";
    } catch (const ErroEntradaSaida& e) {
        EXPECT_NE(std::string(e.what()).find(a.string()), std::string::npos) << e.what();
    }
}

struct CasoLeitura {
    const char* nome;
    std::string bytes;
    std::vector<std::string> linhas;
};

TEST_F(ArquivoTexto, LeFinaisDeLinha) {
    const std::vector<CasoLeitura> casos = {
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"LF", "a\nb\n", {"a", "b"}},
        {"mixed", "a\nb\r\nc", {"a", "b", "c"}},
        {"no final end", "a\r\nb", {"a", "b"}},
        {"empty file", "", {}},
        {"one empty line", "\r\n", {""}},
        {"empty lines", "a\n\n\r\nb", {"a", "", "", "b"}},
        {"lone CR", "a\rb\r\n", {"a\rb"}},
        {"CR before CR LF", "a\r\r\n", {"a\r"}},
        {"final lone CR", "a\r", {"a\r"}},
        {"0x1A", "x\x1Ay\r\n\x1A\r\nz", {"x\x1Ay", "\x1A", "z"}},
        {"code page bytes", "\xE3\x80\r\n", {"\xE3\x80"}},
    };
    for (const auto& c : casos) {
        const auto a = Arquivo("ler.txt");
        EscreverBytes(a, c.bytes);
        EXPECT_EQ(LerLinhasTexto(a.string()), c.linhas) << c.nome;
    }
}

TEST_F(ArquivoTexto, LerArquivoAusenteOuPastaFalha) {
    const auto ausente = Arquivo("ausente.txt");
    try {
        LerLinhasTexto(ausente.string());
        FAIL() << "no error";
    } catch (const ErroEntradaSaida& e) {
        EXPECT_NE(std::string(e.what()).find(ausente.string()), std::string::npos) << e.what();
    }
    // A folder opens as a file but cannot be read.
    EXPECT_THROW(LerLinhasTexto(pasta_.Caminho().string()), ErroEntradaSaida);
}

TEST_F(ArquivoTexto, ArquivoExiste) {
    const auto a = Arquivo("existe.txt");
    EXPECT_FALSE(ArquivoExiste(a.string()));
    CriarArquivoTexto(a.string());
    EXPECT_TRUE(ArquivoExiste(a.string()));
    EXPECT_FALSE(ArquivoExiste(pasta_.Caminho().string())); // a folder is no file
    EXPECT_FALSE(ArquivoExiste("\\\\HOST-SEM-MONTAGEM\\NADA\\x.txt"));
}

} // namespace
} // namespace tessela::teste
