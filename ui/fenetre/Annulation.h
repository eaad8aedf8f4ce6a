// Stopping a load or an Analyse on the user's word: the "Annuler" button beside the progress bar
// and the Escape key. While a stoppable step runs, the window's looking-after also handles the
// user's input (a command it starts still waits for the running one), so that the button and the
// key are heard; the step reads demandee() between its pieces of work.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>

class QPushButton;

namespace kestrane {

class ExecuteurCommandes;

class Annulation : public QObject {
  public:
    // `placer` lays the button bar out again once the button is shown or hidden.
    Annulation(QPushButton* bouton, ExecuteurCommandes& executeur, std::function<void()> placer);

    // A stoppable step, from its construction to its end: the button shown, Escape heard, no
    // request yet. Steps may nest (the first pass within an Analyse).
    class Etape {
      public:
        explicit Etape(Annulation& a);
        ~Etape();
        Etape(const Etape&) = delete;
        Etape& operator=(const Etape&) = delete;

      private:
        Annulation& a_;
    };

    bool demandee() const { return demandee_.load(std::memory_order_relaxed); }
    // For a step running on another thread (SuiviChargement::annulation).
    const std::atomic<bool>* drapeau() const { return &demandee_; }
    void demander() { demandee_ = true; }

  protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

  private:
    QPushButton* bouton_;
    ExecuteurCommandes& executeur_;
    std::function<void()> placer_;
    std::atomic<bool> demandee_{false};
    int etapes_ = 0;
};

}  // namespace kestrane
