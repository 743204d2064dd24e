#include "database/servidores.h"

#include "common/texto.h"

#include <utility>

namespace tessela {

std::optional<std::string> ServidoresSilenciosos::Erro(const std::string& chave) const {
    std::lock_guard trava(mutex_);
    const auto achado = silenciosos_.find(chave);
    if (achado == silenciosos_.end())
        return std::nullopt;
    return achado->second;
}

void ServidoresSilenciosos::Silenciar(const std::string& chave, const std::string& erro) {
    std::lock_guard trava(mutex_);
    silenciosos_.emplace(chave, erro);
    // Each desistir only wakes its waiting thread, so it runs under the lock: its Espera
    // cannot go meanwhile.
    for (Espera* e : esperas_)
        if (e->chave_ == chave && e->desistir_)
            std::exchange(e->desistir_, nullptr)();
}

std::string ServidoresSilenciosos::Chave(const std::string& host, const std::string& porta) {
    return MaiusculasAZ(host) + ":" + porta;
}

ServidoresSilenciosos::Espera::Espera(ServidoresSilenciosos* servidores, std::string chave,
                                      std::function<void()> desistir)
    : servidores_(servidores), chave_(std::move(chave)), desistir_(std::move(desistir)) {
    if (!servidores_)
        return;
    std::lock_guard trava(servidores_->mutex_);
    posicao_ = servidores_->esperas_.insert(servidores_->esperas_.end(), this);
    if (servidores_->silenciosos_.count(chave_) != 0) // found silent since the caller looked
        std::exchange(desistir_, nullptr)();
}

ServidoresSilenciosos::Espera::~Espera() {
    if (!servidores_)
        return;
    std::lock_guard trava(servidores_->mutex_);
    servidores_->esperas_.erase(posicao_);
}

} // namespace tessela
