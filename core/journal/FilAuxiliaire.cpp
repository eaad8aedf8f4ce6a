#include "core/journal/FilAuxiliaire.h"

#include "core/journal/DeuxFils.h"

namespace kestrane {

FilAuxiliaire::FilAuxiliaire() : fil_(lancerFil([this] { boucler(); })) {}

FilAuxiliaire::~FilAuxiliaire() {
    {
        std::lock_guard garde(verrou_);
        arreter_ = true;
    }
    signal_.notify_all();
    fil_.join();
}

void FilAuxiliaire::confier(std::function<void()> travail) {
    {
        std::lock_guard garde(verrou_);
        travail_ = std::move(travail);
        occupe_ = true;
    }
    signal_.notify_all();
}

void FilAuxiliaire::attendre() {
    std::unique_lock garde(verrou_);
    signal_.wait(garde, [&] { return !occupe_; });
}

void FilAuxiliaire::boucler() {
    std::unique_lock garde(verrou_);
    for (;;) {
        signal_.wait(garde, [&] { return occupe_ || arreter_; });
        if (arreter_) return;
        std::function<void()> travail = std::move(travail_);
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
        erreur_ = erreur;
        occupe_ = false;
        signal_.notify_all();
    }
}

}  // namespace kestrane
