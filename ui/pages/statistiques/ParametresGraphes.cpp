// The statistics page's parameter boxes: how they are made and stacked beside the charts shown,
// the number of addresses of the address chart (its box, its up-down, its key filter) and the
// zoom of the referring-pages chart; what the charts are fed.
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/analyse/GrillesRapport.h"
#include "core/analyse/Lisibles.h"
#include "core/journal/Erreur.h"
#include "core/lecture/UString.h"
#include "platform/Airs.h"
#include "ui/graphes/FormatsGraphes.h"
#include "ui/graphes/GrapheQt.h"
#include "ui/pages/statistiques/PageStatistiques.h"
#include "ui/vues/Couleurs.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

constexpr int kNbAdressesMin = 5;
constexpr int kNbAdressesMax = 50;

QFont avecStyle(QFont police, bool gras, bool italique) {
    police.setBold(gras);
    police.setItalic(italique);
    return police;
}

}  // namespace

void PageStatistiques::creerParametres(QWidget* contenu) {
    auto boite = [contenu](const char* nom, const QString& titre, int hauteur) {
        auto* b = new QGroupBox(titre, contenu);
        b->setObjectName(QString::fromLatin1(nom));
        b->resize(193, hauteur);
        return b;
    };
    grapheStatIP_Param = boite("grapheStatIP_Param", QStringLiteral("Adresses IP :"), 96);
    grapheStatHoraires_Param =
        boite("grapheStatHoraires_Param", QStringLiteral("Tranches Horaires :"), 80);
    grapheStatVMensuelles_Param =
        boite("grapheStatVMensuelles_Param", QStringLiteral("Visites :"), 80);
    grapheStatPrecedent_Param =
        boite("grapheStatPrecedent_Param", QStringLiteral("Provenances des Visites :"), 54);
    boites_ = {grapheStatIP_Param, grapheStatHoraires_Param, grapheStatVMensuelles_Param,
               grapheStatPrecedent_Param};

    editAdressesIP_Param = new QLineEdit(QStringLiteral("10"), grapheStatIP_Param);
    editAdressesIP_Param->setObjectName(QStringLiteral("editAdressesIP_Param"));
    editAdressesIP_Param->setGeometry(16, 16, 145, 17);
    editAdressesIP_Param->setFont(avecStyle(editAdressesIP_Param->font(), true, false));
    udAdressesIP_Param =
        new HautBas(editAdressesIP_Param, kNbAdressesMin, kNbAdressesMax, 10, grapheStatIP_Param);
    udAdressesIP_Param->setObjectName(QStringLiteral("udAdressesIP_Param"));
    udAdressesIP_Param->setGeometry(161, 16, 16, 17);
    lbAdressesIP_Param = new QLabel(QStringLiteral("Nombre d'adresses IP les plus \n"
                                                   "fréquemment rencontrées à \n"
                                                   "afficher. \n"
                                                   "(5-50)"),
                                    grapheStatIP_Param);
    lbAdressesIP_Param->setObjectName(QStringLiteral("lbAdressesIP_Param"));
    lbAdressesIP_Param->setGeometry(8, 40, 177, 49);
    lbAdressesIP_Param->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lbAdressesIP_Param->setFont(avecStyle(lbAdressesIP_Param->font(), false, true));
    lbAdressesIP_Param->setTextInteractionFlags(Qt::TextSelectableByMouse);

    blZoomGraphPrecedent_Param =
        new QLabel(QStringLiteral("Zoom :          %"), grapheStatPrecedent_Param);
    blZoomGraphPrecedent_Param->setObjectName(QStringLiteral("blZoomGraphPrecedent_Param"));
    blZoomGraphPrecedent_Param->move(8, 24);
    blZoomGraphPrecedent_Param->adjustSize();
    // The number sits over the blank run of "Zoom :          %", its right edge fixed.
    lbTauxZoomGraphPrecedent_Param = new QLabel(QStringLiteral("100"), grapheStatPrecedent_Param);
    lbTauxZoomGraphPrecedent_Param->setObjectName(QStringLiteral("lbTauxZoomGraphPrecedent_Param"));
    lbTauxZoomGraphPrecedent_Param->setAlignment(Qt::AlignRight | Qt::AlignTop);
    lbTauxZoomGraphPrecedent_Param->setFont(
        avecStyle(lbTauxZoomGraphPrecedent_Param->font(), true, true));
    QPalette marine = lbTauxZoomGraphPrecedent_Param->palette();
    // Navy on the parameters' light background; lighter where a dark palette makes it dark.
    marine.setColor(QPalette::WindowText,
                    couleurLisible(QColor(0, 0, 128), marine.color(QPalette::Light), 3));
    lbTauxZoomGraphPrecedent_Param->setPalette(marine);
    lbTauxZoomGraphPrecedent_Param->setGeometry(66 - 36, 24, 36,
                                                blZoomGraphPrecedent_Param->height());

    auto bouton = [this](const char* nom, const QString& texte, int gauche, int largeur) {
        auto* b = new QPushButton(texte, grapheStatPrecedent_Param);
        b->setObjectName(QString::fromLatin1(nom));
        b->setGeometry(gauche, 16, largeur, 25);
        b->setFont(avecStyle(b->font(), true, false));
        return b;
    };
    btZoomPlusStatPrecedent_Param = bouton("btZoomPlusStatPrecedent_Param", "+", 88, 17);
    btZoomMoinsStatPrecedent_Param = bouton("btZoomMoinsStatPrecedent_Param", "-", 112, 17);
    btZoom100StatPrecedent_Param =
        bouton("btZoom100StatPrecedent_Param", QStringLiteral("100%"), 136, 49);
}

void PageStatistiques::placerParametres(int n) {
    for (QGroupBox* boite : boites_) boite->hide();
    if (n > 0) {
        int y = 0;
        const int nb = std::min(n, static_cast<int>(graphesAffiches_.size()));
        for (int i = 0; i < nb; ++i) {
            const QString nom = graphesAffiches_[i]->objectName() + QStringLiteral("_Param");
            for (QGroupBox* boite : boites_) {
                if (boite->objectName() != nom) continue;
                boite->show();
                boite->move(1, y + 5);
                y += boite->height() + 5;
            }
        }
    }
    ajusterContenuParametres();
}

// The scroll box scrolls over the boxes that stand.
void PageStatistiques::ajusterContenuParametres() {
    int bas = 0;
    for (QGroupBox* boite : boites_) {
        if (!boite->isHidden()) bas = std::max(bas, boite->geometry().bottom() + 1 + 5);
    }
    contenuParametres_->setMinimumHeight(bas);
}

bool PageStatistiques::editAdressesIP_ParamKeyPress(const QKeyEvent& touche) {
    const int cle = touche.key();
    if (cle == Qt::Key_Return || cle == Qt::Key_Enter) {
        executer([this] { validerAdressesIP(); });
        return true;
    }
    // Every key that types a character is filtered, control characters included (Ctrl+V types
    // one, so pasting by key is refused too); keys that type nothing (moving, Delete) and the
    // focus keys stay the box's own.
    const QString texte = touche.text();
    if (cle == Qt::Key_Backspace || cle == Qt::Key_Delete || cle == Qt::Key_Tab ||
        cle == Qt::Key_Backtab || texte.isEmpty()) {
        return false;
    }
    if (texte.size() == 1 && texte.front() >= QLatin1Char('0') &&
        texte.front() <= QLatin1Char('9')) {
        return false;
    }
    executer([this] {
        if (contexte_.bip != nullptr) bipErreur(*contexte_.bip);
    });
    return true;
}

void PageStatistiques::validerAdressesIP() {
    if (nombreDeLaBoite() > kNbAdressesMax) {
        editAdressesIP_Param->setText(QString::number(kNbAdressesMax));
    }
    if (nombreDeLaBoite() < kNbAdressesMin) {
        editAdressesIP_Param->setText(QString::number(kNbAdressesMin));
    }
    remplirGrapheIP();
}

// Confirmed by Enter or the up-down's release: what the box shows, which must be a number.
void PageStatistiques::remplirGrapheIP() {
    remplirGraphe(*graphes_.grapheStatIP, nombreDeLaBoite(), contexte_.resultat->tables.statIP);
}

int PageStatistiques::nombreDeLaBoite() const {
    return convertirEntier(vers1252(editAdressesIP_Param->text()));
}

void PageStatistiques::alimenter() {
    const TablesAnalyse& t = contexte_.resultat->tables;
    const bool lisibles = contexte_.resultat->lisibles.actifs;
    // Readable results: the bytes' marks in units, the axis in the largest one's, the exact
    // count in the tooltip.
    graphes_.grapheStatTauxCharge->changerFormats(
        1, lisibles ? formaterOctetsLisibles : formaterOctets, lisibles ? formaterOctets : nullptr);
    graphes_.grapheStatTauxCharge->exprimerAxeEnOctets(lisibles);
    // Readable results: the slice of the small entries says how many it holds.
    graphes_.grapheStatOS->changerNomAutres(0, lisibles ? formaterAutres : nullptr);
    graphes_.grapheStatNavRobots->changerNomAutres(0, lisibles ? formaterAutres : nullptr);
    // Readable results: the referring pages named beside their bars (without, the chart keeps
    // its bare axis).
    graphes_.grapheStatPrecedent->montrerLibellesCategories(lisibles);
    remplirGraphe(*graphes_.grapheStatIP, nbAdresses_, t.statIP);
    remplirGraphe(*graphes_.grapheStatOS, 50, t.statOS);
    remplirGraphe(*graphes_.grapheStatNavRobots, 50, t.statNav);
    remplirGraphe(*graphes_.grapheStatPrecedent, 50, t.statPrecedent);
    remplirGraphe(*graphes_.grapheStatFichierCharge, 50, t.statFichier);
    remplirGraphe(*graphes_.grapheStatTauxCharge, 50, t.statTaux);
    remplirGrapheLisible(*graphes_.grapheStatHoraires, 24, t.statHoraires,
                         formatStatHoraires(lisibles));
    remplirGraphe(*graphes_.grapheStatVMensuelles, 24, t.statVMensuelles);
    montrerSansAgent(contexte_.resultat->lisibles.sansAgent);
}

void PageStatistiques::montrerSansAgent(bool sansAgent) {
    const std::pair<GrapheQt*, const char*> graphes[] = {
        {graphes_.grapheStatOS, "lbSansAgentOS"}, {graphes_.grapheStatNavRobots, "lbSansAgentNav"}};
    for (std::size_t k = 0; k < sansAgent_.size(); ++k) {
        QLabel*& message = sansAgent_[k];
        if (!message && !sansAgent) continue;
        if (!message) {
            // Over the chart, whose one entry draws nothing, and following its size.
            message = new QLabel(depuis1252(std::string(kPasDAgent)), graphes[k].first);
            message->setObjectName(QString::fromLatin1(graphes[k].second));
            message->setAlignment(Qt::AlignCenter);
            message->setAttribute(Qt::WA_TransparentForMouseEvents);
            (new QVBoxLayout(graphes[k].first))->addWidget(message);
        }
        message->setVisible(sansAgent);
    }
}

// The percent always applies to the unzoomed view, which zoomPourcent restores first.
void PageStatistiques::zoomerPrecedent(int pas) {
    const int32_t v =
        ajouterVerifie(convertirEntier(vers1252(lbTauxZoomGraphPrecedent_Param->text())), pas);
    lbTauxZoomGraphPrecedent_Param->setText(QString::number(v));
    graphes_.grapheStatPrecedent->zoomPourcent(v);
}

void PageStatistiques::btZoom100StatPrecedent_ParamClick() {
    lbTauxZoomGraphPrecedent_Param->setText(QStringLiteral("100"));
    graphes_.grapheStatPrecedent->zoomPourcent(100);
}

}  // namespace kestrane
