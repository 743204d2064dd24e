#include "startup/sequencia.h"

#include "common/arquivo_texto.h"
#include "common/erros.h"
#include "common/texto.h"
#include "report/construtor.h"
#include "startup/estacao.h"

#include <filesystem>
#include <system_error>

namespace tessela {

namespace {

constexpr std::size_t kMargemMaxima = 120;

// The local copy of LinFicha.db; the folder dados is not created and a failed copy
// goes unnoticed, as the program never reads it.
void GarantirLinFicha(const std::string& dirPrograma) {
    const auto copia = dirPrograma + "dados/LinFicha.db";
    if (ArquivoExiste(copia))
        return;
    std::error_code ignorado;
    std::filesystem::copy_file(dirPrograma + "LinFicha.db", copia, ignorado);
}

std::string MensagemErroConfig(const Erro& e) {
    return "Erro ao tentar abrir a tabela Config.\rClasse: " + e.Classe() + "\rErro: " + e.what();
}

// CORFUNDO of the first row of CONFIG; 0 (nothing set, no row, NULL, or CONFIG
// unreadable) stands for the system's face colour.
void AplicarCorDaJanela(ContextoExecucao& c) {
    std::int32_t cor = 0;
    try {
        cor = c.Inicio->CorDoConfig();
    } catch (const Erro& e) {
        c.tela.Mensagem(MensagemErroConfig(e), TipoMensagem::Simples);
    }
    if (cor == 0)
        cor = kCorFaceDoSistema;
    // The window and the panel that fills it take the same colour.
    c.parametros.CorFundo = cor;
    c.tela.DefinirCor(cor);
}

void CriarPastaLog(const std::string& dirPrograma) {
    std::error_code ignorado; // an existing folder included
    std::filesystem::create_directory(dirPrograma + "LOG", ignorado);
}

std::string MensagemSemAreaDeTrabalho(const std::string& usuario) {
    return "N\xE3o foi identificada uma \xE1rea de trabalho para o usu\xE1ro " +
           MaiusculasAZ(usuario);
}

std::string MensagemUltativ(const TParametros& p, const TSessao& s) {
    if (p.PastaMagnolia.empty())
        return "Verifique, em MAGNOLIA.INI, o par\xE2metro \r"
               "\"NOME DO COMPARTILHAMENTO DA PASTA MAGNOLIA.....:\" \r"
               "que n\xE3o existe ou est\xE1 em branco";
    return "Erro: Talvez a pasta MAGNOLIA n\xE3o esteja compartilhada.\r"
           "N\xE3o foi poss\xEDvel acessar a pasta " +
           PastaInterfac(p.IPServidor, p.PastaMagnolia, s.EstLocal) +
           "\r"
           "que seria formado com \\\\+IPServidor+\\+PastaMagnolia+\\Interfac+EstLocal";
}

// The activity stamp file of the station; false, after its message, when the
// interface folder cannot be written.
bool GravarUltativ(ContextoExecucao& c) {
    const auto agora = c.Relogio();
    try {
        GravarArquivoTexto(
            PastaInterfac(c.parametros.IPServidor, c.parametros.PastaMagnolia, c.sessao.EstLocal) +
                "\\ULTATIV.LLF",
            {DataDDMMAA(agora), HoraHHNNSS(agora)});
        return true;
    } catch (const ErroEntradaSaida&) {
        c.tela.Mensagem(MensagemUltativ(c.parametros, c.sessao), TipoMensagem::Simples);
        return false;
    }
}

} // namespace

std::string CalcularMargemLaudo(std::string_view larguraOM, std::string_view margemEsquerdaLaudo) {
    // The width only decides whether the margin setting counts.
    if (!InteiroDecimal<std::int32_t>(larguraOM))
        return "  ";
    const auto n = InteiroDecimal<std::int32_t>(margemEsquerdaLaudo);
    if (!n || *n <= 0)
        return {};
    return std::string(std::min<std::size_t>(static_cast<std::size_t>(*n), kMargemMaxima), ' ');
}

std::string TituloJanela(std::string_view tipoUsuario, std::string_view usuario,
                         std::string_view estLocal) {
    const std::string inicio =
        tipoUsuario == "INDUSTRIA" ? "  KOR IND\xDASTRIA         " : "  MAGNOLIA          ";
    return inicio + "Usu\xE1rio: \"" + std::string(usuario) +
           "\"   Esta\xE7\xE3o: " + std::string(estLocal);
}

// The sequence stops at these points when the run is ending: each step before them is
// whole (a row stamped, a file written), none after them has begun.
void FormActivate(ContextoExecucao& c) {
    if (c.Executada || c.tela.Encerrando())
        return;
    c.Executada = true;
    auto& p = c.parametros;
    auto& s = c.sessao;
    // What the central server is asked goes out at once; each answer is taken below,
    // at its step.
    c.Inicio = std::make_unique<InicioParalelo>(c.dm, Cortar(c.argumentos.usuario, 60),
                                                c.argumentos.codigo);

    GarantirLinFicha(s.DirPrograma);
    AplicarCorDaJanela(c);
    CriarPastaLog(s.DirPrograma);
    s.MargemLaudo = CalcularMargemLaudo(p.LarguraOM, p.MargemEsquerdaLaudo);

    c.tela.TextoEspera("       Aguarde por favor...");
    c.tela.MostrarEspera();
    c.tela.ProcessarMensagens();
    if (c.tela.Encerrando())
        return;

    s.UsuarioSistema = Cortar(c.argumentos.usuario, 60);
    const std::string banco = SelecionarEstacao(c);
    if (c.tela.Encerrando())
        return;
    if (banco.empty()) {
        c.tela.Mensagem(MensagemSemAreaDeTrabalho(s.UsuarioSistema), TipoMensagem::Simples);
        c.tela.FecharJanela();
        return;
    }
    c.tela.DefinirTitulo(TituloJanela(p.TipoUsuario, s.UsuarioSistema, s.EstLocal));

    // No report on a share that could not be written.
    if (!GravarUltativ(c)) {
        c.tela.FecharJanela();
        return;
    }
    if (c.tela.Encerrando())
        return;
    ContextoLaudo laudo{p, s, c.dm, c.tela, c.argumentos};
    laudo.EsvaziarFichaPro = [&c] { c.Inicio->EsvaziarFichaPro(); };
    laudo.Componente = [&c] { return c.Inicio->Componente(); };
    PrepararLaudo(laudo, c.Relogio());
}

} // namespace tessela
