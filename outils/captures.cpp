// kestrane-captures journal folder: the real window on a journal, analysed, photographed page by
// page: the Analyse page, the statistics page with 1, 3 and 7 charts, each chart alone (F4 to
// F10), the report page at its top, middle and bottom; at the window's first size, then filling
// the screen. Run it under a display (xvfb-run); scripts/captures.sh does. Options: readable
// results, the journal's format by its command-line name ("--format=commun"), and a filter typed
// in the filter bar after the analysis ("--filtre=statut:4xx"), the figures of each entry
// ("--detail-entrees"), and the "Historique" page of a base of days ("--base=FICHIER"): by day,
// by week compared with the weeks before, by month, and a day's tables; "--suivre": a copy of the
// journal followed ("Fichier" > "Suivre le journal") and grown by its own first lines once
// analysed, every page photographed after the update, with the "Fichier" menu open; "--sombre":
// the window under a dark palette (the Fusion style's colours for a dark desktop).
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <string_view>

#include "core/historique/PeriodesHistorique.h"
#include "tests/commun/BipEnregistreur.h"
#include "tests/commun/Controles.h"
#include "tests/commun/ReglagesIsoles.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/pages/historique/PageHistorique.h"
#include "ui/pages/rapport/PageRapport.h"

using namespace kestrane;

namespace {

void attendre() {
    for (int k = 0; k < 8; ++k) QCoreApplication::processEvents();
}

class Photographe {
  public:
    Photographe(TForm1& w, const QString& dossier) : w_(w), dossier_(dossier) {}

    void photographier(const QString& nom) {
        attendre();
        const QString chemin = QDir(dossier_).filePath(prefixe_ + nom + QStringLiteral(".png"));
        if (!w_.grab().save(chemin)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(chemin));
            ok_ = false;
        }
    }

    void serie(const QString& prefixe) {
        prefixe_ = prefixe;
        auto* onglets = controle<QTabWidget>(w_, "PageControl1");
        onglets->setCurrentIndex(0);
        photographier(QStringLiteral("01-analyse"));

        // The statistics page with 1, 3 and 7 charts.
        controle<QAction>(w_, "menuStatIP")->trigger();
        auto* liste = controle<QListWidget>(w_, "listeACocherStat");
        photographier(QStringLiteral("02-statistiques-1"));
        for (int i : {1, 6}) liste->item(i)->setCheckState(Qt::Checked);
        photographier(QStringLiteral("03-statistiques-3"));
        for (int i = 0; i < liste->count(); ++i) liste->item(i)->setCheckState(Qt::Checked);
        photographier(QStringLiteral("04-statistiques-7"));

        // Each chart alone, as F4 to F10 show it.
        const char* const menus[] = {"menuStatIP",         "menuStatOS",       "menuStatNav",
                                     "menuStatResolution", "menuStatCouleurs", "menuStatProvenance",
                                     "menuStatHoraires"};
        for (int k = 0; k < 7; ++k) {
            controle<QAction>(w_, menus[k])->trigger();
            photographier(QStringLiteral("05-seul-F%1").arg(k + 4));
        }

        // The report page: top, middle, bottom.
        controle<QAction>(w_, "menuRapportdAnalyse")->trigger();
        PageRapport* rapport = pageRapport(w_);
        rapport->allerA(0);
        photographier(QStringLiteral("06-rapport-haut"));
        rapport->allerA(PageRapport::kHauteurContenu / 2 - 200);
        photographier(QStringLiteral("07-rapport-milieu"));
        rapport->allerA(PageRapport::kHauteurContenu);
        photographier(QStringLiteral("08-rapport-bas"));

        // The supplementary page, each of its sub-pages.
        controle<QAction>(w_, "actionComplementsDevant")->trigger();
        auto* complements = controle<QTabWidget>(w_, "ongletsComplements");
        for (int k = 0; k < complements->count(); ++k) {
            complements->setCurrentIndex(k);
            photographier(QStringLiteral("09-complements-%1").arg(k + 1));
        }
        complements->setCurrentIndex(0);
        if (w_.historique()->periodes().empty()) return;

        // The history: by day, by week beside the weeks before, by month; a day's tables.
        PageHistorique* h = w_.historique();
        controle<QTabWidget>(w_, "PageControl1")
            ->setCurrentWidget(controle<QWidget>(w_, "ongletHistorique"));
        photographier(QStringLiteral("10-historique-jours"));
        h->choixGranularite()->setCurrentIndex(1);
        // The second half of the base beside the first.
        const auto [premier, dernier] = h->plage();
        h->afficherPeriode(premier + (dernier - premier + 1) / 2, dernier);
        const auto avant = periodePrecedente(h->plage().first, h->plage().second);
        h->comparerAvec(avant.first, avant.second);
        photographier(QStringLiteral("11-historique-semaines-comparees"));
        h->sansComparaison();
        h->afficherPeriode(premier, dernier);
        h->choixGranularite()->setCurrentIndex(2);
        photographier(QStringLiteral("12-historique-mois"));
        h->choixGranularite()->setCurrentIndex(0);
        h->ouvrirPeriode(0);
        attendre();
        if (!h->dernierePeriodeOuverte()->grab().save(
                QDir(dossier_).filePath(prefixe_ + QStringLiteral("13-historique-jour.png")))) {
            ok_ = false;
        }
        h->dernierePeriodeOuverte()->close();
    }

    bool ok() const { return ok_; }

  private:
    TForm1& w_;
    QString dossier_, prefixe_;
    bool ok_ = true;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const ReglagesIsoles reglages;  // loads here are not the user's recent journals
    bool lisibles = false, detail = false, suivre = false, sombre = false;
    QString format, filtre, base;
    for (int k = 3; k < argc; ++k) {
        const std::string_view option = argv[k];
        if (option == "--resultats-lisibles") {
            lisibles = true;
        } else if (option.starts_with("--format=")) {
            format = QString::fromLocal8Bit(argv[k] + 9);
        } else if (option == "--detail-entrees") {
            detail = true;
        } else if (option == "--suivre") {
            suivre = true;
        } else if (option == "--sombre") {
            sombre = true;
        } else if (option.starts_with("--base=")) {
            base = QString::fromLocal8Bit(argv[k] + 7);
        } else if (option.starts_with("--filtre=")) {
            filtre = QString::fromLocal8Bit(argv[k] + 9);
        } else {
            argc = 0;
        }
    }
    if (argc < 3) {
        std::fprintf(
            stderr,
            "usage: %s journal folder [--resultats-lisibles] [--format=NOM] "
            "[--filtre=EXPRESSION] [--detail-entrees] [--base=FICHIER] [--suivre] [--sombre]\n",
            argv[0]);
        return 2;
    }
    // The format the window reads the journal in, as its dialog would remember it.
    if (!format.isEmpty()) {
        QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane"))
            .setValue(QStringLiteral("analyse/formatJournal"), format);
    }
    QApplication::setApplicationName(QStringLiteral("Kestrane"));
    if (sombre) {
        QApplication::setStyle(QStringLiteral("Fusion"));
        // A dark desktop's palette: its shades made from its button and window colours.
        QPalette p(QColor(0x35, 0x35, 0x35), QColor(0x2b, 0x2b, 0x2b));
        p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
        for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            p.setColor(role, QColor(0xe8, 0xe8, 0xe8));
        }
        p.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
        p.setColor(QPalette::HighlightedText, Qt::white);
        QApplication::setPalette(p);
    }
    QTranslator traduction;
    if (traduction.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&traduction);
    }
    const QString dossier = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(dossier);

    // The supplementary page is switched on in the run's own settings (above), not the user's.
    BipEnregistreur silence;
    TForm1 w(silence);
    w.boites.enregistrer = true;
    controle<QAction>(w, "menuAfficherComplements")->setChecked(true);
    controle<QAction>(w, "menuResultatsLisibles")->setChecked(lisibles);
    controle<QAction>(w, "menuDetailEntrees")->setChecked(detail);
    w.show();
    attendre();
    QString journal = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir copie;
    if (suivre) {
        // A copy of the journal's own, which grows.
        const QString chemin = copie.filePath(QStringLiteral("access.log"));
        QFile::copy(journal, chemin);
        journal = chemin;
        controle<QAction>(w, "menuSuivreJournal")->setChecked(true);
    }
    w.ouvrirAuDemarrage(journal);
    controle<QPushButton>(w, "btAnalyser")->click();
    attendre();
    if (suivre) {
        QFile f(journal);
        f.open(QIODevice::ReadWrite);
        QByteArray debut;
        for (int k = 0; k < 300 && !f.atEnd(); ++k) debut += f.readLine();
        f.seek(f.size());
        f.write(debut);
        f.close();
        const std::size_t attendues = w.journal().nbLignes() + 300;
        QElapsedTimer limite;
        limite.start();
        while (w.journal().nbLignes() < attendues && limite.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        auto* fichier = controle<QMenu>(w, "menuFichier");
        fichier->popup(w.mapToGlobal(QPoint(0, 20)));
        attendre();
        fichier->grab().save(QDir(dossier).filePath(QStringLiteral("menu-fichier.png")));
        fichier->hide();
    }
    // A filter typed in its bar once the journal is analysed, as a user would.
    if (!filtre.isEmpty()) {
        auto* champ = controle<QLineEdit>(w, "champFiltre");
        champ->setText(filtre);
        emit champ->returnPressed();
        attendre();
    }
    if (!base.isEmpty()) {
        // Opened through its dialog, as a user would, the dialog photographed on the way.
        QTimer::singleShot(300, [&] {
            QWidget* d = QApplication::activeModalWidget();
            if (!d) return;
            controle<QLineEdit>(*d, "editAdresseBase")->setText(base);
            d->grab().save(QDir(dossier).filePath(QStringLiteral("dialogue-base.png")));
            static_cast<QDialog*>(d)->accept();
        });
        controle<QAction>(w, "menuOuvrirBase")->trigger();
        attendre();
    }
    if (!w.boites.erreurs.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(w.boites.erreurs.join(QLatin1Char('\n'))));
        return 1;
    }

    Photographe photographe(w, dossier);
    photographe.serie(QStringLiteral("premiere-taille-"));
    w.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    attendre();
    photographe.serie(QStringLiteral("plein-ecran-"));
    std::printf("pictures in %s\n", qPrintable(dossier));
    return photographe.ok() ? 0 : 1;
}
