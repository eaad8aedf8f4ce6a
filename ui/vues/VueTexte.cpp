#include "ui/vues/VueTexte.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRawFont>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>
#include <climits>
#include <cmath>

#include "ui/vues/Couleurs.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

// Room between the frame and the first column, as in a memo.
constexpr int kMarge = 2;

int versInt(std::size_t n) {
    return static_cast<int>(std::min<std::size_t>(n, INT_MAX));
}

bool estRemplace(char16_t c) {
    return (c >= 0x2400 && c <= 0x2421) || c == 0xFFFD;
}

// Whether some font (the view's or a fallback Qt picks) has a glyph for c.
bool glyphePresent(const QFont& police, QChar c) {
    QTextLayout mise(QString(c), police);
    mise.beginLayout();
    mise.createLine();
    mise.endLayout();
    const QList<QGlyphRun> series = mise.glyphRuns();
    return !series.isEmpty() && series.front().rawFont().supportsCharacter(c);
}

}  // namespace

// ---- sources

std::string SourceLignes::extrait(std::size_t i, std::size_t debut, std::size_t longueur) const {
    const std::string texte = ligne(i);
    if (debut >= texte.size()) return {};
    return texte.substr(debut, longueur);
}

std::size_t SourceLignes::tailleOctets(std::size_t, std::size_t) const {
    return 0;
}

void SourceLignes::ecrire(const std::function<void(std::string_view)>& ecrivain) const {
    std::string paquet;
    for (std::size_t i = 0; i < nbLignes(); ++i) {
        if (i > 0) paquet += "\r\n";
        paquet += ligne(i);
        if (paquet.size() >= (1u << 20)) {
            ecrivain(paquet);
            paquet.clear();
        }
    }
    ecrivain(paquet);
}

QString texteAffiche(std::string_view octets) {
    QString texte = depuis1252(octets);
    for (QChar& c : texte) {
        const char16_t u = c.unicode();
        if (u < 0x20) {
            c = QChar(static_cast<char16_t>(0x2400 + u));
        } else if (u == 0x7F) {
            c = QChar(char16_t{0x2421});
        } else if (u >= 0x80 && u < 0xA0) {
            c = QChar(char16_t{0xFFFD});
        }
    }
    return texte;
}

// ---- view

VueTexte::VueTexte(QWidget* parent)
    : QAbstractScrollArea(parent), source_(std::make_shared<SourceVide>()) {
    QFont police("Courier New", 8);
    police.setStyleHint(QFont::TypeWriter);
    police.setFixedPitch(true);
    setFont(police);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    fond_ = palette().color(QPalette::Base);

    actCopier_ = new QAction(tr("Copier"), this);
    actCopier_->setObjectName("actCopier");
    actCopier_->setShortcut(QKeySequence::Copy);
    connect(actCopier_, &QAction::triggered, this, &VueTexte::copier);
    actToutSelectionner_ = new QAction(tr("Tout sélectionner"), this);
    actToutSelectionner_->setObjectName("actToutSelectionner");
    actToutSelectionner_->setShortcut(QKeySequence::SelectAll);
    connect(actToutSelectionner_, &QAction::triggered, this, &VueTexte::toutSelectionner);

    mesurerPolice();
    ajusterBarres();
}

void VueTexte::changerSource(std::shared_ptr<const SourceLignes> source) {
    source_ = source ? std::move(source) : std::make_shared<SourceVide>();
    ancre_ = extremite_ = -1;
    glisse_ = false;
    ajusterBarres();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

void VueTexte::prolongerSource(std::shared_ptr<const SourceLignes> source) {
    source_ = source ? std::move(source) : std::make_shared<SourceVide>();
    actualiser();
}

void VueTexte::vider() {
    changerSource(nullptr);
}

void VueTexte::actualiser() {
    const std::size_t n = source_->nbLignes();
    if (n == 0) {
        ancre_ = extremite_ = -1;
    } else if (ancre_ >= 0) {
        const auto derniere = static_cast<long long>(n - 1);
        ancre_ = std::min(ancre_, derniere);
        extremite_ = std::min(extremite_, derniere);
    }
    ajusterBarres();
    viewport()->update();
}

QString VueTexte::texteLigne(std::size_t i) const {
    if (i >= source_->nbLignes()) return {};
    return depuis1252(source_->ligne(i));
}

void VueTexte::changerFond(QColor fond) {
    fond_ = fond;
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Base, fond);
    // A background of the view's own keeps its text readable under a dark palette too.
    pal.setColor(QPalette::Text, couleurLisible(palette().color(QPalette::Text), fond));
    viewport()->setPalette(pal);
    viewport()->update();
}

// ---- geometry

void VueTexte::mesurerPolice() {
    const QFontMetricsF mesures(font());
    largeurCar_ = std::max<qreal>(1, mesures.horizontalAdvance(QLatin1Char('M')));
    hauteurLigne_ = std::max(1, static_cast<int>(std::ceil(mesures.height())));
    ascendante_ = static_cast<int>(std::ceil(mesures.ascent()));
    tientCellule_.clear();
}

bool VueTexte::tientDansUneCellule(QChar c) const {
    const auto connu = tientCellule_.constFind(c.unicode());
    if (connu != tientCellule_.constEnd()) return *connu;
    const bool tient =
        glyphePresent(font(), c) && QFontMetricsF(font()).horizontalAdvance(c) <= largeurCar_ * 1.1;
    tientCellule_.insert(c.unicode(), tient);
    return tient;
}

int VueTexte::lignesVisibles() const {
    return std::max(1, viewport()->height() / hauteurLigne_);
}

void VueTexte::ajusterBarres() {
    const std::size_t n = source_->nbLignes();
    lignesConnues_ = n;
    const int visibles = lignesVisibles();
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(0, versInt(n) - visibles));
    v->setPageStep(visibles);
    v->setSingleStep(1);

    const double largeur = std::ceil(static_cast<double>(source_->largeurMax()) * largeurCar_);
    const double debord = largeur + 2 * kMarge - viewport()->width();
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, static_cast<int>(std::clamp(debord, 0.0, double{INT_MAX})));
    h->setPageStep(std::max(1, viewport()->width()));
    h->setSingleStep(std::max(1, static_cast<int>(std::lround(largeurCar_))));
}

long long VueTexte::ligneSous(int y) const {
    const std::size_t n = source_->nbLignes();
    if (n == 0) return -1;
    const long long ligne = verticalScrollBar()->value() +
                            static_cast<long long>(std::floor(double(y) / hauteurLigne_));
    return std::clamp<long long>(ligne, 0, static_cast<long long>(n - 1));
}

// ---- painting

void VueTexte::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    const QRect zone = event->rect();
    p.fillRect(zone, fond_);
    p.setFont(font());

    const std::size_t n = source_->nbLignes();
    // The source changed behind our back: paint what it has now, fix the ranges after.
    if (n != lignesConnues_) {
        QMetaObject::invokeMethod(this, &VueTexte::actualiser, Qt::QueuedConnection);
    }
    const auto premiereVue = static_cast<std::size_t>(verticalScrollBar()->value());
    const int haut = std::max(0, zone.top()) / hauteurLigne_;
    const int bas = std::max(0, zone.bottom()) / hauteurLigne_;
    for (int k = haut; k <= bas; ++k) {
        const std::size_t i = premiereVue + static_cast<std::size_t>(k);
        if (i >= n) break;
        const auto signee = static_cast<long long>(i);
        const bool choisie = ancre_ >= 0 && signee >= std::min(ancre_, extremite_) &&
                             signee <= std::max(ancre_, extremite_);
        dessinerLigne(p, i, k * hauteurLigne_, choisie);
    }
}

void VueTexte::dessinerLigne(QPainter& p, std::size_t i, qreal y, bool choisie) {
    const int largeurVue = viewport()->width();
    if (choisie) {
        p.fillRect(QRectF(0, y, largeurVue, hauteurLigne_), palette().color(QPalette::Highlight));
        p.setPen(palette().color(QPalette::HighlightedText));
    } else {
        p.setPen(viewport()->palette().color(QPalette::Text));
    }

    // Only the columns in view are read and decoded: a 1 MB line costs what 100 columns cost.
    const int decalage = horizontalScrollBar()->value();
    const auto colonne0 =
        static_cast<std::size_t>(std::floor(std::max(0, decalage - kMarge) / largeurCar_));
    const auto nbColonnes = static_cast<std::size_t>(std::ceil(largeurVue / largeurCar_)) + 2;
    const QString texte = texteAffiche(source_->extrait(i, colonne0, nbColonnes));
    const qreal x0 = kMarge + static_cast<qreal>(colonne0) * largeurCar_ - decalage;
    const qreal base = y + ascendante_;

    // Runs of ordinary characters go in one call; any other character is drawn alone in its
    // own cell, so that a glyph borrowed from another font cannot shift the columns after it.
    const QFontMetricsF mesures(p.font());
    qsizetype debutSerie = 0;
    auto tracerSerie = [&](qsizetype fin) {
        if (fin > debutSerie) {
            p.drawText(QPointF(x0 + debutSerie * largeurCar_, base),
                       texte.sliced(debutSerie, fin - debutSerie));
        }
    };
    for (qsizetype k = 0; k < texte.size(); ++k) {
        const QChar c = texte[k];
        if (c.unicode() < 0x80 || (!estRemplace(c.unicode()) && mesures.inFont(c))) continue;
        tracerSerie(k);
        const QRectF cellule(x0 + k * largeurCar_, y, largeurCar_, hauteurLigne_);
        if (tientDansUneCellule(c)) {
            p.save();
            p.setClipRect(cellule);
            p.drawText(QPointF(cellule.left(), base), QString(c));
            p.restore();
        } else {
            // No font has it at a column's width: an empty box, like a missing glyph but
            // the same on every machine.
            const qreal marge = std::max<qreal>(1, largeurCar_ / 6);
            p.drawRect(QRectF(cellule.left() + marge, base - ascendante_ + 2 * marge,
                              largeurCar_ - 2 * marge - 1, ascendante_ - 2 * marge - 1));
        }
        debutSerie = k + 1;
    }
    tracerSerie(texte.size());
}

void VueTexte::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    ajusterBarres();
}

void VueTexte::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        mesurerPolice();
        ajusterBarres();
        viewport()->update();
    }
}

// ---- selection and clipboard

bool VueTexte::aSelection() const {
    return ancre_ >= 0;
}

std::size_t VueTexte::premiereSelectionnee() const {
    return static_cast<std::size_t>(std::max<long long>(0, std::min(ancre_, extremite_)));
}

std::size_t VueTexte::derniereSelectionnee() const {
    return static_cast<std::size_t>(std::max<long long>(0, std::max(ancre_, extremite_)));
}

void VueTexte::selectionner(std::size_t premiere, std::size_t derniere) {
    const std::size_t n = source_->nbLignes();
    if (n == 0) return;
    ancre_ = static_cast<long long>(std::min(premiere, n - 1));
    extremite_ = static_cast<long long>(std::min(derniere, n - 1));
    viewport()->update();
}

void VueTexte::toutSelectionner() {
    const std::size_t n = source_->nbLignes();
    if (n > 0) selectionner(0, n - 1);
}

QString VueTexte::texteSelection() const {
    const std::size_t n = source_->nbLignes();
    if (!aSelection() || n == 0) return {};
    const std::size_t premiere = premiereSelectionnee();
    const std::size_t derniere = std::min(derniereSelectionnee(), n - 1);
    if (premiere > derniere) return {};
    QString texte;
    // Line breaks are at least one byte in the source, so this bound also covers the "\n".
    std::size_t taille = source_->tailleOctets(premiere, derniere);
    if (taille == 0) taille = (derniere - premiere + 1) * (source_->largeurMax() / 2 + 1);
    texte.reserve(static_cast<qsizetype>(taille));
    for (std::size_t i = premiere; i <= derniere; ++i) {
        if (i > premiere) texte.append(QLatin1Char('\n'));
        ajouter1252(texte, source_->ligne(i));
    }
    return texte;
}

void VueTexte::copier() const {
    if (!aSelection()) return;
    QGuiApplication::clipboard()->setText(texteSelection());
}

// ---- keyboard and mouse

bool VueTexte::event(QEvent* event) {
    // Our Ctrl+C and Ctrl+A win over any window shortcut on the same keys.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* touche = static_cast<QKeyEvent*>(event);
        if (touche == QKeySequence::Copy || touche == QKeySequence::SelectAll) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void VueTexte::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Copy) {
        copier();
        return;
    }
    if (event == QKeySequence::SelectAll) {
        toutSelectionner();
        return;
    }
    QScrollBar* v = verticalScrollBar();
    QScrollBar* h = horizontalScrollBar();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
        case Qt::Key_Up:
            v->triggerAction(QAbstractSlider::SliderSingleStepSub);
            break;
        case Qt::Key_Down:
            v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            break;
        case Qt::Key_PageUp:
            v->triggerAction(QAbstractSlider::SliderPageStepSub);
            break;
        case Qt::Key_PageDown:
            v->triggerAction(QAbstractSlider::SliderPageStepAdd);
            break;
        case Qt::Key_Left:
            h->triggerAction(QAbstractSlider::SliderSingleStepSub);
            break;
        case Qt::Key_Right:
            h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            break;
        case Qt::Key_Home:
            h->triggerAction(QAbstractSlider::SliderToMinimum);
            if (ctrl) v->triggerAction(QAbstractSlider::SliderToMinimum);
            break;
        case Qt::Key_End:
            if (ctrl) {
                v->triggerAction(QAbstractSlider::SliderToMaximum);
            } else {
                h->triggerAction(QAbstractSlider::SliderToMaximum);
            }
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
    }
}

void VueTexte::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const long long ligne = ligneSous(event->position().toPoint().y());
    if (ligne < 0) return;
    if (!(event->modifiers() & Qt::ShiftModifier) || ancre_ < 0) ancre_ = ligne;
    extremite_ = ligne;
    glisse_ = true;
    viewport()->update();
}

void VueTexte::mouseMoveEvent(QMouseEvent* event) {
    if (!glisse_ || !(event->buttons() & Qt::LeftButton)) return;
    const int y = event->position().toPoint().y();
    // Dragging past an edge scrolls one line per move, so a selection can grow beyond the view.
    if (y < 0) verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    if (y >= viewport()->height()) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
    const long long ligne = ligneSous(std::clamp(y, 0, std::max(0, viewport()->height() - 1)));
    if (ligne < 0) return;
    extremite_ = ligne;
    viewport()->update();
}

void VueTexte::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) glisse_ = false;
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void VueTexte::contextMenuEvent(QContextMenuEvent* event) {
    actCopier_->setEnabled(aSelection());
    actToutSelectionner_->setEnabled(source_->nbLignes() > 0);
    // popup() rather than exec(): the event loop keeps running, which tests rely on too.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(actCopier_);
    menu->addAction(actToutSelectionner_);
    menu->popup(event->globalPos());
}

}  // namespace kestrane
