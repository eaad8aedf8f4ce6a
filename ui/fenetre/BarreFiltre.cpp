#include "ui/fenetre/BarreFiltre.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStringListModel>
#include <QToolButton>

#include "core/journal/Texte.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

// The field names of the syntax, and the bare terms, offered first.
const char* const kChamps[] = {
    "ip:",      "chemin:", "provenance:", "site:",    "recherche:", "navigateur:",
    "systeme:", "robot:",  "statut:",     "methode:", "protocole:", "pays:",
    "hote:",    "jour:",   "heure:",      "robot",    "statique"};

// A table's bytes or typed UTF-8, as the field shows them.
QString pourLeChamp(const std::string& octets) {
    const QString utf8 = QString::fromUtf8(octets.data(), static_cast<qsizetype>(octets.size()));
    return utf8.contains(QChar::ReplacementCharacter) ? depuis1252(octets) : utf8;
}

// Where the word under completion begins: after the last blank or parenthesis, past a '-'.
qsizetype debutDuMot(const QString& texte) {
    qsizetype k = texte.size();
    while (k > 0 && texte[k - 1] != QLatin1Char(' ') && texte[k - 1] != QLatin1Char('(')) --k;
    if (k < texte.size() && texte[k] == QLatin1Char('-')) ++k;
    return k;
}

}  // namespace

QString texteFiltre(std::size_t gardees, std::size_t lues) {
    return QStringLiteral("Filtre : %1 lignes sur %2")
        .arg(depuis1252(nombreFrancais(static_cast<int64_t>(gardees))),
             depuis1252(nombreFrancais(static_cast<int64_t>(lues))));
}

BarreFiltre::BarreFiltre(QWidget* parent, std::function<void()> changement,
                         std::function<void(const QString&)> erreur)
    : QToolBar(parent), changement_(std::move(changement)), erreur_(std::move(erreur)) {
    setObjectName(QStringLiteral("barreFiltre"));
    setWindowTitle(QStringLiteral("Filtre"));
    setMovable(false);
    setFloatable(false);
    auto* titre = new QLabel(QStringLiteral(" Filtre : "), this);
    addWidget(titre);
    champ_ = new QLineEdit(this);
    champ_->setObjectName(QStringLiteral("champFiltre"));
    champ_->setPlaceholderText(QStringLiteral("statut:4xx -robot chemin:/wp-* ip:66.249.0.0/16"));
    champ_->setClearButtonEnabled(false);
    champ_->setToolTip(QStringLiteral(
        "Entr\u00e9e : applique le filtre \u00e0 toute l'analyse ; \u00c9chap : l'efface"));
    titre->setBuddy(champ_);
    addWidget(champ_);
    termes_ = new QLabel(this);
    termes_->setObjectName(QStringLiteral("termesFiltre"));
    termes_->setTextFormat(Qt::PlainText);
    addWidget(termes_);
    effacer_ = new QToolButton(this);
    effacer_->setObjectName(QStringLiteral("effacerFiltre"));
    effacer_->setText(QStringLiteral("Effacer"));
    effacer_->setToolTip(QStringLiteral("Effacer le filtre (\u00c9chap)"));
    addWidget(effacer_);

    completion_ = new QCompleter(this);
    completion_->setModel(new QStringListModel(completion_));
    completion_->setCaseSensitivity(Qt::CaseInsensitive);
    completion_->setWidget(champ_);
    completerAvec({});
    // The word under the cursor is completed, the others kept.
    connect(champ_, &QLineEdit::textEdited, this, [this](const QString& texte) {
        const QString mot = texte.mid(debutDuMot(texte));
        if (mot.isEmpty()) {
            completion_->popup()->hide();
            return;
        }
        completion_->setCompletionPrefix(mot);
        completion_->complete();
    });
    connect(completion_, qOverload<const QString&>(&QCompleter::activated), this,
            [this](const QString& choix) {
                const QString texte = champ_->text();
                champ_->setText(texte.left(debutDuMot(texte)) + choix);
            });
    connect(champ_, &QLineEdit::returnPressed, this, [this] {
        if (completion_->popup()->isVisible()) return;
        appliquer(champ_->text().toStdString());
    });
    connect(effacer_, &QToolButton::clicked, this, [this] { effacer(); });
    champ_->installEventFilter(this);
    montrerTermes();
    hide();
}

bool BarreFiltre::eventFilter(QObject* objet, QEvent* evenement) {
    if (objet == champ_ && evenement->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(evenement)->key() == Qt::Key_Escape &&
        !completion_->popup()->isVisible()) {
        effacer();
        return true;
    }
    return QToolBar::eventFilter(objet, evenement);
}

bool BarreFiltre::appliquer(const std::string& expression) {
    std::shared_ptr<const Filtre> nouveau;
    try {
        Filtre f = Filtre::lire(expression);
        if (!f.vide()) nouveau = std::make_shared<const Filtre>(std::move(f));
    } catch (const ErreurFiltre& e) {
        show();
        erreur_(QString::fromStdString(e.messageUtf8()));
        return false;
    }
    const bool change = (nouveau ? expression : std::string()) != texte_;
    filtre_ = std::move(nouveau);
    texte_ = filtre_ ? expression : std::string();
    champ_->setText(pourLeChamp(texte_));
    montrerTermes();
    if (filtre_) show();
    if (change) changement_();
    return true;
}

bool BarreFiltre::ajouterTerme(const std::string& terme) {
    return appliquer(texte_.empty() ? terme : texte_ + " " + terme);
}

void BarreFiltre::effacer() {
    champ_->clear();
    const bool enVigueur = filtre_ != nullptr;
    filtre_.reset();
    texte_.clear();
    montrerTermes();
    hide();
    if (enVigueur) changement_();
}

void BarreFiltre::saisir() {
    show();
    champ_->setFocus(Qt::ShortcutFocusReason);
    champ_->selectAll();
}

void BarreFiltre::completerAvec(const QStringList& valeurs) {
    QStringList tout;
    for (const char* c : kChamps) tout << QString::fromLatin1(c);
    tout << valeurs;
    static_cast<QStringListModel*>(completion_->model())->setStringList(tout);
}

void BarreFiltre::montrerTermes() {
    QStringList t;
    if (filtre_) {
        for (const std::string& terme : filtre_->termes())
            t << QLatin1Char('[') + pourLeChamp(terme) + QLatin1Char(']');
    }
    termes_->setText(t.isEmpty() ? QString()
                                 : QLatin1Char(' ') + t.join(QLatin1Char(' ')) + QLatin1Char(' '));
    effacer_->setEnabled(filtre_ != nullptr || !champ_->text().isEmpty());
}

}  // namespace kestrane
