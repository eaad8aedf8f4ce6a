#include "ui/fenetre/ExecuteurCommandes.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <thread>

#include "core/journal/DeuxFils.h"
#include "core/journal/Erreur.h"
#include "ui/dialogues/Dialogues.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

// How often the window is looked after while a computation runs.
constexpr auto kIntervalleEntretien = std::chrono::milliseconds(15);

}  // namespace

ExecuteurCommandes::ExecuteurCommandes(std::function<void(const QString&)> montrerErreur)
    : montrerErreur_(std::move(montrerErreur)) {}

void ExecuteurCommandes::entretenir() {
    ++pompe_;
    QCoreApplication::processEvents(entrees_ ? QEventLoop::X11ExcludeTimers
                                             : QEventLoop::ExcludeUserInputEvents |
                                                   QEventLoop::X11ExcludeTimers);
    --pompe_;
}

void ExecuteurCommandes::enFond(const Action& travail, const Action& suivre) {
    std::mutex verrou;
    std::condition_variable fin;
    bool fini = false;
    std::exception_ptr erreur;
    std::thread fil = lancerFil([&] {
        try {
            travail();
        } catch (...) {
            erreur = std::current_exception();
        }
        std::lock_guard garde(verrou);
        fini = true;
        fin.notify_one();
    });
    for (;;) {
        if (suivre) suivre();
        entretenir();
        std::unique_lock garde(verrou);
        if (fin.wait_for(garde, kIntervalleEntretien, [&] { return fini; })) break;
    }
    fil.join();
    if (erreur) std::rethrow_exception(erreur);
}

void ExecuteurCommandes::executer(const Action& commande) {
    // Reached while a command keeps the window painted: it waits for that command's end.
    if (pompe_ > 0) {
        differees_.push_back(commande);
        return;
    }
    ++commandes_;
    QString message;
    bool echec = true;
    try {
        commande();
        echec = false;
    } catch (const ErreurAffichable& e) {
        message = e.message;
    } catch (const ErreurKestrane& e) {
        message = depuis1252(e.message());
    } catch (const std::bad_alloc&) {
        message = QStringLiteral("M\u00e9moire insuffisante");
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    } catch (...) {
        message = QStringLiteral("Erreur inconnue");
    }
    if (echec && montrerErreur_) montrerErreur_(avecPointFinal(message));
    --commandes_;
    if (commandes_ == 0) executerAttentes();
}

void ExecuteurCommandes::executerAttentes() {
    if (ticManque_) {
        ticManque_ = false;
        if (rattraperTic) rattraperTic();
    }
    while (!differees_.empty()) {
        const Action commande = std::move(differees_.front());
        differees_.pop_front();
        executer(commande);
    }
    if (fermetureDemandee_) {
        fermetureDemandee_ = false;
        if (fermer) fermer();
    }
}

}  // namespace kestrane
