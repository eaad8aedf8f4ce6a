// How the window runs its commands: one at a time, each to its end, its error shown in the error
// box, so that no exception ever crosses the event loop. A long computation runs on another thread
// while the window keeps painting: only what its looks need is handled meanwhile (paints,
// exposures, the window system's own events); input, the clock's tick, a close and any command
// asked for wait until the running command has ended, as they would if the window did nothing
// else.
#pragma once

#include <QString>
#include <deque>
#include <functional>

namespace kestrane {

// An error whose message is already worded for the user.
struct ErreurAffichable {
    QString message;
};

class ExecuteurCommandes {
  public:
    using Action = std::function<void()>;

    // `montrerErreur`: the error box, given the message with its final period.
    explicit ExecuteurCommandes(std::function<void(const QString& message)> montrerErreur);

    // Runs a command to its end; its error ends it and is shown. A command asked for while
    // another keeps the window painted runs after that one, in the order asked.
    void executer(const Action& commande);
    // Within a command: runs `travail` on another thread and keeps the window painted until it
    // ends, then raises its error here. `travail` must not touch the window. `suivre`, when
    // given, runs on this thread each time the window is looked after (a progress bar).
    void enFond(const Action& travail, const Action& suivre = {});
    // Within a command: handles what the window's looks need now (paints, exposures), but no
    // input, no tick of the clock and no other command, which wait for the command's end.
    void entretenir();
    // Whether a command keeps the window painted at this moment: what arrives must wait.
    bool occupe() const { return pompe_ > 0; }
    // Whether a command runs, its error box included.
    bool enCommande() const { return commandes_ > 0; }
    // While a stoppable step runs (Annulation.h): the looking-after handles the user's input
    // too, so that a request to stop is heard; a command it starts still waits.
    void accepterEntrees(bool oui) { entrees_ = oui; }

    // A tick of the clock, or a close of the window, that arrived while occupied: once the
    // commands have ended, `rattraperTic` runs (once, however many ticks were missed) before
    // the commands that wait, and `fermer` after them.
    void retarderTic() { ticManque_ = true; }
    void retarderFermeture() { fermetureDemandee_ = true; }
    Action rattraperTic;
    Action fermer;

  private:
    void executerAttentes();

    std::function<void(const QString&)> montrerErreur_;
    int commandes_ = 0;  // the running commands, nested calls included
    int pompe_ = 0;      // > 0 while entretenir() handles events
    std::deque<Action> differees_;
    bool ticManque_ = false;
    bool fermetureDemandee_ = false;
    bool entrees_ = false;
};

}  // namespace kestrane
