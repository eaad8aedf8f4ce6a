// The modal things of the window behind small seams: the file dialogs keep their filter, title
// and last confirmed name like the dialogs users know, and tests answer them without a window;
// the message boxes record instead of blocking when a test asks them to.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

namespace kestrane {

class DialogueFichier {
  public:
    enum class Sorte { ouvrir, enregistrer };
    explicit DialogueFichier(Sorte sorte) : sorte_(sorte) {}

    // "Fichier Log|*.log|Fichier Texte|*.txt": pairs of description and pattern.
    void changerFiltre(const QString& filtre) { filtre_ = filtre; }
    void changerTitre(const QString& titre) { titre_ = titre; }
    const QString& filtre() const { return filtre_; }
    const QString& titre() const { return titre_; }
    // The full path last confirmed; offered again at the next use.
    const QString& nomFichier() const { return nomFichier_; }
    void changerNomFichier(const QString& nom) {
        nomFichier_ = nom;
        nomsFichiers_ = QStringList{nom};
    }
    // Whether several files can be chosen at once (an open dialog), and those last confirmed,
    // in the order given; nomFichier() is the first of them.
    void permettrePlusieurs(bool oui) { plusieurs_ = oui; }
    const QStringList& nomsFichiers() const { return nomsFichiers_; }
    // The filter of the last confirmed run (from 0), -1 when none was chosen; tests set it.
    int filtreChoisi() const { return filtreChoisi_; }
    void choisirFiltre(int k) { filtreChoisi_ = k; }
    void changerNomsFichiers(const QStringList& noms);

    // Runs the dialog; true when the user confirmed a name, which becomes nomFichier().
    bool executer(QWidget* parent);

    // Tests: the answer of the next run (a path, or an empty optional for a cancel), given
    // without showing anything.
    void repondreProchaineFois(std::optional<QString> reponse) {
        reponsePreparee_ = true;
        reponse_ = reponse ? std::optional<QStringList>(QStringList{*reponse}) : std::nullopt;
    }
    // The same with several files chosen at once.
    void repondreProchaineFois(const QStringList& reponse) {
        reponsePreparee_ = true;
        reponse_ = reponse;
    }

    // The Qt name filters of a "description|pattern|..." text.
    static QStringList filtresQt(const QString& filtre);

  private:
    Sorte sorte_;
    QString filtre_, titre_, nomFichier_;
    QStringList nomsFichiers_;
    bool plusieurs_ = false;
    bool reponsePreparee_ = false;
    std::optional<QStringList> reponse_;
    int filtreChoisi_ = -1;
};

class BoitesMessages {
  public:
    // The error box: application title, error icon, one OK button. Control characters are shown
    // as their control pictures (U+2400 to U+241F, U+2421).
    void erreur(QWidget* parent, const QString& texte);
    // A box with the application title, no icon and one OK button.
    void information(QWidget* parent, const QString& texte);

    // Tests: record the texts instead of showing boxes; `pendant`, when given, runs where a box
    // shown would wait for its answer.
    bool enregistrer = false;
    QStringList erreurs, informations;
    std::function<void()> pendant;
};

// Adds a full stop when the message's last character comes after "." in character order.
QString avecPointFinal(const QString& message);

}  // namespace kestrane
