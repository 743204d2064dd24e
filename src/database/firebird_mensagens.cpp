#include "database/firebird_mensagens.h"

#include <cstring>

namespace tessela::firebird {

using Firebird::IMaster;
using Firebird::IMessageMetadata;
using Firebird::IMetadataBuilder;
using Firebird::IStatement;
using Firebird::ThrowStatusWrapper;

namespace {

constexpr unsigned kCharsetWin1252 = 53;
constexpr unsigned kMaiorVarchar = 32765;
// Room for any number, date or time the server writes as text.
constexpr unsigned kTextoConvertido = 64;

void DefinirNulo(unsigned char* buffer, unsigned deslocamento, bool nulo) {
    const ISC_SHORT indicador = nulo ? -1 : 0;
    std::memcpy(buffer + deslocamento, &indicador, sizeof indicador);
}

} // namespace

// Our own input layout: texts as VARCHAR in WIN1252 (a CHAR described by the server
// would be padded with blanks), integers as BIGINT, every value nullable.
std::string TextoDoErro(Firebird::IUtil* util, Firebird::IStatus* status) {
    char texto[4096] = {};
    util->formatStatus(texto, sizeof texto, status);
    return std::string(texto, strnlen(texto, sizeof texto));
}

std::string DesanexarEmSilencio(IMaster* master, Firebird::IAttachment* anexo) {
    StatusSilencioso st(master);
    anexo->detach(st());
    if (!st.Falhou())
        return {};
    anexo->release();
    return TextoDoErro(master->getUtilInterface(), st());
}

Mensagem MontarEntrada(IMaster* master, ThrowStatusWrapper* st, const std::vector<Valor>& valores) {
    Mensagem m;
    if (valores.empty())
        return m;
    const auto n = static_cast<unsigned>(valores.size());
    Referencia<IMetadataBuilder> construtor(master->getMetadataBuilder(st, n));
    for (unsigned i = 0; i < n; ++i) {
        if (std::holds_alternative<std::int64_t>(valores[i])) {
            construtor->setType(st, i, SQL_INT64 + 1);
            construtor->setLength(st, i, sizeof(ISC_INT64));
            construtor->setScale(st, i, 0);
            continue;
        }
        const auto* texto = std::get_if<std::string>(&valores[i]);
        const std::size_t tamanho = texto ? texto->size() : 0;
        if (tamanho > kMaiorVarchar)
            throw ErroBanco(kErroSQL, "A bound text of " + std::to_string(tamanho) +
                                          " bytes is longer than " + std::to_string(kMaiorVarchar));
        construtor->setType(st, i, SQL_VARYING + 1);
        construtor->setLength(st, i, tamanho == 0 ? 1 : static_cast<unsigned>(tamanho));
        construtor->setCharSet(st, i, kCharsetWin1252);
    }
    m.meta = Referencia<IMessageMetadata>(construtor->getMetadata(st));
    m.dados.assign(m.meta->getMessageLength(st), 0);
    for (unsigned i = 0; i < n; ++i) {
        unsigned char* base = m.dados.data();
        const unsigned deslocamento = m.meta->getOffset(st, i);
        DefinirNulo(base, m.meta->getNullOffset(st, i),
                    std::holds_alternative<std::monostate>(valores[i]));
        if (const auto* inteiro = std::get_if<std::int64_t>(&valores[i])) {
            const ISC_INT64 v = *inteiro;
            std::memcpy(base + deslocamento, &v, sizeof v);
        } else if (const auto* texto = std::get_if<std::string>(&valores[i])) {
            const auto tamanho = static_cast<ISC_USHORT>(texto->size());
            std::memcpy(base + deslocamento, &tamanho, sizeof tamanho);
            std::memcpy(base + deslocamento + sizeof tamanho, texto->data(), texto->size());
        }
    }
    return m;
}

LinhaLida Saida::Ler() const {
    const unsigned char* base = mensagem.dados.data();
    LinhaLida linha;
    linha.reserve(campos.size());
    for (const Campo& c : campos) {
        ISC_SHORT nulo = 0;
        std::memcpy(&nulo, base + c.deslocamentoNulo, sizeof nulo);
        if (nulo) {
            linha.emplace_back();
            continue;
        }
        const unsigned char* p = base + c.deslocamento;
        if (c.tipo == SQL_INT64) {
            ISC_INT64 v = 0;
            std::memcpy(&v, p, sizeof v);
            linha.emplace_back(std::to_string(v));
        } else if (c.tipo == SQL_TEXT) {
            linha.emplace_back(std::string(reinterpret_cast<const char*>(p), c.tamanho));
        } else {
            ISC_USHORT tamanho = 0;
            std::memcpy(&tamanho, p, sizeof tamanho);
            linha.emplace_back(
                std::string(reinterpret_cast<const char*>(p + sizeof tamanho), tamanho));
        }
    }
    return linha;
}

// The output layout: CHAR and VARCHAR as they are, whole numbers as BIGINT, anything
// else converted by the server to text.
Saida MontarSaida(ThrowStatusWrapper* st, IStatement* declaracao) {
    Saida s;
    Referencia<IMessageMetadata> descrita(declaracao->getOutputMetadata(st));
    const unsigned n = descrita->getCount(st);
    if (n == 0)
        throw ErroBanco(kErroSQL, "Cursor not returned from Query");
    Referencia<IMetadataBuilder> construtor(descrita->getBuilder(st));
    for (unsigned i = 0; i < n; ++i) {
        ColunaLida coluna;
        coluna.nome = descrita->getAlias(st, i);
        if (coluna.nome.empty())
            coluna.nome = descrita->getField(st, i);
        if (*descrita->getRelation(st, i) != '\0')
            coluna.campo = descrita->getField(st, i);
        const unsigned tipo = descrita->getType(st, i) & ~1u;
        const bool inteiro = (tipo == SQL_SHORT || tipo == SQL_LONG || tipo == SQL_INT64) &&
                             descrita->getScale(st, i) == 0;
        if (inteiro) {
            construtor->setType(st, i, SQL_INT64 + 1);
            construtor->setLength(st, i, sizeof(ISC_INT64));
            coluna.inteiro = true;
        } else if (tipo == SQL_TEXT || tipo == SQL_VARYING) {
            construtor->setType(st, i, tipo + 1);
        } else {
            construtor->setType(st, i, SQL_VARYING + 1);
            construtor->setScale(st, i, 0);
            construtor->setLength(st, i, tipo == SQL_BLOB ? kMaiorVarchar : kTextoConvertido);
        }
        s.colunas.push_back(std::move(coluna));
    }
    s.mensagem.meta = Referencia<IMessageMetadata>(construtor->getMetadata(st));
    s.mensagem.dados.assign(s.mensagem.meta->getMessageLength(st), 0);
    for (unsigned i = 0; i < n; ++i) {
        s.campos.push_back({s.mensagem.meta->getType(st, i) & ~1u,
                            s.mensagem.meta->getLength(st, i), s.mensagem.meta->getOffset(st, i),
                            s.mensagem.meta->getNullOffset(st, i)});
    }
    return s;
}

} // namespace tessela::firebird
