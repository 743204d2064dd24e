#include "database/conexao.h"

#include "common/texto.h"
#include "database/firebird_cliente.h"

#include <algorithm>

namespace tessela {

namespace {

const char* const kErroUso = "ErroBanco";

// A whole decimal number, blanks around it allowed.
std::optional<std::int64_t> NumeroInteiro(std::string_view texto) {
    return InteiroDecimal<std::int64_t>(TiraBrancos(texto));
}

std::int64_t InteiroDoTexto(const std::string& texto) {
    if (const auto valor = NumeroInteiro(texto))
        return *valor;
    throw ErroConversao("'" + texto + "' is not a valid integer value");
}

firebird::DadosConexao DadosDe(const TSQLConnection& c) {
    firebird::DadosConexao d;
    d.local = c.Parametro("Database");
    d.usuario = c.Parametro("User_Name");
    d.senha = c.Parametro("Password");
    d.papel = c.Parametro("RoleName");
    if (IguaisSemCaixa(c.Parametro("ServerCharSet"), "win1252"))
        d.conjuntoCaracteres = "WIN1252";
    const std::string dialeto = c.Parametro("SQLDialect");
    if (!dialeto.empty()) {
        const auto valor = NumeroInteiro(dialeto);
        if (!valor || *valor < 1 || *valor > 3)
            throw ErroBanco(firebird::kErroConexao, "Invalid SQL dialect '" + dialeto + "'");
        d.dialeto = static_cast<int>(*valor);
    }
    return d;
}

} // namespace

// ---------------------------------------------------------------------------------
// TSQLConnection

struct TSQLConnection::Implementacao {
    std::unique_ptr<firebird::Anexo> anexo;
};

TSQLConnection::TSQLConnection(std::string nome, ListaParametros parametros)
    : nome_(std::move(nome)), parametros_(std::move(parametros)),
      impl_(std::make_unique<Implementacao>()) {}

TSQLConnection::~TSQLConnection() {
    DesconectarEmSilencio();
}

TSQLConnection::Implementacao& TSQLConnection::Impl() {
    Conectar();
    return *impl_;
}

std::string TSQLConnection::Parametro(std::string_view nome) const {
    for (const auto& [n, v] : parametros_)
        if (IguaisSemCaixa(n, nome))
            return v;
    return {};
}

void TSQLConnection::DefinirParametro(std::string_view nome, std::string valor) {
    for (auto& [n, v] : parametros_) {
        if (IguaisSemCaixa(n, nome)) {
            n = std::string(nome);
            v = std::move(valor);
            return;
        }
    }
    parametros_.emplace_back(std::string(nome), std::move(valor));
}

void TSQLConnection::DefinirInterrupcao(Interrupcao* interrupcao) {
    interrupcao_ = interrupcao;
    if (impl_->anexo)
        impl_->anexo->DefinirInterrupcao(interrupcao);
}

void TSQLConnection::DefinirBibliotecaCliente(std::string caminho) {
    biblioteca_ = std::move(caminho);
}

void TSQLConnection::Conectar() {
    if (impl_->anexo)
        return;
    impl_->anexo = std::make_unique<firebird::Anexo>(biblioteca_, DadosDe(*this),
                                                     firebird::Esperas{interrupcao_, servidores_});
}

void TSQLConnection::IniciarEtapa() {
    emEtapa_ = true;
}

void TSQLConnection::ConcluirEtapa() {
    emEtapa_ = false;
    if (impl_->anexo)
        impl_->anexo->ConcluirEtapa();
}

void TSQLConnection::AbrirEtapa() {
    Impl().anexo->AbrirEtapa();
}

void TSQLConnection::AbandonarEtapa() noexcept {
    emEtapa_ = false;
    if (impl_->anexo)
        impl_->anexo->AbandonarEtapa();
}

void TSQLConnection::Desconectar() {
    if (!impl_->anexo)
        return;
    auto anexo = std::move(impl_->anexo);
    anexo->Desanexar();
}

void TSQLConnection::DesconectarEmSilencio() noexcept {
    // The attachment's destructor detaches, or releases the handle when that fails.
    impl_->anexo.reset();
}

bool TSQLConnection::Conectado() const {
    return impl_->anexo != nullptr;
}

void TSQLConnection::Executar(std::string_view sql, const std::vector<Valor>& valores) {
    Impl().anexo->Executar(sql, valores);
}

void TSQLConnection::DatasetAberto() {
    ++datasetsAbertos_;
}

void TSQLConnection::DatasetFechado() {
    if (datasetsAbertos_ == 0)
        return;
    if (--datasetsAbertos_ == 0)
        Desconectar();
}

// ---------------------------------------------------------------------------------
// TSQLQuery

TSQLQuery::TSQLQuery(TSQLConnection& conexao) : conexao_(conexao) {}

TSQLQuery::~TSQLQuery() {
    if (!ativo_)
        return;
    ativo_ = false;
    // A destructor reports nothing: the count goes down and the connection is left to
    // its own destructor or the next close.
    if (conexao_.datasetsAbertos_ > 0 && --conexao_.datasetsAbertos_ == 0)
        conexao_.DesconectarEmSilencio();
}

void TSQLQuery::Abrir() {
    if (ativo_)
        return;
    firebird::Anexo& anexo = *conexao_.Impl().anexo;
    firebird::Resultado r =
        conexao_.emEtapa_ ? anexo.ConsultarNaEtapa(SQL, Valores) : anexo.Consultar(SQL, Valores);
    colunas_.clear();
    for (auto& c : r.colunas)
        colunas_.push_back({std::move(c.nome), std::move(c.campo), c.inteiro});
    linhas_ = std::move(r.linhas);
    atual_ = 0;
    ativo_ = true;
    conexao_.DatasetAberto();
}

void TSQLQuery::Fechar() {
    if (!ativo_)
        return;
    ativo_ = false;
    linhas_.clear();
    atual_ = 0;
    AoFechar();
    conexao_.DatasetFechado();
}

bool TSQLQuery::Fim() const {
    return !ativo_ || atual_ >= linhas_.size();
}

void TSQLQuery::Proximo() {
    if (Fim())
        return;
    AntesDeMover();
    ++atual_;
}

std::size_t TSQLQuery::IndiceDe(std::string_view campo) const {
    for (std::size_t i = 0; i < colunas_.size(); ++i)
        if (IguaisSemCaixa(colunas_[i].nome, campo))
            return i;
    throw ErroBanco(kErroUso, "Field '" + std::string(campo) + "' not found");
}

const TSQLQuery::Linha* TSQLQuery::LinhaCorrente() const {
    return Fim() ? nullptr : &linhas_[atual_];
}

std::string TSQLQuery::Texto(std::string_view campo) const {
    if (!ativo_)
        return {};
    const std::size_t i = IndiceDe(campo);
    const Linha* linha = LinhaCorrente();
    if (!linha || !(*linha)[i])
        return {};
    return *(*linha)[i];
}

std::int64_t TSQLQuery::Inteiro(std::string_view campo) const {
    if (!ativo_)
        return 0;
    const std::size_t i = IndiceDe(campo);
    const Linha* linha = LinhaCorrente();
    if (!linha || !(*linha)[i])
        return 0;
    return InteiroDoTexto(*(*linha)[i]);
}

// ---------------------------------------------------------------------------------
// TClientDataSet

TClientDataSet::TClientDataSet(TSQLConnection& conexao, std::string tabela, ModoAtualizacao modo,
                               std::vector<std::string> chaves)
    : TSQLQuery(conexao), tabela_(std::move(tabela)), modo_(modo), chaves_(std::move(chaves)) {}

const TSQLQuery::Linha* TClientDataSet::LinhaCorrente() const {
    return editando_ ? &edicao_ : TSQLQuery::LinhaCorrente();
}

void TClientDataSet::AoFechar() {
    editando_ = false;
    edicao_.clear();
    mudancas_.clear();
}

void TClientDataSet::Editar() {
    if (!ativo_)
        throw ErroBanco(kErroUso, "Cannot perform this operation on a closed dataset");
    if (editando_)
        return;
    if (Fim())
        throw ErroBanco(kErroUso, "Cannot edit: the dataset has no current row");
    edicao_ = linhas_[atual_];
    editando_ = true;
}

void TClientDataSet::DefinirTexto(std::string_view campo, std::string valor) {
    if (!editando_)
        throw ErroBanco(kErroUso, "Dataset not in edit or insert mode");
    const std::size_t i = IndiceDe(campo);
    if (colunas_[i].inteiro) {
        if (TiraBrancos(valor).empty()) {
            edicao_[i].reset();
            return;
        }
        valor = std::to_string(InteiroDoTexto(valor));
    }
    edicao_[i] = std::move(valor);
}

void TClientDataSet::Gravar() {
    if (!editando_)
        return;
    editando_ = false;
    Linha& linha = linhas_[atual_];
    if (edicao_ == linha)
        return;
    const bool jaMudada = std::any_of(mudancas_.begin(), mudancas_.end(),
                                      [&](const Mudanca& m) { return m.linha == atual_; });
    if (!jaMudada)
        mudancas_.push_back({atual_, linha});
    linha = std::move(edicao_);
    edicao_.clear();
}

Valor TClientDataSet::ValorDe(std::size_t coluna, const std::optional<std::string>& texto) const {
    if (!texto)
        return std::monostate{};
    if (colunas_[coluna].inteiro)
        return InteiroDoTexto(*texto);
    return *texto;
}

std::string TClientDataSet::MontarAtualizacao(const Linha& original, const Linha& atual,
                                              std::vector<Valor>& valores) const {
    auto nomeDaColuna = [&](std::size_t i) -> const std::string& {
        if (colunas_[i].campo.empty())
            throw ErroBanco(kErroUso, "Field '" + colunas_[i].nome + "' is not a column of " +
                                          tabela_ + " and cannot be applied");
        return colunas_[i].campo;
    };
    std::string sql = "update " + tabela_ + " set ";
    bool primeira = true;
    for (std::size_t i = 0; i < colunas_.size(); ++i) {
        if (original[i] == atual[i])
            continue;
        sql += (primeira ? "" : ", ") + nomeDaColuna(i) + " = ?";
        valores.push_back(ValorDe(i, atual[i]));
        primeira = false;
    }
    std::vector<std::size_t> busca;
    if (modo_ == ModoAtualizacao::SoChave) {
        for (const std::string& chave : chaves_)
            busca.push_back(IndiceDe(chave));
    } else {
        for (std::size_t i = 0; i < colunas_.size(); ++i)
            if (!colunas_[i].campo.empty())
                busca.push_back(i);
    }
    if (busca.empty())
        throw ErroBanco(kErroUso, "No key to find the row of " + tabela_);
    sql += " where ";
    for (std::size_t k = 0; k < busca.size(); ++k) {
        const std::size_t i = busca[k];
        sql += (k ? " and " : "") + nomeDaColuna(i);
        if (original[i]) {
            sql += " = ?";
            valores.push_back(ValorDe(i, original[i]));
        } else {
            sql += " is null";
        }
    }
    return sql;
}

void TClientDataSet::AplicarAtualizacoes() {
    Gravar();
    if (mudancas_.empty())
        return;
    std::vector<firebird::Comando> comandos;
    for (const Mudanca& m : mudancas_) {
        if (m.original == linhas_[m.linha])
            continue; // changed and changed back
        firebird::Comando c;
        c.sql = MontarAtualizacao(m.original, linhas_[m.linha], c.valores);
        comandos.push_back(std::move(c));
    }
    if (!comandos.empty())
        conexao_.Impl().anexo->AplicarAlteracoes(comandos);
    mudancas_.clear();
}

} // namespace tessela
