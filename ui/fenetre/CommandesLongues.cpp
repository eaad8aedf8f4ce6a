// How the window runs its commands: one at a time, each to its end, errors shown in the error
// box. A long computation runs on another thread while the window keeps painting: only what its
// looks need is handled meanwhile (paints, exposures, the window system's own events); input, the
// clock's tick and any command asked for wait until the running command has ended, as they would
// if the window did nothing else.
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <thread>

#include "core/journal/DeuxFils.h"
#include "core/journal/Erreur.h"
#include "platform/Horloge.h"
#include "ui/vues/Texte1252.h"
#include "ui/fenetre/UFormPrincipale.h"

namespace kestrane {

namespace {

// How often the window is looked after while a computation runs.
constexpr auto kIntervalleEntretien = std::chrono::milliseconds(15);

}  // namespace

void TForm1::Timer1Timer() {
    if (pompe_ > 0) {
        ticManque_ = true;  // the clock catches up once the command has ended
        return;
    }
    panneauHeure->setText(texteHeure(horloge()));
}

void TForm1::entretenir() {
    ++pompe_;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                    QEventLoop::X11ExcludeTimers);
    --pompe_;
}

void TForm1::enFond(const std::function<void()>& travail, const std::function<void()>& suivre) {
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

void TForm1::executer(const std::function<void()>& commande) {
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
    if (echec) boites.erreur(this, avecPointFinal(message));
    --commandes_;
    if (commandes_ == 0) executerAttentes();
}

void TForm1::executerAttentes() {
    if (ticManque_) {
        ticManque_ = false;
        Timer1Timer();
    }
    while (!differees_.empty()) {
        const std::function<void()> commande = std::move(differees_.front());
        differees_.pop_front();
        executer(commande);
    }
    if (fermetureDemandee_) {
        fermetureDemandee_ = false;
        quitter();
    }
}

}  // namespace kestrane
