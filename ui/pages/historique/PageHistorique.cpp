#include "ui/pages/historique/PageHistorique.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFontMetricsF>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "cli/BaseCommande.h"
#include "core/journal/Calendrier.h"
#include "ui/pages/complements/GrilleTitree.h"
#include "ui/pages/complements/PageComplements.h"
#include "ui/pages/complements/TextesComplements.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

using namespace complements;

namespace {

QDate dateDe(int64_t jour) {
    int32_t a, m, j;
    dateDuJour(jour, a, m, j);
    return QDate(a, m, j);
}

int64_t jourDe(const QDate& d) {
    return joursDepuisEpoque(d.year(), d.month(), d.day());
}

QString texteDate(int64_t jour) {
    return dateDe(jour).toString(QStringLiteral("dd/MM/yyyy"));
}

QString texteEtendue(int64_t premier, int64_t dernier) {
    return premier == dernier
               ? QStringLiteral("le %1").arg(texteDate(premier))
               : QStringLiteral("du %1 au %2").arg(texteDate(premier), texteDate(dernier));
}

// The figure shown of a period: requests, visitors, visits or bytes (the choice's order).
int64_t mesureDe(const PeriodeHistorique& p, int mesure) {
    switch (mesure) {
        case 1:
            return p.visiteurs;
        case 2:
            return p.visites;
        case 3:
            return p.octets;
        default:
            return p.requetes;
    }
}

// The first and last real days of a history (lines without a date aside); unset without any.
std::optional<std::pair<int64_t, int64_t>> etendue(const Historique& h) {
    std::optional<std::pair<int64_t, int64_t>> e;
    for (const JourHistorique& j : h.jours) {
        if (j.jour == kJourSansDate) continue;
        if (!e) e = std::pair{j.jour, j.jour};
        e->second = j.jour;
    }
    return e;
}

void regler(QDateEdit* d) {
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
}

TableauComplements::Cellule nombre(int64_t n, bool octets = false) {
    return {octets ? enOctets(n) : francais(n), QVariant::fromValue<qlonglong>(n)};
}

}  // namespace

VueTablesHistorique::VueTablesHistorique(const QString& nom, QWidget* parent)
    : QWidget(parent), nom_(nom) {
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    choix_ = new QComboBox;
    choix_->setObjectName(nom + QStringLiteral("Choix"));
    choix_->setAccessibleName(QStringLiteral("Table affich\u00e9e"));
    l->addWidget(choix_);
    connect(choix_, &QComboBox::currentIndexChanged, this, [this](int k) { montrer(k); });
}

void VueTablesHistorique::afficher(std::vector<TableExportee> tables) {
    const QString avant = choix_->currentText();
    tables_ = std::move(tables);
    QSignalBlocker bloque(choix_);
    choix_->clear();
    for (const TableExportee& t : tables_) choix_->addItem(depuis1252(t.titre));
    // The same table stays chosen across reads when it is still there.
    const int k = std::max(0, choix_->findText(avant));
    choix_->setCurrentIndex(k);
    montrer(tables_.empty() ? -1 : k);
}

void VueTablesHistorique::montrer(int k) {
    delete tableau_;
    tableau_ = nullptr;
    if (k < 0 || static_cast<std::size_t>(k) >= tables_.size()) return;
    const TableExportee& t = tables_[static_cast<std::size_t>(k)];
    QStringList entetes;
    for (const std::string& e : t.entetes) entetes << depuis1252(e);
    std::vector<TableauComplements::Ligne> lignes;
    lignes.reserve(t.lignes.size());
    for (const auto& ligne : t.lignes) {
        TableauComplements::Ligne l;
        for (std::size_t c = 0; c < ligne.size(); ++c) {
            const QString texte = depuisJournal(ligne[c]);
            bool numerique = c < t.numeriques.size() && t.numeriques[c];
            qlonglong n = 0;
            if (numerique) n = texte.toLongLong(&numerique);
            l.push_back({texte, numerique ? QVariant(n) : QVariant(texte)});
        }
        lignes.push_back(std::move(l));
    }
    // Most first by the first figure, as the report lists them.
    const int colonne = entetes.size() > 1 ? 1 : 0;
    tableau_ = new TableauComplements(nom_, entetes, colonne,
                                      colonne == 1 ? Qt::DescendingOrder : Qt::AscendingOrder);
    tableau_->vue()->setAccessibleName(depuis1252(t.titre));
    std::stable_sort(lignes.begin(), lignes.end(), [colonne](const auto& a, const auto& b) {
        const QVariant &x = a[static_cast<std::size_t>(colonne)].cle,
                       &y = b[static_cast<std::size_t>(colonne)].cle;
        return colonne == 1 ? x.toLongLong() > y.toLongLong() : x.toString() < y.toString();
    });
    tableau_->remplir(std::move(lignes));
    layout()->addWidget(tableau_);
}

PageHistorique::PageHistorique(QWidget* parent) : QWidget(parent) {
    auto* l = new QVBoxLayout(this);
    titre_ = new QLabel;
    titre_->setObjectName(QStringLiteral("lbBaseHistorique"));
    titre_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    l->addWidget(titre_);

    // Two rows of controls: what is read, then how it is shown.
    auto* barre = new QHBoxLayout;
    auto* barre2 = new QHBoxLayout;
    const auto etiquette = [&barre](const QString& texte, QWidget* w) {
        auto* e = new QLabel(texte);
        e->setBuddy(w);
        barre->addWidget(e);
        barre->addWidget(w);
    };
    serveur_ = new QComboBox;
    serveur_->setObjectName(QStringLiteral("choixServeur"));
    etiquette(QStringLiteral("&Serveur :"), serveur_);
    debut_ = new QDateEdit;
    debut_->setObjectName(QStringLiteral("dateDebutHistorique"));
    fin_ = new QDateEdit;
    fin_->setObjectName(QStringLiteral("dateFinHistorique"));
    for (QDateEdit* d : {debut_, fin_}) regler(d);
    etiquette(QStringLiteral("&Du"), debut_);
    etiquette(QStringLiteral("au"), fin_);
    afficher_ = new QPushButton(QStringLiteral("&Afficher"));
    afficher_->setObjectName(QStringLiteral("boutonAfficherHistorique"));
    barre->addWidget(afficher_);
    barre->addStretch(1);
    l->addLayout(barre);
    barre = barre2;
    granularite_ = new QComboBox;
    granularite_->setObjectName(QStringLiteral("choixGranularite"));
    granularite_->addItems(
        {QStringLiteral("Jour"), QStringLiteral("Semaine"), QStringLiteral("Mois")});
    etiquette(QStringLiteral("&Par :"), granularite_);
    mesure_ = new QComboBox;
    mesure_->setObjectName(QStringLiteral("choixMesure"));
    mesure_->addItems({QStringLiteral("Requ\u00eates"), QStringLiteral("Visiteurs"),
                       QStringLiteral("Visites"), QStringLiteral("Octets")});
    etiquette(QStringLiteral("&Graphe :"), mesure_);
    comparer_ = new QPushButton(QStringLiteral("&Comparer avec..."));
    comparer_->setObjectName(QStringLiteral("boutonComparer"));
    sansComparer_ = new QPushButton(QStringLiteral("Sans comparaison"));
    sansComparer_->setObjectName(QStringLiteral("boutonSansComparaison"));
    sansComparer_->setVisible(false);
    barre->addWidget(comparer_);
    barre->addWidget(sansComparer_);
    barre->addStretch(1);
    l->addLayout(barre2);

    graphe_ = new QChartView;
    graphe_->setObjectName(QStringLiteral("grapheHistorique"));
    graphe_->setAccessibleName(QStringLiteral("Graphe de l'historique"));
    graphe_->setRenderHint(QPainter::Antialiasing);
    graphe_->setMinimumHeight(160);
    cadrePeriodes_ = new QWidget;
    new QVBoxLayout(cadrePeriodes_);
    cadrePeriodes_->layout()->setContentsMargins(0, 0, 0, 0);
    tables_ = new VueTablesHistorique(QStringLiteral("tableauHistorique"));
    bas_ = new QSplitter(Qt::Horizontal);
    auto* bas = bas_;
    bas->addWidget(grilleTitree(QStringLiteral("P\u00e9riodes"), cadrePeriodes_));
    bas->addWidget(grilleTitree(QStringLiteral("Tables de la p\u00e9riode"), tables_));
    auto* partage = new QSplitter(Qt::Vertical);
    partage->addWidget(graphe_);
    partage->addWidget(bas);
    partage->setSizes({450, 500});  // shared in these proportions once shown
    l->addWidget(partage, 1);

    connect(afficher_, &QPushButton::clicked, this, [this] {
        commande([this] { lireEtAfficher(jourDe(debut_->date()), jourDe(fin_->date())); });
    });
    connect(serveur_, &QComboBox::activated, this,
            [this] { commande([this] { lireEtAfficher(premier_, dernier_); }); });
    connect(granularite_, &QComboBox::currentIndexChanged, this, [this] { montrer(false); });
    connect(mesure_, &QComboBox::currentIndexChanged, this, [this] { montrerGraphe(); });
    connect(comparer_, &QPushButton::clicked, this, [this] {
        commande([this] {
            if (!demanderComparaison) return;
            if (const auto plage = demanderComparaison(periodePrecedente(premier_, dernier_))) {
                comparerAvec(plage->first, plage->second);
            }
        });
    });
    connect(sansComparer_, &QPushButton::clicked, this, [this] { sansComparaison(); });

    // The compared range by default: as many days just before.
    demanderComparaison = [this](std::pair<int64_t, int64_t> propose) {
        QDialog d(this);
        d.setObjectName(QStringLiteral("dialogueComparer"));
        d.setWindowTitle(QStringLiteral("Comparer avec..."));
        auto* f = new QFormLayout(&d);
        auto* du = new QDateEdit(dateDe(propose.first));
        auto* au = new QDateEdit(dateDe(propose.second));
        for (QDateEdit* e : {du, au}) regler(e);
        f->addRow(QStringLiteral("&Du"), du);
        f->addRow(QStringLiteral("&Au"), au);
        auto* boutons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        f->addRow(boutons);
        connect(boutons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
        connect(boutons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
        if (d.exec() != QDialog::Accepted) return std::optional<std::pair<int64_t, int64_t>>();
        return std::optional(std::pair{jourDe(du->date()), jourDe(au->date())});
    };
}

void PageHistorique::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The axis names as many periods as the new width has room for.
    if (!periodes_.empty()) montrerGraphe();
}

void PageHistorique::commande(const std::function<void()>& f) {
    if (executer_) {
        executer_(f);
    } else {
        f();
    }
}

void PageHistorique::ouvrir(const QString& nomBase, std::vector<std::string> serveurs,
                            Historique tout, Lecteur lire, Commande executer) {
    nomBase_ = nomBase;
    lire_ = std::move(lire);
    executer_ = std::move(executer);
    compare_.reset();
    remplirServeurs(serveurs);
    serveur_->setCurrentIndex(0);  // `tout` is every server's
    historique_ = std::move(tout);
    const auto e = etendue(historique_);
    const int64_t aujourdhui = jourDe(QDate::currentDate());
    premier_ = e ? e->first : aujourdhui;
    dernier_ = e ? e->second : aujourdhui;
    montrer();
}

void PageHistorique::remplirServeurs(const std::vector<std::string>& serveurs) {
    // The server chosen stays chosen when it is still there.
    const QString choisi = serveur_->currentText();
    QSignalBlocker bloque(serveur_);
    serveur_->clear();
    serveur_->addItem(QStringLiteral("Tous les serveurs"));
    for (const std::string& s : serveurs) serveur_->addItem(QString::fromStdString(s));
    serveur_->setCurrentIndex(std::max(0, serveur_->findText(choisi)));
}

void PageHistorique::relire(std::vector<std::string> serveurs) {
    remplirServeurs(serveurs);
    // A base that was empty shows the days just fed.
    const bool vide = !etendue(historique_);
    historique_ = lire_(serveurChoisi(), vide ? std::nullopt : std::optional(premier_),
                        vide ? std::nullopt : std::optional(dernier_));
    if (vide) {
        if (const auto e = etendue(historique_)) std::tie(premier_, dernier_) = *e;
    }
    if (compare_) compare_ = lire_(serveurChoisi(), premierCompare_, dernierCompare_);
    montrer();
}

void PageHistorique::lireEtAfficher(int64_t premier, int64_t dernier) {
    if (dernier < premier) std::swap(premier, dernier);
    historique_ = lire_(serveurChoisi(), premier, dernier);
    premier_ = premier;
    dernier_ = dernier;
    if (compare_) compare_ = lire_(serveurChoisi(), premierCompare_, dernierCompare_);
    montrer();
}

void PageHistorique::afficherPeriode(int64_t premier, int64_t dernier) {
    lireEtAfficher(premier, dernier);
}

void PageHistorique::comparerAvec(int64_t premier, int64_t dernier) {
    if (dernier < premier) std::swap(premier, dernier);
    compare_ = lire_(serveurChoisi(), premier, dernier);
    premierCompare_ = premier;
    dernierCompare_ = dernier;
    montrer();
}

void PageHistorique::sansComparaison() {
    compare_.reset();
    montrer();
}

std::string PageHistorique::serveurChoisi() const {
    return serveur_->currentIndex() <= 0 ? std::string() : serveur_->currentText().toStdString();
}

Granularite PageHistorique::granulariteChoisie() const {
    return static_cast<Granularite>(std::max(0, granularite_->currentIndex()));
}

QString PageHistorique::libellePeriode(const PeriodeHistorique& p) const {
    switch (granulariteChoisie()) {
        case Granularite::semaine:
            return QStringLiteral("Sem. du %1").arg(texteDate(p.premier));
        case Granularite::mois: {
            const QDate d = dateDe(p.premier);
            QString mois = QLocale(QLocale::French).standaloneMonthName(d.month());
            if (!mois.isEmpty()) mois[0] = mois[0].toUpper();
            return QStringLiteral("%1 %2").arg(mois).arg(d.year());
        }
        case Granularite::jour:
            break;
    }
    return texteDate(p.premier);
}

void PageHistorique::montrer(bool tables) {
    const Granularite g = granulariteChoisie();
    periodes_ = periodesHistorique(historique_.jours, g, premier_, dernier_);
    comparees_ = compare_ ? periodesHistorique(compare_->jours, g, premierCompare_, dernierCompare_)
                          : std::vector<PeriodeHistorique>();
    {
        QSignalBlocker b1(debut_), b2(fin_);
        debut_->setDate(dateDe(premier_));
        fin_->setDate(dateDe(dernier_));
    }
    int64_t requetes = 0;
    for (const JourHistorique& j : historique_.jours) requetes += j.requetes;
    QString titre = QStringLiteral("Base : %1 \u2014 %2 %3 %4")
                        .arg(nomBase_, francais(requetes), complements::requetes(requetes),
                             texteEtendue(premier_, dernier_));
    if (compare_) {
        titre += QStringLiteral(", compar\u00e9e avec %1")
                     .arg(texteEtendue(premierCompare_, dernierCompare_));
    }
    titre_->setText(titre);
    sansComparer_->setVisible(compare_.has_value());
    // The periods take more room when they come to show both ranges (the user's sharing kept
    // otherwise).
    if (partageCompare_ != compare_.has_value()) {
        partageCompare_ = compare_.has_value();
        const int largeur = std::max(400, bas_->width());
        bas_->setSizes(compare_ ? QList<int>{largeur * 3 / 5, largeur * 2 / 5}
                                : QList<int>{largeur * 2 / 5, largeur * 3 / 5});
    }

    if (tables) {
        std::optional<DonneesRapport> donnees = donneesDeLHistorique(historique_, {}, 1);
        if (donnees && compare_) {
            const std::optional<DonneesRapport> autre = donneesDeLHistorique(*compare_, {}, 1);
            comparerRapports(*donnees, autre ? *autre : DonneesRapport{});
        }
        tables_->afficher(donnees ? std::move(donnees->tables) : std::vector<TableExportee>());
    }
    montrerPeriodes();
    montrerGraphe();
}

void PageHistorique::montrerPeriodes() {
    QStringList entetes{QStringLiteral("P\u00e9riode"), QStringLiteral("Requ\u00eates"),
                        QStringLiteral("Visiteurs"), QStringLiteral("Visites"),
                        QStringLiteral("Octets")};
    if (compare_) {
        entetes << QStringLiteral("P\u00e9riode compar\u00e9e");
        for (const char* m : {"Requ\u00eates", "Visiteurs", "Visites", "Octets"}) {
            entetes << QStringLiteral("%1 (comparaison)").arg(QString::fromUtf8(m))
                    << QStringLiteral("\u00c9volution");
        }
    }
    std::vector<TableauComplements::Ligne> lignes;
    for (std::size_t k = 0; k < periodes_.size(); ++k) {
        const PeriodeHistorique& p = periodes_[k];
        TableauComplements::Ligne l{{libellePeriode(p), QVariant::fromValue<qlonglong>(p.premier)},
                                    nombre(p.requetes),
                                    nombre(p.visiteurs),
                                    nombre(p.visites),
                                    nombre(p.octets, true)};
        if (compare_) {
            const PeriodeHistorique* c = k < comparees_.size() ? &comparees_[k] : nullptr;
            l.push_back(c ? TableauComplements::Cellule{libellePeriode(*c),
                                                        QVariant::fromValue<qlonglong>(c->premier)}
                          : TableauComplements::Cellule{QString(), QVariant(qlonglong(0))});
            for (int m = 0; m < 4; ++m) {
                const int64_t avant = c ? mesureDe(*c, m) : 0, apres = mesureDe(p, m);
                l.push_back(c ? nombre(avant, m == 3)
                              : TableauComplements::Cellule{QString(), QVariant(qlonglong(0))});
                const QString e = c ? depuis1252(evolution(apres, avant)) : QString();
                l.push_back({e, e});
            }
        }
        lignes.push_back(std::move(l));
    }
    delete periodesVue_;
    periodesVue_ =
        new TableauComplements(QStringLiteral("tableauPeriodes"), entetes, 0, Qt::AscendingOrder);
    periodesVue_->vue()->setAccessibleName(QStringLiteral("P\u00e9riodes de l'historique"));
    periodesVue_->remplir(std::move(lignes));
    cadrePeriodes_->layout()->addWidget(periodesVue_);
    connect(periodesVue_->vue(), &QTableView::doubleClicked, this, [this](const QModelIndex& i) {
        const int64_t premier = i.siblingAtColumn(0).data(Qt::UserRole).toLongLong();
        for (std::size_t k = 0; k < periodes_.size(); ++k) {
            if (periodes_[k].premier == premier) commande([this, k] { ouvrirPeriode(k); });
        }
    });
}

void PageHistorique::montrerGraphe() {
    const int mesure = std::max(0, mesure_->currentIndex());
    // A new chart each time: a chart's removed axes leave their labels drawn in Qt 6.4.
    QChart* ancien = graphe_->chart();
    auto* graphe = new QChart;
    graphe_->setChart(graphe);
    delete ancien;
    graphe->setTitle(QStringLiteral("%1 par %2")
                         .arg(mesure_->currentText(), granularite_->currentText().toLower()));
    // Bytes in the unit of the largest period.
    static const char* const kUnites[] = {"octets", "Ko", "Mo", "Go", "To"};
    double maximum = 0;
    for (const auto* liste : {&periodes_, &comparees_}) {
        for (const PeriodeHistorique& p : *liste) {
            maximum = std::max(maximum, static_cast<double>(mesureDe(p, mesure)));
        }
    }
    double diviseur = 1;
    int unite = 0;
    while (mesure == 3 && unite < 4 && maximum / diviseur >= 1024) {
        diviseur *= 1024;
        ++unite;
    }
    const auto serie = [&](const std::vector<PeriodeHistorique>& liste, const QString& nom,
                           bool pointille) {
        auto* s = new QLineSeries;
        s->setName(nom);
        QList<QPointF> points;
        for (std::size_t k = 0; k < liste.size(); ++k) {
            points.append({static_cast<double>(k),
                           static_cast<double>(mesureDe(liste[k], mesure)) / diviseur});
        }
        s->replace(points);
        s->setPointsVisible(liste.size() <= 62);
        graphe->addSeries(s);
        if (pointille) {
            QPen stylo = s->pen();
            stylo.setStyle(Qt::DashLine);
            s->setPen(stylo);
        }
        connect(s, &QLineSeries::doubleClicked, this, [this, s](const QPointF& p) {
            const auto k = static_cast<std::size_t>(std::max(0.0, std::round(p.x())));
            if (s == graphe_->chart()->series().value(0) && k < periodes_.size()) {
                commande([this, k] { ouvrirPeriode(k); });
            }
        });
        return s;
    };
    QList<QLineSeries*> series{serie(periodes_, texteEtendue(premier_, dernier_), false)};
    if (compare_) {
        series << serie(comparees_, texteEtendue(premierCompare_, dernierCompare_), true);
    }
    auto* axeX = new QCategoryAxis;
    axeX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axeX->setTruncateLabels(false);  // spaced below by their width
    const int n = static_cast<int>(periodes_.size());
    axeX->setRange(-0.5, std::max(0.5, n - 0.5));
    // Short names under the axis, as many as have room side by side.
    const auto court = [this](const PeriodeHistorique& p) {
        const QDate d = dateDe(p.premier);
        return granulariteChoisie() == Granularite::mois
                   ? QLocale(QLocale::French).toString(d, QStringLiteral("MMM yyyy"))
                   : d.toString(QStringLiteral("dd/MM/yy"));
    };
    const double largeur =
        QFontMetricsF(axeX->labelsFont()).horizontalAdvance(QStringLiteral("00/00/00 ")) + 12;
    const double place = std::max(200, graphe_->width() - 120);
    const int pas = std::max(1, static_cast<int>(std::ceil(n * largeur / place)));
    for (int k = 0; k < n; k += pas) axeX->append(court(periodes_[static_cast<std::size_t>(k)]), k);
    auto* axeY = new QValueAxis;
    axeY->setLabelFormat(mesure == 3 && unite > 0 ? QStringLiteral("%.1f")
                                                  : QStringLiteral("%.0f"));
    axeY->setRange(0, std::max(1.0, maximum / diviseur * 1.05));
    axeY->applyNiceNumbers();
    if (mesure == 3) axeY->setTitleText(QString::fromLatin1(kUnites[unite]));
    graphe->addAxis(axeX, Qt::AlignBottom);
    graphe->addAxis(axeY, Qt::AlignLeft);
    for (QLineSeries* s : series) {
        s->attachAxis(axeX);
        s->attachAxis(axeY);
    }
    graphe->legend()->setVisible(compare_.has_value());
}

void PageHistorique::ouvrirPeriode(std::size_t k) {
    if (k >= periodes_.size()) return;
    const PeriodeHistorique p = periodes_[k];
    const Historique h = lire_(serveurChoisi(), p.premier, p.dernier);
    std::optional<DonneesRapport> donnees = donneesDeLHistorique(h, {}, 1);
    delete dialogue_;
    dialogue_ = new QDialog(this);
    dialogue_->setObjectName(QStringLiteral("dialogueTablesPeriode"));
    const QString libelle = libellePeriode(p);
    dialogue_->setWindowTitle(
        granulariteChoisie() == Granularite::jour
            ? QStringLiteral("Tables du %1").arg(libelle)
            : QStringLiteral("Tables : %1 (%2)").arg(libelle, texteEtendue(p.premier, p.dernier)));
    auto* l = new QVBoxLayout(dialogue_);
    auto* vue = new VueTablesHistorique(QStringLiteral("tableauPeriode"));
    vue->afficher(donnees ? std::move(donnees->tables) : std::vector<TableExportee>());
    if (!donnees)
        l->addWidget(new QLabel(QStringLiteral("Aucune requ\u00eate dans cette p\u00e9riode.")));
    l->addWidget(vue, 1);
    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(boutons, &QDialogButtonBox::rejected, dialogue_, &QDialog::close);
    l->addWidget(boutons);
    dialogue_->resize(720, 520);
    dialogue_->show();
}

}  // namespace kestrane
