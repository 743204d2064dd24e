#include "printing/sistema_cups.h"

#include "common/texto.h"

#include <cstring>
#include <cups/cups.h>

namespace tessela {

namespace {

bool Falhou() {
    return cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE;
}

// CUPS answers in UTF-8; the program's texts are code page 1252.
std::string TextoDoErro() {
    return Utf8ParaCp1252(cupsLastErrorString());
}

// The destinations of cupsGetDests2, freed on every way out.
class Destinos {
public:
    Destinos() {
        numero_ = cupsGetDests2(CUPS_HTTP_DEFAULT, &destinos_);
        // No destination at all is reported as "not found"; anything else is a failure
        // to reach the server.
        if (numero_ == 0 && cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE &&
            cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND)
            throw ErroImpressao("N\xE3o foi poss\xEDvel consultar o servidor de impress\xE3o " +
                                std::string(cupsServer()) + ":" + std::to_string(ippPort()) +
                                ": " + TextoDoErro());
    }
    ~Destinos() { cupsFreeDests(numero_, destinos_); }
    Destinos(const Destinos&) = delete;
    Destinos& operator=(const Destinos&) = delete;

    int Numero() const { return numero_; }
    cups_dest_t* Dados() const { return destinos_; }
    cups_dest_t* begin() const { return destinos_; }
    cups_dest_t* end() const { return destinos_ + numero_; }

private:
    int numero_ = 0;
    cups_dest_t* destinos_ = nullptr;
};

// One destination of cupsGetNamedDest, whose name must match exactly: CUPS itself
// matches names without regard to letter case.
class DestinoNomeado {
public:
    explicit DestinoNomeado(const std::string& nomeUtf8) {
        if (nomeUtf8.empty())
            return;
        destino_ = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nomeUtf8.c_str(), nullptr);
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

// A raw job on a connection of its own, so that a job cut short can be dropped without
// disturbing the process's default connection.
class TrabalhoCups : public TrabalhoRaw {
public:
    TrabalhoCups(std::string impressora, const std::string& titulo)
        : impressora_(std::move(impressora)) {
        http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                             30000, nullptr);
        if (http_ == nullptr)
            throw ErroImpressao(TextoDoErro());
        id_ = cupsCreateJob(http_, impressora_.c_str(), titulo.c_str(), 0, nullptr);
        if (id_ == 0) {
            const std::string erro = TextoDoErro();
            httpClose(http_);
            throw ErroImpressao(erro);
        }
        if (cupsStartDocument(http_, impressora_.c_str(), id_, titulo.c_str(), CUPS_FORMAT_RAW,
                              1) != HTTP_STATUS_CONTINUE) {
            const std::string erro = TextoDoErro();
            Descartar();
            throw ErroImpressao(erro);
        }
    }

    ~TrabalhoCups() override {
        if (!concluido_)
            Descartar();
    }

    void Escrever(std::string_view bytes) override {
        if (cupsWriteRequestData(http_, bytes.data(), bytes.size()) != HTTP_STATUS_CONTINUE)
            throw ErroImpressao(TextoDoErro());
    }

    void Concluir() override {
        const ipp_status_t estado = cupsFinishDocument(http_, impressora_.c_str());
        concluido_ = true;
        httpClose(http_);
        http_ = nullptr;
        if (estado > IPP_STATUS_OK_EVENTS_COMPLETE)
            throw ErroImpressao(TextoDoErro());
    }

private:
    // Closing the connection in the middle of the document aborts it; the job itself is
    // then cancelled on the default connection. Its outcome cannot be reported from here,
    // and the caller is already reporting the failure that brought us here.
    void Descartar() {
        if (http_ != nullptr)
            httpClose(http_);
        http_ = nullptr;
        cupsCancelJob2(CUPS_HTTP_DEFAULT, impressora_.c_str(), id_, 0);
    }

    std::string impressora_;
    http_t* http_ = nullptr;
    int id_ = 0;
    bool concluido_ = false;
};

} // namespace

std::vector<std::string> SistemaCups::Impressoras() {
    Destinos destinos;
    std::vector<std::string> nomes;
    for (const auto& d : destinos)
        if (d.instance == nullptr)
            nomes.push_back(Utf8ParaCp1252(d.name));
    return nomes;
}

std::optional<std::string> SistemaCups::Padrao() {
    Destinos destinos;
    for (const auto& d : destinos)
        if (d.is_default)
            return Utf8ParaCp1252(d.name);
    return std::nullopt;
}

void SistemaCups::DefinirPadrao(const std::string& nome) {
    const std::string utf8 = Cp1252ParaUtf8(nome);
    Destinos destinos;
    cups_dest_t* escolhido = nullptr;
    for (auto& d : destinos)
        if (d.instance == nullptr && utf8 == d.name)
            escolhido = &d;
    if (escolhido == nullptr)
        return;
    for (auto& d : destinos)
        d.is_default = &d == escolhido;
    if (cupsSetDests2(CUPS_HTTP_DEFAULT, destinos.Numero(), destinos.Dados()) != 0)
        throw ErroImpressao(TextoDoErro());
}

bool SistemaCups::Existe(const std::string& nome) {
    DestinoNomeado destino(Cp1252ParaUtf8(nome));
    return destino.Dado() != nullptr;
}

std::optional<Resolucao> SistemaCups::ResolucaoPadrao(const std::string& nome) {
    DestinoNomeado destino(Cp1252ParaUtf8(nome));
    if (destino.Dado() == nullptr)
        return std::nullopt;
    cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, destino.Dado());
    if (info == nullptr)
        return std::nullopt;
    std::optional<Resolucao> resultado;
    ipp_attribute_t* atributo =
        cupsFindDestDefault(CUPS_HTTP_DEFAULT, destino.Dado(), info, "printer-resolution");
    if (atributo != nullptr && ippGetValueTag(atributo) == IPP_TAG_RESOLUTION) {
        int vertical = 0;
        ipp_res_t unidade = IPP_RES_PER_INCH;
        int horizontal = ippGetResolution(atributo, 0, &vertical, &unidade);
        if (unidade == IPP_RES_PER_CM) {
            horizontal = (horizontal * 254 + 50) / 100;
            vertical = (vertical * 254 + 50) / 100;
        }
        if (horizontal > 0 && vertical > 0)
            resultado = Resolucao{horizontal, vertical};
    }
    cupsFreeDestInfo(info);
    return resultado;
}

std::unique_ptr<TrabalhoRaw> SistemaCups::CriarTrabalhoRaw(const std::string& impressora,
                                                           const std::string& titulo) {
    return std::make_unique<TrabalhoCups>(Cp1252ParaUtf8(impressora), Cp1252ParaUtf8(titulo));
}

std::string SistemaCups::ErroDaUltimaOperacao() {
    return Falhou() ? TextoDoErro() : std::string();
}

} // namespace tessela
