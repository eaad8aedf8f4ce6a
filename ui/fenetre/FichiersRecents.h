// How users open the journals they keep: "&Fichiers récents" in the file menu (the last eight
// journals loaded, by their absolute paths, remembered between runs; one whose file is gone shown
// disabled, "(introuvable)"), and files dropped on the window.
#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

class QMenu;

namespace kestrane {

class TForm1;

class FichiersRecents : public QObject {
    Q_OBJECT
  public:
    static constexpr int kNombre = 8;

    // Adds the submenu to `menuFichier`, right after its load item, and takes the files dropped
    // on the window.
    FichiersRecents(TForm1& fenetre, QMenu* menuFichier);

    // A journal loaded (its files oldest first): first in the list, once.
    void ajouter(const QStringList& fichiers);
    // The journals of the menu, the latest first.
    const QList<QStringList>& journaux() const { return journaux_; }

  protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

  private:
    void remplirMenu();
    void enregistrer() const;

    TForm1& fenetre_;
    QMenu* menu_ = nullptr;
    QList<QStringList> journaux_;
};

}  // namespace kestrane
