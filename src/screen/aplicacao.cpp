#include "screen/aplicacao.h"

#include "common/erros.h"
#include "common/interrupcao.h"
#include "common/registro.h"
#include "common/texto.h"
#include "screen/mensagens.h"

#include <cxxabi.h>
#include <iostream>
#include <memory>
#include <typeinfo>

namespace tessela {

namespace {

std::string NomeDoTipo(const std::type_info& tipo) {
    int estado = 0;
    std::unique_ptr<char, void (*)(void*)> nome(
        abi::__cxa_demangle(tipo.name(), nullptr, nullptr, &estado), std::free);
    return estado == 0 && nome ? std::string(nome.get()) : std::string(tipo.name());
}

} // namespace

std::string ClasseDaExcecao(const std::exception& e) {
    if (const auto* erro = dynamic_cast<const Erro*>(&e))
        return erro->Classe();
    return NomeDoTipo(typeid(e));
}

std::string LinhaDoRegistroDeErros(const DataHora& quando, const std::string& classe,
                                   const std::string& texto) {
    std::string linha = DataDDMMAAAA(quando) + " " + HoraHHNNSS(quando) + " " + classe + ": ";
    for (std::size_t i = 0; i < texto.size(); ++i) {
        const char c = texto[i];
        if (c == '\r' || c == '\n') {
            linha += " | ";
            if (c == '\r' && i + 1 < texto.size() && texto[i + 1] == '\n')
                ++i;
        } else {
            linha += c;
        }
    }
    return linha;
}

void RegistrarErro(const std::string& pastaPrograma, const std::string& linha) {
    AcrescentarAoRegistro(ArquivoDeRegistro(pastaPrograma + "LOG/", "erros"), linha);
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    MostrarErro = [](const std::string& texto) {
        MostrarMensagem(texto, TipoMensagem::Erro, activeWindow());
    };
}

void TApplication::TratarErro(const std::string& classe, const std::string& texto) {
    try {
        RegistrarErro(pastaPrograma_, LinhaDoRegistroDeErros(Agora(), classe, texto));
    } catch (const std::exception& e) {
        // The box below still tells the user; the lost log line goes to stderr.
        std::cerr << "tessela: " << Cp1252ParaUtf8(e.what()) << '\n';
    }
    if (!interrupcao_ || interrupcao_->SinalPedido() == 0)
        MostrarErro(texto);
}

void TApplication::TratarExcecao(std::exception_ptr excecao) {
    try {
        std::rethrow_exception(excecao);
    } catch (const ErroInterrompido&) {
        // The run is ending: the step stopped where it was, which is all there is.
    } catch (const std::exception& e) {
        TratarErro(ClasseDaExcecao(e), e.what());
    } catch (...) {
        TratarErro("desconhecida", "Erro desconhecido.");
    }
}

bool TApplication::notify(QObject* receptor, QEvent* evento) {
    try {
        return QApplication::notify(receptor, evento);
    } catch (...) {
        TratarExcecao(std::current_exception());
        return false;
    }
}

} // namespace tessela
