#pragma once

// The start's requests to the central server, run beside the sequence so that their
// waits overlap. What does not wait for the station (the window colour, then the
// component and its tests) runs on SQLConnection2 with Config, SQLQuery1 and Ensaios; the
// station's chain (its row and its stamp on SQLConnectionEstacao with Estacoes) on a
// thread of its own; the station's database (SQLConnection3) is attached on a third as
// soon as the row names it. The sequence takes each result at the step where it used to
// make the call, and the stamp and the emptying of the work table wait for the sequence
// to reach them, so every message, change and file keeps its place.
//
// Each of those connections, with its datasets, belongs to its thread from the
// constructor until the destructor, which waits for the threads: nothing else may use
// them meanwhile. Their calls are cut by an Interrupcao of the start's own, which the end
// of the run cuts, and so does the destructor: what the sequence no longer takes (the run
// ended early, no station was found) is not waited for.

#include "common/datas.h"
#include "common/interrupcao.h"
#include "database/dm.h"
#include "report/construtor.h"

#include <condition_variable>
#include <cstdint>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace tessela {

// The user's row of ESTACOES as the station's chain read it.
struct LinhaDaEstacao {
    bool achada = false;    // its USUARIO is the user's name, a to z upper-cased
    std::string estacao;    // ESTACAO
    std::string banco;      // DATBASNAM
    std::string impressora; // CAMINHOSEQUENCIAL1
};

// A go-ahead a thread waits for, with what it needs; withdrawn when it will never come.
template <typename T> class Liberacao {
public:
    void Liberar(T valor) {
        std::lock_guard trava(mutex_);
        valor_ = std::move(valor);
        pronta_.notify_all();
    }
    void Retirar() {
        std::lock_guard trava(mutex_);
        retirada_ = true;
        pronta_.notify_all();
    }
    // The value given; none when withdrawn.
    std::optional<T> Esperar() {
        std::unique_lock trava(mutex_);
        pronta_.wait(trava, [this] { return valor_.has_value() || retirada_; });
        return valor_;
    }

private:
    std::mutex mutex_;
    std::condition_variable pronta_;
    std::optional<T> valor_;
    bool retirada_ = false;
};

class InicioParalelo {
public:
    // Starts the reads for the user (the fifth argument cut to 60) and the component's
    // code; without a user the station's chain sends nothing.
    InicioParalelo(TDM& dm, std::string usuario, std::string codigo);
    // Withdraws what was not given the go-ahead and waits for the threads.
    ~InicioParalelo();
    InicioParalelo(const InicioParalelo&) = delete;
    InicioParalelo& operator=(const InicioParalelo&) = delete;

    // CORFUNDO of CONFIG's first row, 0 for none; throws the error of opening Config.
    std::int32_t CorDoConfig();

    // The user's row; throws the error of reading it. A row that is not the user's ends
    // its transaction and attachment first.
    LinhaDaEstacao Estacao();

    // For the row found: attaches the station's database at local (when banco is not
    // empty) beside the stamp; stamps the row with that moment and commits; then
    // SQLConnection3 leaves its stored location for local. Throws the stamp's error, then
    // that of leaving the stored location.
    void Carimbar(const DataHora& agora, const std::string& local, bool anexar);

    // "delete from fichapro" on the station's database; throws its error, or that of
    // its attach.
    void EsvaziarFichaPro();

    // The component and its tests; throws the error of reading them.
    ComponenteLido Componente();

private:
    void LerSemEstacao(std::string codigo);
    void LerEstacao(std::string usuario);
    void AbrirBancoDaEstacao(std::string local, bool anexar);

    void Iniciar(std::string usuario, std::string codigo);
    void Juntar();

    TDM& dm_;
    Interrupcao corte_; // of the run's: the end of the run cuts it too
    std::promise<std::int32_t> cor_;
    std::future<std::int32_t> corPronta_;
    std::promise<ComponenteLido> componente_;
    std::future<ComponenteLido> componentePronto_;
    std::promise<LinhaDaEstacao> linha_;
    std::future<LinhaDaEstacao> linhaPronta_;
    Liberacao<DataHora> carimbar_;
    std::promise<void> carimbada_;
    std::future<void> carimbadaPronta_;
    std::promise<void> apontada_;
    std::future<void> apontadaPronta_;
    Liberacao<bool> esvaziar_;
    std::promise<void> esvaziada_;
    std::future<void> esvaziadaPronta_;
    std::thread leituras_;
    std::thread estacao_;
    std::thread bancoDaEstacao_;
};

} // namespace tessela
