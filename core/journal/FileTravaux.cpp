#include "core/journal/FileTravaux.h"

#include "core/journal/DeuxFils.h"

namespace kestrane {

FileTravaux::FileTravaux(std::size_t enAttente)
    : enAttente_(enAttente == 0 ? 1 : enAttente), fil_(lancerFil([this] { boucler(); })) {}

FileTravaux::~FileTravaux() {
    {
        std::lock_guard garde(verrou_);
        arreter_ = true;
        travaux_.clear();
    }
    signal_.notify_all();
    fil_.join();
}

void FileTravaux::confier(std::function<void()> travail) {
    std::unique_lock garde(verrou_);
    signal_.wait(garde, [&] { return travaux_.size() < enAttente_ || erreur_; });
    if (erreur_) std::rethrow_exception(erreur_);
    travaux_.push_back(std::move(travail));
    signal_.notify_all();
}

void FileTravaux::attendre() {
    std::unique_lock garde(verrou_);
    signal_.wait(garde, [&] { return (travaux_.empty() && !occupe_) || erreur_; });
    if (erreur_) std::rethrow_exception(erreur_);
}

void FileTravaux::boucler() {
    std::unique_lock garde(verrou_);
    for (;;) {
        signal_.wait(garde, [&] { return !travaux_.empty() || arreter_; });
        if (arreter_) return;
        std::function<void()> travail = std::move(travaux_.front());
        travaux_.pop_front();
        occupe_ = true;
        signal_.notify_all();
        garde.unlock();
        std::exception_ptr erreur;
        try {
            travail();
        } catch (...) {
            erreur = std::current_exception();
        }
        // The job's captures go before its caller may leave the scope they point into.
        travail = nullptr;
        garde.lock();
        occupe_ = false;
        if (erreur) {
            erreur_ = erreur;
            travaux_.clear();
        }
        signal_.notify_all();
    }
}

}  // namespace kestrane
