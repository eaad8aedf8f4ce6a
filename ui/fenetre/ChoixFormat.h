// "Outils > Format du journal...": its item, its dialog and the format of the next Analyse,
// remembered from one session to the next.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "core/analyse/ServiceAnalyse.h"

class QMenu;
class QWidget;

namespace kestrane {

class DialogueFormat;
class Journal;

class ChoixFormat : public QObject {
  public:
    // Adds the item at the end of `outils`; the dialog belongs to `fenetre`. `executer` runs the
    // item's command; `journal` is the journal loaded.
    ChoixFormat(QMenu* outils, QWidget* fenetre,
                std::function<void(const std::function<void()>&)> executer,
                std::function<const Journal&()> journal);

    // The choice as saved: a format's name ("auto", "commun"...) or a format string; empty for
    // the default.
    const QString& choix() const { return choix_; }
    // Sets the format of the next analysis.
    void appliquer(OptionsAnalyse& options) const;
    DialogueFormat* dialogue() const { return dialogue_; }

  private:
    void choisir(const QString& choix);

    std::function<void(const std::function<void()>&)> executer_;
    std::function<const Journal&()> journal_;
    DialogueFormat* dialogue_;
    QString choix_;
};

// What the end message adds when the format is not the default: " (format : Commun)", with
// "détecté" for the automatic choice.
QString texteFormatStatut(const ResultatAnalyse& r);

}  // namespace kestrane
