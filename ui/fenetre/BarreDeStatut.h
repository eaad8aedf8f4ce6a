// The status line along the window's foot: the clock in its first panel (80 pixels), the last
// message in the second, followed by the time the clock showed before it, in brackets.
#pragma once

#include <QString>
#include <QTime>
#include <functional>

class QLabel;
class QStatusBar;

namespace kestrane {

class BarreDeStatut {
  public:
    // Makes the two panels in `barre`; `horloge` tells the time whenever it is asked.
    BarreDeStatut(QStatusBar* barre, std::function<QTime()> horloge);

    // "message [time shown before]", then the clock; nothing is painted here.
    void ecrire(const QString& message);
    // The clock's tick.
    void montrerHeure();
    // The message panel's text as shown, and that text put back, painted at once.
    QString texte() const;
    void remettre(const QString& texte);
    // Paints the line now.
    void peindre();

  private:
    QStatusBar* barre_;
    QLabel* panneauHeure_;
    QLabel* panneauMessage_;
    std::function<QTime()> horloge_;
};

}  // namespace kestrane
