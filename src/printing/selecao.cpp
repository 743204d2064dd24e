#include "printing/selecao.h"

#include "common/texto.h"

namespace tessela {

namespace {

constexpr const char* kSemImpressora =
    "N\xE3o foi especificado o local da impress\xE3o do Laudo C.Q. no campo \"Impressora "
    "Relat\xF3rios\" (CAMINHOSEQUENCIAL1) da tabela das \"\xC1reas de Trabalho\" (ESTACOES).";

std::string MensagemInstaladas(const std::vector<std::string>& instaladas) {
    return "Impressoras instaladas: \r" + TextoListaImpressoras(instaladas);
}

std::string MensagemImpressoraNaoInstalada(const std::string& configurada,
                                           const std::vector<std::string>& instaladas) {
    return "A impressora \"" + configurada +
           "\" informada n\xE3o corresponde a nenhuma das impressoras instaladas no servidor.\r"
           "As op\xE7\xF5"
           "es dispon\xEDveis s\xE3o:\r" +
           TextoListaImpressoras(instaladas);
}

} // namespace

const std::vector<std::string>& ImpressorasInstaladas(TImpressorasInstaladas& instaladas,
                                                      SistemaImpressao& sistema) {
    if (!instaladas.nomes)
        instaladas.nomes = sistema.Impressoras();
    return *instaladas.nomes;
}

std::string TextoListaImpressoras(const std::vector<std::string>& instaladas) {
    std::string texto;
    for (const auto& nome : instaladas)
        texto += nome + "\r";
    return texto;
}

std::optional<std::string> ImpressoraPadrao(SistemaImpressao& sistema) {
    return sistema.Padrao();
}

std::unique_ptr<MudancaDoPadrao> DefinirImpressoraPadrao(SistemaImpressao& sistema,
                                                         const std::vector<std::string>& instaladas,
                                                         const std::string& nome) {
    for (const auto& instalada : instaladas)
        if (instalada == nome)
            return sistema.DefinirPadrao(nome);
    return nullptr;
}

PadraoEmprestado::PadraoEmprestado(SistemaImpressao& sistema, Interrupcao* interrupcao,
                                   bool devolver)
    : sistema_(sistema), devolver_(devolver),
      emprestimo_(interrupcao, [this] { DevolverMudancas(); }) {}

void PadraoEmprestado::Definir(const std::vector<std::string>& instaladas,
                               const std::string& nome) {
    emprestimo_.Tomar([&] {
        if (auto mudanca = DefinirImpressoraPadrao(sistema_, instaladas, nome))
            mudancas_.push_back(std::move(mudanca));
    });
}

// The last change first, so that each finds the file as it left it.
void PadraoEmprestado::DevolverMudancas() {
    if (!devolver_)
        return;
    for (auto m = mudancas_.rbegin(); m != mudancas_.rend(); ++m)
        sistema_.DevolverPadrao(**m);
}

std::optional<EscolhaImpressora> EscolherImpressora(const std::string& configurada,
                                                    const std::vector<std::string>& instaladas) {
    std::optional<EscolhaImpressora> escolha;
    for (const auto& nome : instaladas)
        if (nome == configurada)
            escolha = EscolhaImpressora{nome, false};
    if (escolha)
        return escolha;
    const std::string procurada = MaiusculasAZ(configurada);
    for (const auto& nome : instaladas)
        if (MaiusculasAZ(nome).find(procurada) != std::string::npos)
            escolha = EscolhaImpressora{nome, true};
    return escolha;
}

bool LocalizarImpressora(TSessao& sessao, Tela& tela, SistemaImpressao& sistema,
                         const std::vector<std::string>& instaladas, PadraoEmprestado* padrao) {
    if (sessao.ImpressoraRelatorios.empty()) {
        tela.Mensagem(kSemImpressora, TipoMensagem::Simples);
        tela.Mensagem(MensagemInstaladas(instaladas), TipoMensagem::Simples);
        return false;
    }
    const auto escolha = EscolherImpressora(sessao.ImpressoraRelatorios, instaladas);
    if (!escolha) {
        tela.Mensagem(MensagemImpressoraNaoInstalada(sessao.ImpressoraRelatorios, instaladas),
                      TipoMensagem::Simples);
        return false;
    }
    if (escolha->porContencao)
        sessao.ImpressoraRelatorios = escolha->nome;
    if (padrao)
        padrao->Definir(instaladas, escolha->nome);
    else
        DefinirImpressoraPadrao(sistema, instaladas, escolha->nome);
    return true;
}

} // namespace tessela
