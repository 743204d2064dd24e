#include "printing/sistema_cups.h"

#include "common/texto.h"
#include "printing/conexao_cups.h"
#include "printing/lpoptions.h"

#include <cups/cups.h>

namespace tessela {

namespace {

// The destinations of cupsGetDests2, freed on every way out.
class Destinos {
public:
    explicit Destinos(const ConexaoCups& conexao) {
        numero_ = cupsGetDests2(conexao.Http(), &destinos_);
        // No destination at all comes as "not found"; any other failure is one.
        if (numero_ == 0 && cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE &&
            cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND)
            std::rethrow_exception(conexao.Falha({}));
    }
    ~Destinos() { cupsFreeDests(numero_, destinos_); }
    Destinos(const Destinos&) = delete;
    Destinos& operator=(const Destinos&) = delete;

    cups_dest_t* begin() const { return destinos_; }
    cups_dest_t* end() const { return destinos_ + numero_; }

private:
    int numero_ = 0;
    cups_dest_t* destinos_ = nullptr;
};

// One destination of cupsGetNamedDest, whose name must match exactly: CUPS itself
// matches names without regard to letter case. None when the server knows no such name.
class DestinoNomeado {
public:
    DestinoNomeado(const ConexaoCups& conexao, const std::string& nomeUtf8) {
        if (nomeUtf8.empty())
            return;
        destino_ = cupsGetNamedDest(conexao.Http(), nomeUtf8.c_str(), nullptr);
        if (destino_ == nullptr && cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND)
            std::rethrow_exception(conexao.Falha({}));
        if (destino_ != nullptr && nomeUtf8 != destino_->name) {
            cupsFreeDests(1, destino_);
            destino_ = nullptr;
        }
    }
    ~DestinoNomeado() {
        if (destino_ != nullptr)
            cupsFreeDests(1, destino_);
    }
    DestinoNomeado(const DestinoNomeado&) = delete;
    DestinoNomeado& operator=(const DestinoNomeado&) = delete;

    cups_dest_t* Dado() const { return destino_; }

private:
    cups_dest_t* destino_ = nullptr;
};

std::optional<Resolucao> ResolucaoDoAtributo(ipp_attribute_t* atributo) {
    if (atributo == nullptr || ippGetValueTag(atributo) != IPP_TAG_RESOLUTION)
        return std::nullopt;
    int vertical = 0;
    ipp_res_t unidade = IPP_RES_PER_INCH;
    int horizontal = ippGetResolution(atributo, 0, &vertical, &unidade);
    if (unidade == IPP_RES_PER_CM) {
        horizontal = (horizontal * 254 + 50) / 100;
        vertical = (vertical * 254 + 50) / 100;
    }
    if (horizontal <= 0 || vertical <= 0)
        return std::nullopt;
    return Resolucao{horizontal, vertical};
}

// The job begun and not finished is cancelled on a new connection of its own, also after
// a cut; when the server is gone there is nothing to cancel, and the failure being
// reported says why.
void CancelarTrabalho(const std::string& impressora, int id) noexcept {
    try {
        ConexaoCups outra(std::make_shared<CorteDoPedido>(), std::chrono::milliseconds(5000));
        cupsCancelJob2(outra.Http(), impressora.c_str(), id, 0);
    } catch (...) {
    }
}

struct DadosDoTrabalho {
    std::string impressora; // UTF-8
    std::string titulo;     // UTF-8
    FormatoDocumento formato;
    OpcoesTrabalho opcoes;
    std::string documento;
};

// One whole job on one connection: created, its document sent and finished. A job that
// fails or is cut on the way is cancelled, so nothing half-sent is printed.
void EnviarTrabalho(const std::shared_ptr<CorteDoPedido>& corte, const DadosDoTrabalho& t) {
    ConexaoCups conexao(corte);
    int numero = 0;
    cups_option_t* lista = nullptr;
    for (const auto& [nome, valor] : t.opcoes)
        numero = cupsAddOption(nome.c_str(), valor.c_str(), numero, &lista);
    const int id =
        cupsCreateJob(conexao.Http(), t.impressora.c_str(), t.titulo.c_str(), numero, lista);
    cupsFreeOptions(numero, lista);
    if (id == 0)
        std::rethrow_exception(conexao.Falha(t.impressora));
    const auto falhar = [&] {
        const std::exception_ptr falha = conexao.Falha(t.impressora);
        CancelarTrabalho(t.impressora, id);
        std::rethrow_exception(falha);
    };
    const char* tipo = t.formato == FormatoDocumento::Pdf ? CUPS_FORMAT_PDF : CUPS_FORMAT_RAW;
    if (cupsStartDocument(conexao.Http(), t.impressora.c_str(), id, t.titulo.c_str(), tipo, 1) !=
            HTTP_STATUS_CONTINUE ||
        cupsWriteRequestData(conexao.Http(), t.documento.data(), t.documento.size()) !=
            HTTP_STATUS_CONTINUE ||
        cupsFinishDocument(conexao.Http(), t.impressora.c_str()) > IPP_STATUS_OK_EVENTS_COMPLETE)
        falhar();
    // Its caller stopped waiting meanwhile (the end of the run): no page after the end.
    if (corte->Cortado())
        CancelarTrabalho(t.impressora, id);
}

// A job whose document is kept until Concluir sends it whole, in one request of its own.
class TrabalhoCups : public Trabalho {
public:
    TrabalhoCups(Interrupcao* interrupcao, DadosDoTrabalho dados)
        : interrupcao_(interrupcao), dados_(std::move(dados)) {}

    void Escrever(std::string_view bytes) override { dados_.documento.append(bytes); }

    void Concluir() override {
        PedirAoServidor(interrupcao_,
                        [dados = std::move(dados_)](auto corte) { EnviarTrabalho(corte, dados); });
    }

private:
    Interrupcao* interrupcao_;
    DadosDoTrabalho dados_;
};

} // namespace

std::vector<std::string> SistemaCups::Impressoras() {
    return PedirAoServidor(interrupcao_, [](auto corte) {
        ConexaoCups conexao(corte);
        Destinos destinos(conexao);
        std::vector<std::string> nomes;
        for (const auto& d : destinos)
            if (d.instance == nullptr)
                nomes.push_back(Utf8ParaCp1252(d.name));
        return nomes;
    });
}

std::optional<std::string> SistemaCups::Padrao() {
    return PedirAoServidor(interrupcao_, [](auto corte) -> std::optional<std::string> {
        ConexaoCups conexao(corte);
        Destinos destinos(conexao);
        for (const auto& d : destinos)
            if (d.is_default)
                return Utf8ParaCp1252(d.name);
        return std::nullopt;
    });
}

std::unique_ptr<MudancaDoPadrao> SistemaCups::DefinirPadrao(const std::string& nome) {
    return std::make_unique<MudancaLpoptions>(GravarPadraoNoLpoptions(Cp1252ParaUtf8(nome)));
}

void SistemaCups::DevolverPadrao(const MudancaDoPadrao& mudanca) {
    DevolverPadraoAoLpoptions(dynamic_cast<const MudancaLpoptions&>(mudanca));
}

bool SistemaCups::Existe(const std::string& nome) {
    return PedirAoServidor(interrupcao_, [nome = Cp1252ParaUtf8(nome)](auto corte) {
        ConexaoCups conexao(corte);
        DestinoNomeado destino(conexao, nome);
        return destino.Dado() != nullptr;
    });
}

std::optional<Resolucao> SistemaCups::ResolucaoPadrao(const std::string& nome) {
    return PedirAoServidor(
        interrupcao_, [nome = Cp1252ParaUtf8(nome)](auto corte) -> std::optional<Resolucao> {
            ConexaoCups conexao(corte);
            DestinoNomeado destino(conexao, nome);
            if (destino.Dado() == nullptr)
                return std::nullopt;
            cups_dinfo_t* info = cupsCopyDestInfo(conexao.Http(), destino.Dado());
            if (info == nullptr)
                return std::nullopt;
            const auto resolucao = ResolucaoDoAtributo(
                cupsFindDestDefault(conexao.Http(), destino.Dado(), info, "printer-resolution"));
            cupsFreeDestInfo(info);
            return resolucao;
        });
}

std::unique_ptr<Trabalho> SistemaCups::CriarTrabalho(const std::string& impressora,
                                                     const std::string& titulo,
                                                     FormatoDocumento formato,
                                                     const OpcoesTrabalho& opcoes) {
    return std::make_unique<TrabalhoCups>(
        interrupcao_,
        DadosDoTrabalho{Cp1252ParaUtf8(impressora), Cp1252ParaUtf8(titulo), formato, opcoes, {}});
}

} // namespace tessela
