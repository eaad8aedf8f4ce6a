// "Outils > Base de géolocalisation...": the country database of the Compléments' audience, a
// MaxMind DB file chosen once and remembered; until one is chosen, the first "*ountry*.mmdb" of
// /usr/share/GeoIP or /var/lib/GeoIP. Nothing is ever downloaded.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QWidget;

namespace kestrane {

class BasePays;
class DialogueFichier;

class ChoixBaseGeolocalisation : public QObject {
  public:
    // Adds the item at the end of `outils`. `executer` runs its command (an error shows in the
    // error box); `apresChoix` follows a database newly chosen; `signaler` tells that the
    // database named cannot be read (once per file), the analysis going on without countries.
    ChoixBaseGeolocalisation(QMenu* outils, QWidget* fenetre, DialogueFichier& dialogue,
                             std::function<void(const std::function<void()>&)> executer,
                             std::function<void()> apresChoix,
                             std::function<void(const QString&)> signaler);
    ~ChoixBaseGeolocalisation() override;

    // The database's path: the one chosen, else the first found; empty when none.
    QString chemin() const;
    // The database opened, for the next analysis; null when there is none or it does not read.
    std::shared_ptr<const BasePays> base();

  private:
    void choisir();

    QWidget* fenetre_;
    DialogueFichier& dialogue_;
    std::function<void(const std::function<void()>&)> executer_;
    std::function<void()> apresChoix_;
    std::function<void(const QString&)> signaler_;
    QString cheminOuvert_;  // the path `base_` was opened from (or failed to open from)
    std::shared_ptr<const BasePays> base_;
};

}  // namespace kestrane
